# quellor_headers(<target> <folder>)
# Exposes <folder>'s headers, and nothing else, to <target> and to whatever links it. The include
# root is a directory in the build tree holding one link to the source folder, so "engine/X.h"
# resolves only for targets that link the engine: the build, not good will, keeps the layers.
function(quellor_headers target folder)
  string(MAKE_C_IDENTIFIER "${folder}" id)
  set(root ${CMAKE_BINARY_DIR}/include/${id})
  set(link ${root}/${folder})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${link})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# quellor_test(<name> SOURCES <files...> LIBS <targets...> [LINUX_ONLY])
# Builds one GoogleTest executable and registers it with CTest. In the Windows
# cross-build the test runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(quellor_test name)
  cmake_parse_arguments(T "LINUX_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if(T_LINUX_ONLY AND QUELLOR_WINDOWS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main quellor_test_support)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# quellor_platform_sources(<list-var>)
# Platform files are named *Win.cpp (Windows build only) and *Linux.cpp or, where they speak Xlib,
# *X11.cpp (Linux build only): removes the other platform's from the list.
function(quellor_platform_sources var)
  set(files ${${var}})
  if(QUELLOR_WINDOWS)
    list(FILTER files EXCLUDE REGEX "(Linux|X11)\\.cpp$")
  else()
    list(FILTER files EXCLUDE REGEX "Win\\.cpp$")
  endif()
  set(${var} ${files} PARENT_SCOPE)
endfunction()
