# Runs one session script through velmora-host in a fresh profile and checks the result.
#
# Called as: cmake -DHOST=... -DCOMPONENT=... -DSCRIPT=... -DWORK=... [-DEMULATOR=a|b|c]
#            [-DMODE=prepare|check] -P run_session.cmake
#
# What the host is to do is written as a plan for `velmora-host batch` (WORK/plan): lay the
# profile's binary files, run the setup script, keep a copy of the profile, run the session.
# Without MODE the plan runs here, in a host process of its own, and the outcome is checked.
# MODE=prepare only writes the plan and MODE=check only checks what a batch left in WORK, so
# that one host process can run the plans of many sessions in between (run_sessions.cmake).
#
# The script's own lines that start with "#!" tell what to check (the host takes them for
# comments):
#   #! status N             the exit status (default 0)
#   #! output REGEX         a transcript line matches REGEX; each one after the line the
#                           previous `output` matched, so together they check an order
#   #! no-output REGEX      no transcript line matches REGEX
#   #! file NAME HEX...     the profile holds NAME with these bytes before the run
#   #! text NAME WORDS...   appends the line WORDS to the profile's text file NAME
#   #! setup SCRIPT         runs SCRIPT (beside this one, or in -DSETUP_DIR) first, in the
#                           same profile; it must succeed
#   #! unchanged            every profile file is the same after the run as before it
#   #! stdin                the script goes in on standard input ("-")
#   #! args WORDS...        run velmora-host with these arguments instead; @PROFILE@,
#                           @COMPONENT@ and @SCRIPT@ stand for those paths
#   #! json PATH... = VALUE the standard output is JSON and holds VALUE at PATH
#   #! json-length PATH... = N   the array at PATH (none: the whole) has N elements
#   #! json-type PATH... = TYPE  the value at PATH is of TYPE (STRING, NUMBER, ARRAY, ...)
# Directive lines echoed in the transcript are left out before matching, so a check can
# never match its own text.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(run_session.cmake HOST COMPONENT SCRIPT WORK)
if(NOT DEFINED MODE)
    set(MODE all)
endif()
set(preparing FALSE)
set(checking FALSE)
if(MODE STREQUAL "all" OR MODE STREQUAL "prepare")
    set(preparing TRUE)
endif()
if(MODE STREQUAL "all" OR MODE STREQUAL "check")
    set(checking TRUE)
endif()
if(NOT preparing AND NOT checking)
    message(FATAL_ERROR "run_session.cmake: unknown MODE ${MODE}")
endif()

set(profile "${WORK}/profile")
set(profile_before "${WORK}/profile-before")
set(plan "${WORK}/plan")
if(preparing)
    file(REMOVE_RECURSE "${WORK}")
    file(MAKE_DIRECTORY "${profile}")
    file(WRITE "${plan}" "")
endif()
get_filename_component(script_dir "${SCRIPT}" DIRECTORY)
if(DEFINED SETUP_DIR)
    set(script_dir "${SETUP_DIR}") # scripts generated into the build tree
endif()

emulator_launcher(launcher)

# Appends a step, its fields separated by tabs, to the plan (when preparing). The fields go
# through list(JOIN), which keeps empty ones.
function(plan_step)
    if(preparing)
        list(JOIN ARGN "\t" line)
        file(APPEND "${plan}" "${line}\n")
    endif()
endfunction()

# A run of the host with the words in the list named by `args_var` and standard input from
# `input` (empty: none); `prefix` names its results, read back by read_results.
function(plan_run prefix args_var input)
    plan_step(run "${WORK}" "${WORK}/${prefix}" "${input}" ${${args_var}})
endfunction()

# Sets <prefix>_status, <prefix>_stdout and <prefix>_output (standard output then standard
# error) from the results of the run named `prefix`.
function(read_results prefix)
    foreach(part status stdout stderr)
        if(NOT EXISTS "${WORK}/${prefix}.${part}")
            message(FATAL_ERROR "no ${prefix}.${part} in ${WORK}: the plan did not run")
        endif()
        file(READ "${WORK}/${prefix}.${part}" ${part})
        string(REPLACE "\r\n" "\n" ${part} "${${part}}")
    endforeach()
    string(STRIP "${status}" status)
    set(${prefix}_status "${status}" PARENT_SCOPE)
    set(${prefix}_stdout "${stdout}" PARENT_SCOPE)
    set(${prefix}_output "${stdout}${stderr}" PARENT_SCOPE)
