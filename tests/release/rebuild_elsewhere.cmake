# Builds the release a second time from a copy of the sources in another folder, under
# another name, and checks that verandel.dll and the package come out byte for byte the same
# as this build's.
#
# Called as: cmake -DSOURCE_DIR=<sources> -DDLL=<this build's verandel.dll> -DZIP=<package>
#                  -DWORK=<dir> -P rebuild_elsewhere.cmake
#
# The copy holds the files git knows of in SOURCE_DIR (tracked, and new ones not ignored), as
# they are in the work tree, so that uncommitted changes are in both builds. It is not a
# clone, so its package takes the commit's time from here: SOURCE_DATE_EPOCH as set, or the
# time of SOURCE_DIR's last commit.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(rebuild_elsewhere.cmake SOURCE_DIR DLL ZIP WORK)
if(NOT EXISTS "${ZIP}")
    message(FATAL_ERROR "no package at ${ZIP}: run cpack in the build folder first (the "
                        "release workflow's package step)")
endif()

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${output}")
    endif()
    set(run_output "${output}" PARENT_SCOPE)
endfunction()

set(copy "${WORK}/elsewhere/other-name")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${copy}")

# One name a line (git quotes names with unusual characters, which the sources do not have).
execute_process(COMMAND git -C "${SOURCE_DIR}" ls-files --cached --others --exclude-standard
                OUTPUT_FILE "${WORK}/files.txt" RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "git ls-files failed in ${SOURCE_DIR} (${status}): ${errors}")
endif()
file(STRINGS "${WORK}/files.txt" files)
set(copied 0)
foreach(f IN LISTS files)
    if(EXISTS "${SOURCE_DIR}/${f}" AND NOT IS_DIRECTORY "${SOURCE_DIR}/${f}")
        get_filename_component(dir "${copy}/${f}" DIRECTORY)
        file(MAKE_DIRECTORY "${dir}")
        file(COPY_FILE "${SOURCE_DIR}/${f}" "${copy}/${f}")
        math(EXPR copied "${copied} + 1")
    endif()
endforeach()
message(STATUS "copied ${copied} files of ${SOURCE_DIR} to ${copy}")

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    run("git log" git -C "${SOURCE_DIR}" log -1 --format=%ct)
    string(STRIP "${run_output}" epoch)
endif()

# The same preset, in the copy's own build folder; the reference host is not needed there.
set(build "${copy}/build/release")
run("configuring the copy" ${CMAKE_COMMAND} --preset release -S "${copy}"
    -DVERANDEL_BUILD_TOOLS=OFF)
run("building the copy" ${CMAKE_COMMAND} --build "${build}")
# Under another umask and in another time zone, which must not show in the package either.
execute_process(COMMAND sh -c "umask 077 && exec \"$@\"" sh
                        ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch} TZ=JST-9 cpack
                WORKING_DIRECTORY "${build}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "packaging the copy failed (${status}):\n${output}")
endif()

get_filename_component(zip_name "${ZIP}" NAME)
set(report "")
foreach(pair "verandel.dll|${DLL}|${build}/bin/verandel.dll" "${zip_name}|${ZIP}|${build}/${zip_name}")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 here)
    list(GET pair 2 there)
    file(SHA256 "${here}" sum_here)
    file(SHA256 "${there}" sum_there)
    file(SIZE "${here}" size)
    message(STATUS "${name}: ${sum_here} (${size} bytes) here, ${sum_there} elsewhere")
    if(NOT sum_here STREQUAL sum_there)
        string(APPEND report "${name} differs:\n  ${here}\n  ${there}\n")
    endif()
endforeach()

if(NOT report STREQUAL "")
    # Which entries of the two packages differ.
    foreach(side here there)
        file(MAKE_DIRECTORY "${WORK}/unpacked-${side}")
    endforeach()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}"
                    WORKING_DIRECTORY "${WORK}/unpacked-here")
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${build}/${zip_name}"
                    WORKING_DIRECTORY "${WORK}/unpacked-there")
    file(GLOB_RECURSE entries RELATIVE "${WORK}/unpacked-here" "${WORK}/unpacked-here/*")
    foreach(entry IN LISTS entries)
        file(SHA256 "${WORK}/unpacked-here/${entry}" a)
        set(b "missing")
        if(EXISTS "${WORK}/unpacked-there/${entry}")
            file(SHA256 "${WORK}/unpacked-there/${entry}" b)
        endif()
        if(NOT a STREQUAL b)
            string(APPEND report "  entry ${entry} differs\n")
        endif()
    endforeach()
    message(FATAL_ERROR "Two builds of the same sources differ:\n${report}")
endif()
message(STATUS "the build in ${copy} gave the same verandel.dll and ${zip_name}")
