# The query pages on a log of a million rows beside sqlite3 alone (and RunQuery on PostgreSQL beside libpq).
add_executable(bench_query_pages ${CMAKE_CURRENT_LIST_DIR}/bench_query_pages.cpp)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
target_link_libraries(bench_query_pages PRIVATE kelvane_queries_gui kelvane_ui_testing kelvane_data
                      kelvane_data_testing SQLite::SQLite3 PkgConfig::LIBPQ)
