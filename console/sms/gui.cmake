# The bulk SMS page: the Qt part of this folder. It stands in for the shell's empty page 7
# and uses the shell's dialog services and the queries folder's Excel export; those
# targets are linked by name.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(kelvane_sms_gui STATIC bulk_sms_page.cpp)
set_target_properties(kelvane_sms_gui PROPERTIES AUTOMOC ON)
target_include_directories(kelvane_sms_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kelvane_sms_gui PUBLIC kelvane_sms kelvane_excel_export_gui kelvane_ui kelvane_widgets Qt6::Widgets)
# The shell's page host builds this page in place of its empty one.
set_property(GLOBAL APPEND PROPERTY KELVANE_PAGE_LIBRARIES kelvane_sms_gui)

varnholt_add_test(kelvane_sms_gui_tests
  SOURCES bulk_sms_page_test.cpp
  LIBRARIES kelvane_sms_gui kelvane_shell kelvane_excel_export_testing kelvane_ui_testing kelvane_data_testing
            kelvane_qt_gtest_main
  LABEL console
  QT)
