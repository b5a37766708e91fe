# Runs many session scripts in one velmora-host process: prepares each session's plan (as
# run_session.cmake -DMODE=prepare), runs all the plans in one `velmora-host batch`, and
# leaves each session's results in its WORK folder for run_session.cmake -DMODE=check.
#
# Called as: cmake -DSESSIONS=<list> -DHOST=... -DRUN_SESSION=... -DWORK=<dir>
#            [-DEMULATOR=a|b|c] -P run_sessions.cmake
# The list has a line a session: the -D arguments of its run_session.cmake, tab-separated.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(run_sessions.cmake SESSIONS HOST RUN_SESSION WORK)

emulator_launcher(launcher)

file(MAKE_DIRECTORY "${WORK}")
set(plan "${WORK}/all-sessions.plan")
file(WRITE "${plan}" "")
file(STRINGS "${SESSIONS}" sessions)
set(count 0)
foreach(session IN LISTS sessions)
    string(REPLACE "\t" ";" args "${session}")
    string(REGEX MATCH "-DWORK=[^;]*" work_arg "${args}")
    string(REPLACE "-DWORK=" "" session_work "${work_arg}")
    execute_process(COMMAND ${CMAKE_COMMAND} ${args} -DMODE=prepare -P "${RUN_SESSION}"
                    RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "preparing ${session_work} failed:\n${errors}")
    endif()
    file(READ "${session_work}/plan" steps)
    file(APPEND "${plan}" "${steps}")
    math(EXPR count "${count} + 1")
endforeach()

string(TIMESTAMP started "%s")
execute_process(COMMAND ${launcher} "${HOST}" batch "${plan}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(TIMESTAMP finished "%s")
math(EXPR seconds "${finished} - ${started}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "velmora-host batch ${plan} exited with ${status}:\n${output}")
endif()
message(STATUS "${count} sessions ran in one velmora-host process in ${seconds} s")
