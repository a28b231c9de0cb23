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

# orvel_idl(<target> <idl> [NO_TYPELIB] [IMPORT_DIRS <dirs...>]) (windows configuration only)
# Compiles an IDL file with widl into <name>.h, <name>_i.c and <name>.tlb in the current binary
# folder and makes <target> a static library of the interface identifiers whose users get the
# generated header. The type library's path is the target's ORVEL_TLB property (for a TYPELIB
# resource). NO_TYPELIB is for an IDL without a library block, of which widl writes no type
# library (a missing output would make every build run widl again).
if(ORVEL_WINDOWS AND ORVEL_WINDOWS_64)
  find_program(ORVEL_WIDL NAMES x86_64-w64-mingw32-widl REQUIRED)
  find_path(ORVEL_STDOLE_DIR stdole2.tlb PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
elseif(ORVEL_WINDOWS)
  find_program(ORVEL_WIDL NAMES i686-w64-mingw32-widl REQUIRED)
  find_path(ORVEL_STDOLE_DIR stdole2.tlb PATHS /usr/lib/i386-linux-gnu/wine/i386-windows
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
endif()
if(ORVEL_WINDOWS)
  find_path(ORVEL_WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
endif()
function(orvel_idl target idl)
  cmake_parse_arguments(I "NO_TYPELIB" "" "IMPORT_DIRS" ${ARGN})
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(idl_dir ${idl_path} DIRECTORY)
  get_filename_component(name ${idl} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(includes -I${idl_dir} -I${out})
  foreach(dir ${I_IMPORT_DIRS})
    list(APPEND includes -I${dir})
  endforeach()
  set(tlb_output ${out}/${name}.tlb)
  set(tlb_options -t -T ${out}/${name}.tlb)
  if(I_NO_TYPELIB)
    set(tlb_output)
    set(tlb_options)
  endif()
  add_custom_command(
    OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${tlb_output}
    COMMAND ${ORVEL_WIDL} ${includes} -I${ORVEL_WINE_IDL_DIR} -L${ORVEL_STDOLE_DIR}
            -h -H ${out}/${name}.h -u -U ${out}/${name}_i.c ${tlb_options} ${idl_path}
    DEPENDS ${idl_path}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  add_library(${target} STATIC ${out}/${name}_i.c ${out}/${name}.h)
  target_include_directories(${target} PUBLIC ${out})
  target_link_libraries(${target} PUBLIC ole32 oleaut32 uuid)
  set_target_properties(${target} PROPERTIES ORVEL_TLB ${out}/${name}.tlb)
  add_custom_target(${target}_files DEPENDS ${out}/${name}.h ${tlb_output})
  add_dependencies(${target} ${target}_files)
endfunction()

# orvel_win98_test(<name> <target> PROGRAMS <exe names...> [STOP <image>] [ARGS <args...>])
# (windows configuration only) Runs <target> once more with Wine reporting Windows 98 to it and to
# the other programs named (the servers it starts), so that Ambrel's ANSI paths carry the run.
# It runs alone: the versions are set for those programs' names, whoever starts them.
function(orvel_win98_test name target)
  cmake_parse_arguments(W "" "STOP" "PROGRAMS;ARGS" ${ARGN})
  set(programs $<TARGET_FILE_NAME:${target}> ${W_PROGRAMS})
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DWINE_RUN=${PROJECT_SOURCE_DIR}/tools/wine-run
                   -DPROGRAM=$<TARGET_FILE:${target}> "-DPROGRAMS=${programs}" "-DARGS=${W_ARGS}"
                   -DSTOP=${W_STOP} -P ${PROJECT_SOURCE_DIR}/cmake/RunInWin98.cmake
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES RUN_SERIAL ON
                       ENVIRONMENT "ORVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

