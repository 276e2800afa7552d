# The statistics page and its charts on a log of a million rows beside sqlite3 alone.
add_executable(bench_query_stats ${CMAKE_CURRENT_LIST_DIR}/bench_query_stats.cpp)
target_link_libraries(bench_query_stats PRIVATE kelvane_query_stats_gui kelvane_ui_testing kelvane_data
                      kelvane_data_testing SQLite::SQLite3)
