# Cross toolchain for the Windows builds; tests run through Wine. ORVEL_MINGW_TARGET is the
# processor: i686 for the 32-bit deliverables (the default), x86_64 for the 64-bit test build of the
# same sources (machines that cannot run 32-bit Wine).
if(NOT ORVEL_MINGW_TARGET)
  set(ORVEL_MINGW_TARGET i686)
endif()
# The compile checks that CMake runs in a project of their own read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVEL_MINGW_TARGET)
set(triple ${ORVEL_MINGW_TARGET}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORVEL_MINGW_TARGET})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
