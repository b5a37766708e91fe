# Runs the velmora-host demo twice, once natively and once from the Windows build (through
# the emulator), and checks that the two transcripts are the same. Only what has to differ
# between the two is set aside: line endings, the component path and temporary profile
# folder named on the first line, and the component's file name.
#
# Called as: cmake -DNATIVE_HOST=... -DWINDOWS_HOST=... [-DEMULATOR=a|b|c] -P compare_demo.cmake
# Without a native host the test is skipped (ctest's SKIP_REGULAR_EXPRESSION matches the
# message), unless the environment variable VERANDEL_REQUIRE_NATIVE_DEMO is set, as CI does:
# there a missing native host is a failure.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(compare_demo.cmake NATIVE_HOST WINDOWS_HOST)

if(NOT EXISTS "${NATIVE_HOST}")
    set(problem "no native velmora-host at ${NATIVE_HOST}: build the default preset first")
    if(DEFINED ENV{VERANDEL_REQUIRE_NATIVE_DEMO})
        message(FATAL_ERROR "${problem}")
    endif()
    message("${problem}: VERANDEL_DEMO_CHECK_SKIPPED")
    return()
endif()

emulator_launcher(launcher)

# Sets <name> to the demo's transcript as compared.
function(demo_transcript name)
    execute_process(COMMAND ${ARGN} --demo
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN} --demo exited with ${status}:\n${out}${err}")
    endif()
    string(REPLACE "\r\n" "\n" out "${out}")
    if(NOT out MATCHES "^# velmora-host demo: component ([^\n]*), fresh profile [^\n]*")
        message(FATAL_ERROR "${ARGN} --demo: unexpected first line:\n${out}")
    endif()
    # The component's file name (libverandel.so, verandel.dll) also shows where the host
    # reports what it loaded.
    string(REGEX MATCH "[^/\\]+$" file_name "${CMAKE_MATCH_1}")
    string(FIND "${out}" "\n" first_end)
    string(SUBSTRING "${out}" ${first_end} -1 out)
    string(PREPEND out "# velmora-host demo: component <path>, fresh profile <path>")
    string(REPLACE "${file_name}" "<component file>" out "${out}")
    set(${name} "${out}" PARENT_SCOPE)
endfunction()

demo_transcript(native "${NATIVE_HOST}")
demo_transcript(windows ${launcher} "${WINDOWS_HOST}")

if(NOT native STREQUAL windows)
    message(FATAL_ERROR "The demo transcripts differ.\n"
                        "--- native ---\n${native}--- windows ---\n${windows}")
endif()
string(REGEX MATCHALL "\n" lines "${native}")
list(LENGTH lines count)
message(STATUS "The demo transcripts are the same (${count} lines)")
