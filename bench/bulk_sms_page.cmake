# The bulk SMS page's load, refresh, send, import and export beside their baselines.
pkg_check_modules(BENCH_XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
add_executable(bench_bulk_sms_page ${CMAKE_CURRENT_LIST_DIR}/bench_bulk_sms_page.cpp)
target_link_libraries(bench_bulk_sms_page PRIVATE kelvane_sms_gui kelvane_ui_testing kelvane_data kelvane_data_testing PkgConfig::BENCH_XLSXWRITER)
