# brantlet_codec: the serial port (termios), the SMS PDU codec and GBK text. No Qt.
set(brantlet_codec_sources
  ${CMAKE_CURRENT_LIST_DIR}/gbk_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gsm_alphabet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/link_time.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdu_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_link_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/termios_port.cpp
)
add_library(brantlet_codec STATIC ${brantlet_codec_sources})
set_target_properties(brantlet_codec PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(brantlet_codec PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(brantlet_codec PUBLIC cxx_std_20)

varnholt_add_test(brantlet_codec_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/gbk_text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_record_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pdu_codec_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/testing/pdu_codec_fuzz.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/termios_port_test.cpp
    # the data units a network delivers, to read back what was built
    ${CMAKE_CURRENT_LIST_DIR}/testing/test_pdus.cpp
  LIBRARIES brantlet_codec_testing GTest::gtest_main
  LABEL gateway)

target_compile_definitions(brantlet_codec_tests PRIVATE
  BRANTLET_FUZZ_CORPUS="${CMAKE_CURRENT_LIST_DIR}/testing/fuzz_corpus")
