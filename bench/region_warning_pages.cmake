# The cross-region and counterfeit warning pages on a log of a million rows beside sqlite3 alone.
add_executable(bench_region_warning_pages ${CMAKE_CURRENT_LIST_DIR}/bench_region_warning_pages.cpp)
target_link_libraries(bench_region_warning_pages PRIVATE kelvane_queries_gui kelvane_ui_testing kelvane_data SQLite::SQLite3)
