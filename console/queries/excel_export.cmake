# The Excel export shared by the records page and the bulk SMS page: the workbook writer
# (no Qt) and the command around it (file chooser, progress, messages).
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)

add_library(kelvane_excel_export STATIC ${CMAKE_CURRENT_LIST_DIR}/excel_export.cpp)
target_include_directories(kelvane_excel_export PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kelvane_excel_export PUBLIC kelvane_data PRIVATE PkgConfig::XLSXWRITER)

# Reads workbooks back with Debian's python3-openpyxl.
add_library(kelvane_excel_export_testing STATIC ${CMAKE_CURRENT_LIST_DIR}/testing/workbook_reader.cpp)
target_include_directories(kelvane_excel_export_testing PUBLIC ${CMAKE_CURRENT_LIST_DIR}/testing)
target_compile_definitions(kelvane_excel_export_testing PRIVATE
  KELVANE_WORKBOOK_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/testing/workbook_cells.py")

varnholt_add_test(kelvane_excel_export_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/excel_export_test.cpp
  LIBRARIES kelvane_excel_export kelvane_excel_export_testing GTest::gtest_main
  LABEL console)

if(VARNHOLT_GUI)
  # The command uses the shell's Dialogs seam and the kit's list; both folders are read
  # after this one, so their targets are linked by name.
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(kelvane_excel_export_gui STATIC ${CMAKE_CURRENT_LIST_DIR}/export_list_to_excel.cpp)
  target_include_directories(kelvane_excel_export_gui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(kelvane_excel_export_gui PUBLIC kelvane_excel_export kelvane_ui kelvane_widgets Qt6::Widgets)

  varnholt_add_test(kelvane_excel_export_gui_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_list_to_excel_test.cpp
    LIBRARIES kelvane_excel_export_gui kelvane_excel_export_testing kelvane_ui_testing kelvane_qt_gtest_main
    LABEL console
    QT)
endif()
