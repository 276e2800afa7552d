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

  # Not a test: prints the engine's own cost (see the top of the file).
  add_executable(bench_engine ${CMAKE_CURRENT_LIST_DIR}/bench_engine.cpp)
  target_link_libraries(bench_engine PRIVATE brantlet_engine_testkit util)
endif()

# libFuzzer target over the whole engine, built with clang like the codec's fuzz target.
# The sanitizer build runs it for 20 seconds.
if(TARGET brantlet_engine)
  find_program(BRANTLET_ENGINE_FUZZ_CXX NAMES clang++-14 clang++)
endif()
if(TARGET brantlet_engine AND BRANTLET_ENGINE_FUZZ_CXX)
  set(engine_fuzz_sources
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz.cpp
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
    ${CMAKE_CURRENT_LIST_DIR}/fake_modem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manual_timer_host.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_event_sink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/test_pdus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pdu_codec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gsm_alphabet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gbk_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/termios_port.cpp
  )
  file(GLOB engine_fuzz_headers ${CMAKE_CURRENT_LIST_DIR}/*.h)
  set(engine_fuzz_bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/engine_fuzz)
  add_custom_command(
    OUTPUT ${engine_fuzz_bin}
    COMMAND ${BRANTLET_ENGINE_FUZZ_CXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_CURRENT_LIST_DIR} ${engine_fuzz_sources} -o ${engine_fuzz_bin}
    DEPENDS ${engine_fuzz_sources} ${engine_fuzz_headers}
    COMMENT "Building the libFuzzer target engine_fuzz with clang"
    VERBATIM)
  add_custom_target(engine_fuzz DEPENDS ${engine_fuzz_bin})

  if(VARNHOLT_SANITIZE)
    add_dependencies(gateway_tests engine_fuzz)
    set(engine_fuzz_work ${CMAKE_BINARY_DIR}/fuzz/engine)
    file(MAKE_DIRECTORY ${engine_fuzz_work})
    add_test(NAME engine_fuzz
      COMMAND ${engine_fuzz_bin} -max_total_time=20 -timeout=10 -rss_limit_mb=2048
              -print_final_stats=1 ${engine_fuzz_work})
    set_tests_properties(engine_fuzz PROPERTIES LABELS gateway TIMEOUT 180)
  endif()
endif()
