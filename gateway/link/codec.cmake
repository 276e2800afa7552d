# brantlet_codec: the serial port (termios), the SMS PDU codec and GBK text. No Qt.
add_library(brantlet_codec STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gbk_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gsm_alphabet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdu_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_link_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/termios_port.cpp
)
set_target_properties(brantlet_codec PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(brantlet_codec PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(brantlet_codec PUBLIC cxx_std_20)

add_executable(brantlet_codec_tests
  ${CMAKE_CURRENT_LIST_DIR}/gbk_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_record_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdu_codec_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdu_codec_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/termios_port_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pty_pair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/termios_probe.cpp
)
target_link_libraries(brantlet_codec_tests PRIVATE brantlet_codec util GTest::gtest_main)
target_compile_definitions(brantlet_codec_tests PRIVATE
  BRANTLET_FUZZ_CORPUS="${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus")
add_dependencies(gateway_tests brantlet_codec_tests)
gtest_discover_tests(brantlet_codec_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS gateway)

# The libFuzzer target over the decoders, built with clang whatever compiles the rest
# (libFuzzer comes with clang only). The sanitizer build runs it for 30 seconds from the
# seed replies; new inputs go to a folder of the build, never to the sources.
find_program(BRANTLET_FUZZ_CXX NAMES clang++-14 clang++)
if(BRANTLET_FUZZ_CXX)
  set(brantlet_fuzz_sources
    ${CMAKE_CURRENT_LIST_DIR}/pdu_codec_fuzz.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pdu_codec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gsm_alphabet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gbk_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_record.cpp
  )
  file(GLOB brantlet_fuzz_headers ${CMAKE_CURRENT_LIST_DIR}/*.h)
  set(brantlet_fuzz_bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/pdu_codec_fuzz)
  add_custom_command(
    OUTPUT ${brantlet_fuzz_bin}
    COMMAND ${BRANTLET_FUZZ_CXX} -std=c++20 -g -O1 -Wall -Wextra -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -I${CMAKE_CURRENT_LIST_DIR} ${brantlet_fuzz_sources} -o ${brantlet_fuzz_bin}
    DEPENDS ${brantlet_fuzz_sources} ${brantlet_fuzz_headers}
    COMMENT "Building the libFuzzer target pdu_codec_fuzz with clang"
    VERBATIM)
  add_custom_target(pdu_codec_fuzz DEPENDS ${brantlet_fuzz_bin})

  if(VARNHOLT_SANITIZE)
    add_dependencies(gateway_tests pdu_codec_fuzz)
    set(brantlet_fuzz_work ${CMAKE_BINARY_DIR}/fuzz/pdu_codec)
    file(MAKE_DIRECTORY ${brantlet_fuzz_work})
    add_test(NAME pdu_codec_fuzz
      COMMAND ${brantlet_fuzz_bin} -max_total_time=30 -timeout=10 -rss_limit_mb=2048
              -print_final_stats=1 -dict=${CMAKE_CURRENT_LIST_DIR}/pdu_codec_fuzz.dict
              ${brantlet_fuzz_work} ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus)
    set_tests_properties(pdu_codec_fuzz PROPERTIES LABELS gateway TIMEOUT 180)
  endif()
endif()
