# cmake -DWINE_RUN=<tools/wine-run> -DPROGRAM=<exe> "-DPROGRAMS=<a.exe;b.exe>" "-DARGS=<args>"
#       [-DSTOP=<image>] -P RunInWin98.cmake
# Runs PROGRAM once with Wine reporting Windows 98 to it and to every program named in PROGRAMS
# (an AppDefaults Version each), then takes the versions away again. STOP names a server that an
# earlier test may have left running in the ordinary mode; the run waits for it to end first, so
# that it starts its own, and waits again afterwards, so that the next test does not meet the
# server of this one.
cmake_minimum_required(VERSION 3.25)

# Waits until no process of the image STOP runs any more. The tests' servers end on their own
# once idle (the tests shorten that limit); one still running after 20 s is ended by force. A
# server ended by force can leave its class registered for a while, and the next start of it
# then fails, so force is the last resort only.
function(wait_for_stop)
  string(TOLOWER "${STOP}" image)
  foreach(attempt RANGE 40)
    execute_process(COMMAND ${WINE_RUN} tasklist OUTPUT_VARIABLE running ERROR_QUIET)
    string(TOLOWER "${running}" running)
    string(FIND "${running}" "${image}" found)
    if(found EQUAL -1)
      return()
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.5)
  endforeach()
  message(STATUS "${STOP} still runs: ended by force")
  execute_process(COMMAND ${WINE_RUN} taskkill /F /IM ${STOP} OUTPUT_QUIET ERROR_QUIET)
endfunction()

foreach(exe IN LISTS PROGRAMS)
  execute_process(COMMAND ${WINE_RUN} reg add "HKCU\\Software\\Wine\\AppDefaults\\${exe}" /v Version /d win98 /f
                  OUTPUT_QUIET ERROR_QUIET)
endforeach()
message(STATUS "Windows 98 for: ${PROGRAMS}")
if(STOP)
  wait_for_stop()
endif()
execute_process(COMMAND ${WINE_RUN} ${PROGRAM} ${ARGS} RESULT_VARIABLE result)
foreach(exe IN LISTS PROGRAMS)
  execute_process(COMMAND ${WINE_RUN} reg delete "HKCU\\Software\\Wine\\AppDefaults\\${exe}" /f
                  OUTPUT_QUIET ERROR_QUIET)
endforeach()
if(STOP)
  wait_for_stop()
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} in Windows 98 mode: ${result}")
endif()