endfunction()

function(substitute out_var text)
    string(REPLACE "@PROFILE@" "${profile}" text "${text}")
    string(REPLACE "@COMPONENT@" "${COMPONENT}" text "${text}")
    string(REPLACE "@SCRIPT@" "${SCRIPT}" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# The files below `directory` and their hashes, as one string.
function(snapshot out_var directory)
    file(GLOB_RECURSE files RELATIVE "${directory}" "${directory}/*")
    list(SORT files)
    set(result "")
    foreach(f IN LISTS files)
        file(SHA256 "${directory}/${f}" hash)
        string(APPEND result "${f}=${hash}\n")
    endforeach()
    set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

# Splits `text` into the variables <prefix>_0, <prefix>_1, ... and sets <prefix>_count.
# Walked by hand: a CMake list would split lines at semicolons and join them across
# unbalanced brackets.
function(split_lines prefix text)
    set(count 0)
    while(NOT text STREQUAL "")
        string(FIND "${text}" "\n" end)
        if(end EQUAL -1)
            set(line "${text}")
            set(text "")
        else()
            string(SUBSTRING "${text}" 0 ${end} line)
            math(EXPR next "${end} + 1")
            string(SUBSTRING "${text}" ${next} -1 text)
        endif()
        string(REGEX REPLACE "\r$" "" line "${line}")
        set(${prefix}_${count} "${line}" PARENT_SCOPE)
        math(EXPR count "${count} + 1")
    endwhile()
    set(${prefix}_count ${count} PARENT_SCOPE)
endfunction()

# --- Read the directives -------------------------------------------------------------------
set(expected_status 0)
set(output_count 0)
set(forbidden_count 0)
set(json_count 0)
set(setup "")
set(unchanged FALSE)
set(use_stdin FALSE)
set(custom_args "")
set(has_custom_args FALSE)
file(READ "${SCRIPT}" script_text)
split_lines(script_line "${script_text}")
set(index 0)
while(index LESS script_line_count)
    set(line "${script_line_${index}}")
    math(EXPR index "${index} + 1")
    if(NOT line MATCHES "^#!")
        continue()
    elseif(line MATCHES "^#! status ([0-9]+)$")
        set(expected_status "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#! output (.*)$")
        set(output_${output_count} "${CMAKE_MATCH_1}")
        math(EXPR output_count "${output_count} + 1")
    elseif(line MATCHES "^#! no-output (.*)$")
        set(forbidden_${forbidden_count} "${CMAKE_MATCH_1}")
        math(EXPR forbidden_count "${forbidden_count} + 1")
    elseif(line MATCHES "^#! file ([^ ]+) ?(.*)$")
        # CMake strings cannot hold NUL bytes: the host writes the file.
        plan_step(bytes "${profile}/${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    elseif(line MATCHES "^#! text ([^ ]+) (.*)$")
        if(preparing)
            file(APPEND "${profile}/${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}\n")
        endif()
    elseif(line MATCHES "^#! setup (.+)$")
        set(setup "${script_dir}/${CMAKE_MATCH_1}")
    elseif(line STREQUAL "#! unchanged")
        set(unchanged TRUE)
    elseif(line STREQUAL "#! stdin")
        set(use_stdin TRUE)
    elseif(line MATCHES "^#! args (.*)$")
        substitute(words "${CMAKE_MATCH_1}")
        separate_arguments(custom_args UNIX_COMMAND "${words}")
        set(has_custom_args TRUE)
    elseif(line MATCHES "^#! json(-length|-type)?(.*) = (.*)$")
        set(json_kind_${json_count} "${CMAKE_MATCH_1}")
        set(json_path_${json_count} "${CMAKE_MATCH_2}")
        set(json_value_${json_count} "${CMAKE_MATCH_3}")
        math(EXPR json_count "${json_count} + 1")
    elseif(NOT line MATCHES "^#! component ")
        message(FATAL_ERROR "unknown directive: ${line}")
    endif()
endwhile()

# --- Plan and run ---------------------------------------------------------------------------
if(NOT setup STREQUAL "")
    set(setup_args --component "${COMPONENT}" --profile "${profile}" "${setup}")
    plan_run(setup setup_args "")
endif()
if(unchanged)
    plan_step(copy "${profile}" "${profile_before}")
endif()

if(has_custom_args)
    set(args ${custom_args})
elseif(use_stdin)
    set(args --component "${COMPONENT}" --profile "${profile}" -)
else()
    set(args --component "${COMPONENT}" --profile "${profile}" "${SCRIPT}")
endif()
set(input "")
if(use_stdin)
    set(input "${SCRIPT}")
endif()
plan_run(run args "${input}")

if(MODE STREQUAL "all")
    execute_process(COMMAND ${launcher} "${HOST}" batch "${plan}"
                    RESULT_VARIABLE batch_status
                    OUTPUT_VARIABLE batch_output
                    ERROR_VARIABLE batch_output)
    if(NOT batch_status EQUAL 0)
        message(FATAL_ERROR "velmora-host batch ${plan} exited with ${batch_status}:\n"
                            "${batch_output}")
    endif()
endif()
if(NOT checking)
    return()
endif()

# --- Check --------------------------------------------------------------------------------
if(NOT setup STREQUAL "")
    read_results(setup)
    if(NOT setup_status EQUAL 0)
        message(FATAL_ERROR "setup ${setup} exited with ${setup_status}:\n${setup_output}")
    endif()
endif()
read_results(run)

set(report "")
if(NOT run_status STREQUAL expected_status)
    string(APPEND report "exit status ${run_status}, expected ${expected_status}\n")
endif()

# The transcript's lines, without the directives it echoes.
split_lines(raw "${run_output}")
set(line_count 0)
set(index 0)
while(index LESS raw_count)
    if(NOT raw_${index} MATCHES "^#!")
        set(transcript_line_${line_count} "${raw_${index}}")
        math(EXPR line_count "${line_count} + 1")
    endif()
    math(EXPR index "${index} + 1")
endwhile()

set(position 0)
set(check 0)
while(check LESS output_count)
    set(pattern "${output_${check}}")
    math(EXPR check "${check} + 1")
    set(found FALSE)
    while(position LESS line_count)
        set(line "${transcript_line_${position}}")
        math(EXPR position "${position} + 1")
        if(line MATCHES "${pattern}")
            set(found TRUE)
            break()
        endif()
    endwhile()
    if(NOT found)
        string(APPEND report "no line matching '${pattern}' (in order)\n")
    endif()
endwhile()

set(check 0)
while(check LESS forbidden_count)
    set(pattern "${forbidden_${check}}")
    math(EXPR check "${check} + 1")
    set(index 0)
    while(index LESS line_count)
        if(transcript_line_${index} MATCHES "${pattern}")
            string(APPEND report "line '${transcript_line_${index}}' matches '${pattern}'\n")
        endif()
        math(EXPR index "${index} + 1")
    endwhile()
endwhile()

set(check 0)
while(check LESS json_count)
    set(kind "${json_kind_${check}}")
    set(path "${json_path_${check}}")
    set(wanted "${json_value_${check}}")
    math(EXPR check "${check} + 1")
    separate_arguments(path UNIX_COMMAND "${path}")
    if(kind STREQUAL "-length")
        string(JSON actual ERROR_VARIABLE problem LENGTH "${run_stdout}" ${path})
    elseif(kind STREQUAL "-type")
        string(JSON actual ERROR_VARIABLE problem TYPE "${run_stdout}" ${path})
    else()
        string(JSON actual ERROR_VARIABLE problem GET "${run_stdout}" ${path})
    endif()
    if(problem)
        string(APPEND report "JSON ${path}: ${problem}\n")
    elseif(NOT actual STREQUAL wanted)
        string(APPEND report "JSON ${path}: '${actual}', expected '${wanted}'\n")
    endif()
endwhile()

if(unchanged)
    snapshot(before "${profile_before}")
    snapshot(after "${profile}")
    if(NOT before STREQUAL after)
        string(APPEND report "the profile changed:\nbefore:\n${before}after:\n${after}")
    endif()
endif()

if(NOT report STREQUAL "")
    # Printed as it is: message() would reflow the transcript.
    file(WRITE "${WORK}/report.txt" "${SCRIPT}\n${report}--- output ---\n${run_output}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${WORK}/report.txt")
    message(FATAL_ERROR "the session did not go as expected")
endif()
message(STATUS "${SCRIPT}: exit status ${run_status}, all checks hold")
