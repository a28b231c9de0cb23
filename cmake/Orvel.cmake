# orvel_test(<name> SOURCES <files...> [LIBS <targets...>] [WORKING_DIRECTORY <dir>])
# Builds one GoogleTest executable and registers it as one CTest test. In the windows
# configuration CTest runs it through Wine (the cross-compiling emulator).
function(orvel_test name)
  cmake_parse_arguments(T "" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "ORVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
