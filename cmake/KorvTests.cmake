# GoogleTest from Debian's sources, and the registration of one test program per source folder.
add_subdirectory(/usr/src/googletest "${PROJECT_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)
enable_testing()

# One display and one wineserver serve the whole ctest run: a setup test starts them, a cleanup
# test stops them, and every test requires the fixture (so "ctest -R x" pulls it in too).
add_test(NAME wine_session_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run --lane ${KORV_LANE} --session start)
add_test(NAME wine_session_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run --lane ${KORV_LANE} --session stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# korv_add_test_program(<name> LABEL <label> SOURCES ... LIBS ...)
# One ctest test per GoogleTest case, so a crash in one case hides nothing. The tests share one
# pointer, keyboard focus and clipboard, so they never run at the same time (RESOURCE_LOCK).
function(korv_add_test_program name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} korv_test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 300
    PROPERTIES LABELS ${ARG_LABEL} FIXTURES_REQUIRED wine RESOURCE_LOCK desktop TIMEOUT 120)
endfunction()
