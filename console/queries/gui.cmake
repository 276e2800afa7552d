# The query pages: the Qt part of this folder. They stand in for the shell's empty pages
# and use the shell's dialog services (kelvane_ui), whose folder is read after this one;
# targets are linked by name.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(kelvane_queries_gui STATIC
  query_records_page.cpp
  code_lookup_page.cpp
  cross_region_page.cpp
  fake_warning_page.cpp
  newest_on_top.cpp)
set_target_properties(kelvane_queries_gui PROPERTIES AUTOMOC ON)
target_include_directories(kelvane_queries_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kelvane_queries_gui PUBLIC kelvane_queries kelvane_sms kelvane_excel_export_gui kelvane_ui kelvane_widgets Qt6::Widgets)
# The shell's page host builds these pages in place of its empty ones.
set_property(GLOBAL APPEND PROPERTY KELVANE_PAGE_LIBRARIES kelvane_queries_gui)

varnholt_add_test(kelvane_queries_gui_tests
  SOURCES query_records_page_test.cpp cross_region_page_test.cpp fake_warning_page_test.cpp newest_on_top_test.cpp
          query_log_columns_test.cpp
  LIBRARIES kelvane_queries_gui kelvane_shell kelvane_excel_export_testing kelvane_ui_testing kelvane_data_testing
            kelvane_qt_gtest_main
  LABEL console
  QT)
