# Runs velmora-host as a process of its own, the way a user does, with a session script on
# its standard input, and checks its exit status and transcript. The session scripts run
# through `velmora-host batch`; this keeps the process's own standard input and exit status
# under test.
#
# Called as: cmake -DHOST=... -DCOMPONENT=... -DSCRIPT=... -DWORK=... [-DEMULATOR=a|b|c]
#            -DSTATUS=N -DOUTPUT=<regex> -P run_process.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(run_process.cmake HOST COMPONENT SCRIPT WORK STATUS OUTPUT)
emulator_launcher(launcher)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/profile")
execute_process(COMMAND ${launcher} "${HOST}" --component "${COMPONENT}"
                        --profile "${WORK}/profile" -
                INPUT_FILE "${SCRIPT}"
                RESULT_VARIABLE status
                OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
string(REPLACE "\r\n" "\n" output "${output}")
if(NOT status STREQUAL STATUS OR NOT output MATCHES "${OUTPUT}")
    message(FATAL_ERROR "velmora-host exited with ${status} (expected ${STATUS}); the output "
                        "should match '${OUTPUT}':\n${output}")
endif()
message(STATUS "velmora-host exited with ${status}; its output matches")
