# The batch page, the batch dialog and the page's commands: the Qt part of this folder.
# It stands in for the shell's empty page 1 and uses the shell's dialog services
# (kelvane_ui), whose folder is read after this one; targets are linked by name.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(kelvane_batches_gui STATIC
  batch_dialog.cpp
  product_batch_page.cpp
  sticker_printer.cpp)
set_target_properties(kelvane_batches_gui PROPERTIES AUTOMOC ON)
target_include_directories(kelvane_batches_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kelvane_batches_gui PUBLIC kelvane_batches kelvane_ui kelvane_widgets Qt6::Widgets)
# The shell's page host builds this page in place of its empty one.
set_property(GLOBAL APPEND PROPERTY KELVANE_PAGE_LIBRARIES kelvane_batches_gui)

varnholt_add_test(kelvane_batches_gui_tests
  SOURCES batch_dialog_test.cpp product_batch_page_test.cpp sticker_printer_test.cpp
  LIBRARIES kelvane_batches_gui kelvane_ui_testing kelvane_data_testing kelvane_qt_gtest_main
  LABEL console
  QT)
