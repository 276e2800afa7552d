# brantlet_engine: the modem session engine (link, tasks, task queue, engine tick) over
# brantlet_codec. Also its test kit (manual timers and clock, scripted fake modem, event
# recorder), reused by the tests of the control, its tests and its benchmark. No Qt.
if(TARGET brantlet_codec)
  add_library(brantlet_engine STATIC
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
  set_target_properties(brantlet_engine PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(brantlet_engine PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(brantlet_engine PUBLIC brantlet_codec)

  add_library(brantlet_engine_testkit STATIC
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_modem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_timer_host.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_event_sink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_pdus.cpp
  )
  target_link_libraries(brantlet_engine_testkit PUBLIC brantlet_engine)

  add_executable(brantlet_engine_tests
    ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_modem_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modem_engine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/send_task_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/receive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_test.cpp
  )
  target_link_libraries(brantlet_engine_tests PRIVATE brantlet_engine_testkit GTest::gtest_main)
  gtest_discover_tests(brantlet_engine_tests
    PROPERTIES LABELS gateway
    DISCOVERY_TIMEOUT 60)
  add_dependencies(gateway_tests brantlet_engine_tests)
endif()
