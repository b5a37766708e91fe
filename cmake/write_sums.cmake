# Writes SHA256SUMS for the package: a line "<sha256>  <path in the package>" for each file,
# sorted by path, as `sha256sum -c` reads them.
#
# Called as: cmake -DOUTPUT=<file> -DFILES=<path in package>=<file>|... -P write_sums.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_arguments(write_sums.cmake OUTPUT FILES)

string(REPLACE "|" ";" entries "${FILES}")
list(SORT entries)
set(text "")
foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^([^=]+)=(.+)$")
        message(FATAL_ERROR "write_sums.cmake: '${entry}' is not <path in package>=<file>")
    endif()
    file(SHA256 "${CMAKE_MATCH_2}" sum)
    string(APPEND text "${sum}  ${CMAKE_MATCH_1}\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
