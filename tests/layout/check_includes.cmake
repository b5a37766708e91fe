# Checks that the project's includes point one way: each folder may include from the folders
# listed for it below (and its own), nothing else of the project's. A header of the folder's
# own, named without a folder (tools/ names its files so), counts as its own.
#
# Called as: cmake -DSOURCE_DIR=<project> -P check_includes.cmake

cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED SOURCE_DIR)
    message(FATAL_ERROR "check_includes.cmake needs -DSOURCE_DIR=...")
endif()

set(project_folders varo host config order_memory component tools)
set(allowed_varo varo)
set(allowed_host host varo)
set(allowed_config config host varo)
set(allowed_order_memory order_memory config host varo)
set(allowed_component component order_memory config host varo)
set(allowed_tools host)

set(report "")
set(checked 0)
foreach(folder IN LISTS project_folders)
    file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h"
         "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h.in")
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^#include \"[^\"]+\"")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
            if(NOT included MATCHES "/")
                continue() # a file beside it
            endif()
            string(REGEX REPLACE "/.*" "" target_folder "${included}")
            if(NOT target_folder IN_LIST project_folders)
                string(APPEND report "${source}: includes ${included}, not a folder of the project's\n")
            elseif(NOT target_folder IN_LIST allowed_${folder})
                string(APPEND report "${source}: includes ${included}; ${folder}/ may include only from ${allowed_${folder}}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(NOT report STREQUAL "")
    message(FATAL_ERROR "includes that point the wrong way:\n${report}")
endif()
message(STATUS "${checked} files of ${project_folders}: every include points the allowed way")
