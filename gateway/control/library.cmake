# libbrantlet.so: CBrantletCtrl over the modem engine, the event-loop integration and the
# C binding, on the engine of gateway/link.

# CBrantletCtrl for C++ hosts (and the tests), linked statically.
add_library(brantlet_control STATIC
  ${CMAKE_CURRENT_LIST_DIR}/brantlet_ctrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timerfd_timer_host.cpp
)
target_link_libraries(brantlet_control PUBLIC brantlet_engine brantlet_control_meta)
set_target_properties(brantlet_control PROPERTIES POSITION_INDEPENDENT_CODE ON)

add_library(brantlet SHARED
  ${CMAKE_CURRENT_LIST_DIR}/brantlet_c_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/brantlet_module.cpp
)
target_link_libraries(brantlet PRIVATE brantlet_control ${CMAKE_DL_LIBS})
target_include_directories(brantlet PUBLIC
  $<BUILD_INTERFACE:${CMAKE_CURRENT_LIST_DIR}/include>
  $<INSTALL_INTERFACE:include>)
target_compile_definitions(brantlet PRIVATE BRANTLET_BUILDING_LIBRARY)
set_target_properties(brantlet PROPERTIES
  VERSION 1.0.0
  SOVERSION 1
  C_VISIBILITY_PRESET hidden
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/brantlet.map)
# Exactly the functions of brantlet.h leave the library; the static parts stay inside.
target_link_options(brantlet PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/brantlet.map
  -Wl,--no-undefined)

install(TARGETS brantlet LIBRARY DESTINATION lib)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/include/brantlet/brantlet.h DESTINATION include/brantlet)
install(FILES ${BRANTLET_TYPELIB} DESTINATION lib)

# A host in plain C that sees nothing but brantlet.h.
add_executable(brantlet_c_host_example ${CMAKE_CURRENT_LIST_DIR}/c_host_example.c)
target_link_libraries(brantlet_c_host_example PRIVATE brantlet)
target_compile_options(brantlet_c_host_example PRIVATE -std=c11 -pedantic)

# The simulator and its test support are defined in tools/ after this folder; names,
# generator expressions and dependencies on them resolve at generation time.
varnholt_add_test(brantlet_control_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/timerfd_timer_host_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/brantlet_c_api_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/integration_test.cpp
  LIBRARIES brantlet brantlet_control gsm_modem_sim_testing GTest::gtest_main
  LABEL gateway)
target_compile_definitions(brantlet_control_tests PRIVATE
  BRANTLET_LIBRARY_FILE="$<TARGET_FILE:brantlet>"
  BRANTLET_C_HOST_EXAMPLE="$<TARGET_FILE:brantlet_c_host_example>")
add_dependencies(brantlet_control_tests gsm-modem-sim brantlet_c_host_example)

# Benchmark (not a test): end-to-end messages per minute against the simulator.
add_executable(bench_brantlet_end_to_end ${PROJECT_SOURCE_DIR}/bench/bench_brantlet_end_to_end.cpp)
target_link_libraries(bench_brantlet_end_to_end PRIVATE brantlet)
target_compile_definitions(bench_brantlet_end_to_end PRIVATE GSM_MODEM_SIM_BINARY="$<TARGET_FILE:gsm-modem-sim>")
add_dependencies(bench_brantlet_end_to_end gsm-modem-sim)
