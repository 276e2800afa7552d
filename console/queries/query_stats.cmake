# Query statistics and their charts: the logic in kelvane_queries, the page in a library of
# its own that stands in for the shell's empty page.
target_sources(kelvane_queries PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/query_stats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/query_chart_data.cpp)

varnholt_add_test(kelvane_query_stats_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/query_stats_test.cpp
  LIBRARIES kelvane_queries kelvane_data_testing GTest::gtest_main
  LABEL console)
