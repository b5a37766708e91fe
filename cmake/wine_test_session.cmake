# Brackets a ctest run under Wine (ctest calls it through CTestCustom.cmake).
#   -DACTION=start: replaces the build's Wine prefix with a newly created one, so every run
#     starts from a clean Windows profile, then starts Wine's server and system processes.
#   -DACTION=stop: stops them.
# Usage: cmake -DACTION=start|stop -DWINE=<wine> -DPREFIX=<dir> -P wine_test_session.cmake
#
# Starting the server here, detached from any output pipe, matters: otherwise the first test
# to run Wine starts it, the server and its system processes inherit that test's output, and
# ctest waits for them to exit before it counts the test as finished.
include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_arguments(wine_test_session.cmake ACTION WINE PREFIX)

get_filename_component(wine_dir "${WINE}" DIRECTORY)
find_program(wineserver NAMES wineserver HINTS "${wine_dir}" REQUIRED)

set(ENV{WINEPREFIX} "${PREFIX}")
set(ENV{WINEDEBUG} "-all")

# Runs a Wine command with no ties to ctest's pipes.
function(wine_detached)
    execute_process(COMMAND ${ARGN} INPUT_FILE /dev/null OUTPUT_FILE /dev/null
                    ERROR_FILE /dev/null RESULT_VARIABLE result)
    set(result ${result} PARENT_SCOPE)
endfunction()

if(ACTION STREQUAL "stop")
    if(EXISTS "${PREFIX}")
        wine_detached("${wineserver}" --kill)
    endif()
    return()
endif()
if(NOT ACTION STREQUAL "start")
    message(FATAL_ERROR "wine_test_session: unknown ACTION ${ACTION}")
endif()

# A server still running on the old prefix would keep serving the deleted files.
if(EXISTS "${PREFIX}")
    wine_detached("${wineserver}" --kill)
    file(REMOVE_RECURSE "${PREFIX}")
endif()

string(TIMESTAMP started "%s")
wine_detached("${WINE}" wineboot --init)
set(boot_result ${result})
# wineboot returns before the prefix is fully written; the server exits once it is.
wine_detached("${wineserver}" --wait)
string(TIMESTAMP finished "%s")
if(NOT boot_result EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
    message(FATAL_ERROR "wine_test_session: creating ${PREFIX} failed (${boot_result})")
endif()
math(EXPR seconds "${finished} - ${started}")
message(STATUS "Wine prefix ${PREFIX} created in ${seconds} s")

# The server outlives the tests by a minute at most, should the stop step never run.
wine_detached("${wineserver}" --persistent=60)
wine_detached("${WINE}" wineboot)
