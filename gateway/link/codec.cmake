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
