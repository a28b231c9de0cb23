# cmake -DWINE_RUN=<tools/wine-run> -DPROGRAM=<exe> "-DPROGRAMS=<a.exe;b.exe>" "-DARGS=<args>"
#       [-DSTOP=<image>] -P RunInWin98.cmake
# Runs PROGRAM once with Wine reporting Windows 98 to it and to every program named in PROGRAMS
# (an AppDefaults Version each), then takes the versions away again. STOP names a server that an
# earlier test may have left running in the ordinary mode; it is ended first, so that the run
# starts its own.
cmake_minimum_required(VERSION 3.25)
foreach(exe IN LISTS PROGRAMS)
  execute_process(COMMAND ${WINE_RUN} reg add "HKCU\\Software\\Wine\\AppDefaults\\${exe}" /v Version /d win98 /f
                  OUTPUT_QUIET ERROR_QUIET)
endforeach()
message(STATUS "Windows 98 for: ${PROGRAMS}")
if(STOP)
  execute_process(COMMAND ${WINE_RUN} taskkill /F /IM ${STOP} OUTPUT_QUIET ERROR_QUIET)
endif()
execute_process(COMMAND ${WINE_RUN} ${PROGRAM} ${ARGS} RESULT_VARIABLE result)
foreach(exe IN LISTS PROGRAMS)
  execute_process(COMMAND ${WINE_RUN} reg delete "HKCU\\Software\\Wine\\AppDefaults\\${exe}" /f
                  OUTPUT_QUIET ERROR_QUIET)
endforeach()
if(STOP)
  execute_process(COMMAND ${WINE_RUN} taskkill /F /IM ${STOP} OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} in Windows 98 mode: ${result}")
endif()
