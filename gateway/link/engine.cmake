# brantlet_engine: the modem session engine (link, tasks, task queue, engine tick) over
# brantlet_codec. Also its test kit (manual timers and clock, scripted fake modem, event
# recorder), reused by the tests of the control, its tests and its benchmark. No Qt.
if(TARGET brantlet_codec)
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

  set(brantlet_engine_testkit_sources
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_modem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_timer_host.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_event_sink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_pdus.cpp
  )
  add_library(brantlet_engine_testkit STATIC ${brantlet_engine_testkit_sources})
  target_link_libraries(brantlet_engine_testkit PUBLIC brantlet_engine)

  brantlet_add_gateway_tests(brantlet_engine_tests
    ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fake_modem_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modem_engine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/send_task_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/receive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_test.cpp
  )
  target_link_libraries(brantlet_engine_tests PRIVATE brantlet_engine_testkit GTest::gtest_main)

  # Not a test: prints the engine's own cost (see the top of the file).
  add_executable(bench_engine ${CMAKE_CURRENT_LIST_DIR}/bench_engine.cpp)
  target_link_libraries(bench_engine PRIVATE brantlet_engine_testkit util)

  # The whole engine under libFuzzer, 20 seconds in the sanitizer build.
  brantlet_add_fuzz_target(engine_fuzz
    SECONDS 20
    WORK engine
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_main.cpp
      ${brantlet_engine_sources}
      ${brantlet_engine_testkit_sources}
      ${brantlet_codec_sources})
endif()
