# brantlet_engine: the modem session engine (link, tasks, task queue, engine tick) over
# brantlet_codec. No Qt.
set(brantlet_engine_sources
  ${CMAKE_CURRENT_LIST_DIR}/command_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/init_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modem_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modem_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modem_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/read_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send_task.cpp
  ${CMAKE_CURRENT_LIST_DIR}/task_queue.cpp
)
add_library(brantlet_engine STATIC ${brantlet_engine_sources})
set_target_properties(brantlet_engine PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(brantlet_engine PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(brantlet_engine PUBLIC brantlet_codec)

varnholt_add_test(brantlet_engine_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/testing/fake_modem_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modem_engine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/send_task_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/receive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recovery_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/long_message_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_test.cpp
  LIBRARIES brantlet_engine_testing GTest::gtest_main
  LABEL gateway)
