# quellor_test(<name> SOURCES <files...> LIBS <targets...> [LINUX_ONLY])
# Builds one GoogleTest executable and registers it with CTest. In the Windows
# cross-build the test runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(quellor_test name)
  cmake_parse_arguments(T "LINUX_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if(T_LINUX_ONLY AND QUELLOR_WINDOWS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
