include(GoogleTest)

# Adds every target named in `unit` suites to this target, so that the
# sanitizer build compiles only what the unit label runs.
add_custom_target(unit_suites)

# quilbex_test_suite(<name> LABEL <unit|gui|e2e|fuzz|bench|package> LIBS <targets...> SOURCES <files...>
#                    [PROPERTIES <test property> <value>...])
# One executable per test folder; each GoogleTest case becomes one CTest test
# carrying the label (and the given test properties). Discovery happens when
# the tests run, not when they build.
function(quilbex_test_suite name)
  cmake_parse_arguments(A "" "LABEL;TIMEOUT" "LIBS;SOURCES;PROPERTIES" ${ARGN})
  if(NOT A_LABEL)
    message(FATAL_ERROR "quilbex_test_suite(${name}): LABEL is required")
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Tests of the `gui` label share the one display that the test run has and
  # drive it with real pointer and key input: two at once would click into
  # each other's windows, so they take turns (other labels run beside them;
  # `e2e` tests bring a display of their own).
  set(lock)
  if(A_LABEL STREQUAL "gui")
    set(lock RESOURCE_LOCK shared_display)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES LABELS ${A_LABEL} TIMEOUT ${A_TIMEOUT} ${lock} ${A_PROPERTIES})
  if(A_LABEL STREQUAL "unit")
    add_dependencies(unit_suites ${name})
  endif()
endfunction()
