# Runs velmora-host as a process of its own, the way a user does, with a session script on
# its standard input, and checks its exit status and transcript. The session scripts run
# through `velmora-host batch`; this keeps the process's own standard input and exit status
# under test.
#
# Called as: cmake -DHOST=... -DCOMPONENT=... -DSCRIPT=... -DWORK=... [-DEMULATOR=a|b|c]
#            -DSTATUS=N -DOUTPUT=<regex> -P run_process.cmake

cmake_minimum_required(VERSION 3.25)

foreach(required HOST COMPONENT SCRIPT WORK STATUS OUTPUT)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "run_process.cmake needs -D${required}=...")
    endif()
endforeach()
set(launcher "")
if(DEFINED EMULATOR AND NOT EMULATOR STREQUAL "")
    string(REPLACE "|" ";" launcher "${EMULATOR}")
endif()

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
