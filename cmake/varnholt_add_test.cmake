# One way to declare a GoogleTest binary anywhere in the tree:
#
#   varnholt_add_test(<target>
#     SOURCES   <file>...        every test file by name, never a glob or an EXISTS check:
#                                a renamed or missing file stops the configure step
#     LIBRARIES <target>...      linked PRIVATE (GTest::gtest_main or kelvane_qt_gtest_main
#                                is the caller's choice)
#     [LABEL    <label>]         ctest -L picks the cases; "gateway" also puts the binary
#                                into gateway_tests, which test.sh rebuilds under the
#                                sanitizers
#     [QT]                       runs the cases on Qt's offscreen platform
#     [TIMEOUT  <seconds>])      for each case, when CTest's default does not suit
#
# Compile definitions and extra dependencies are added afterwards on <target> as usual.

# What the sanitizer build compiles: every binary labelled "gateway" (and the fuzz targets,
# which add themselves).
add_custom_target(gateway_tests)

function(varnholt_add_test target)
  cmake_parse_arguments(ARG "QT" "LABEL;TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_SOURCES)
    message(FATAL_ERROR "varnholt_add_test(${target}): needs SOURCES; unknown: ${ARG_UNPARSED_ARGUMENTS}")
  endif()

  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES})

  set(properties "")
  if(ARG_LABEL)
    list(APPEND properties LABELS ${ARG_LABEL})
  endif()
  if(ARG_QT)
    list(APPEND properties ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  endif()
  if(ARG_TIMEOUT)
    list(APPEND properties TIMEOUT ${ARG_TIMEOUT})
  endif()
  # CTest names are GoogleTest's own (what --gtest_filter takes): a parameterised suite
  # names its cases with a name generator, never with a dump of the parameter's bytes.
  if(properties)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ${properties})
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
  endif()

  if(ARG_LABEL STREQUAL "gateway")
    add_dependencies(gateway_tests ${target})
  endif()
endfunction()
