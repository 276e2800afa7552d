# The batch page's generation command beside the bare storage run.
add_executable(bench_batch_page ${CMAKE_CURRENT_LIST_DIR}/bench_batch_page.cpp)
target_link_libraries(bench_batch_page PRIVATE kelvane_batches_gui kelvane_ui_testing kelvane_data)
