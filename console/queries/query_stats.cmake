# Query statistics and their charts: the logic in kelvane_queries, the page in a library of
# its own that stands in for the shell's empty page.
target_sources(kelvane_queries PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/log_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/query_stats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/query_chart_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chart_day_labels.cpp)

varnholt_add_test(kelvane_query_stats_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/query_stats_test.cpp ${CMAKE_CURRENT_LIST_DIR}/chart_day_labels_test.cpp
  LIBRARIES kelvane_queries kelvane_data_testing GTest::gtest_main
  LABEL console)

if(VARNHOLT_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Charts)
  add_library(kelvane_query_stats_gui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/query_stats_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/query_stats_chart.cpp)
  set_target_properties(kelvane_query_stats_gui PROPERTIES AUTOMOC ON)
  target_include_directories(kelvane_query_stats_gui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(kelvane_query_stats_gui PUBLIC kelvane_queries kelvane_ui kelvane_widgets Qt6::Widgets Qt6::Charts)
  set_property(GLOBAL APPEND PROPERTY KELVANE_PAGE_LIBRARIES kelvane_query_stats_gui)

  varnholt_add_test(kelvane_query_stats_gui_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/query_stats_page_test.cpp
    LIBRARIES kelvane_query_stats_gui kelvane_ui_testing kelvane_data_testing kelvane_qt_gtest_main
    LABEL console
    QT)
endif()
