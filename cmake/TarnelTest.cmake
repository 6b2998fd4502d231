include(GoogleTest)

# tarnel_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per test folder; every test case becomes a CTest test.
function(tarnel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
