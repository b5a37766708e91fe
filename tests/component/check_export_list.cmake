# Fails unless the shared library defines exactly one dynamic symbol: velmora_get_interface.
# Usage: cmake -DNM=<nm> -DLIBRARY=<libverandel.so> -P check_export_list.cmake

execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
                OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "")
        continue()
    endif()
    # "<address> <type> <name>": the name is the last field.
    string(REGEX REPLACE "^.*[ \t]" "" name "${line}")
    list(APPEND names "${name}")
endforeach()

if(NOT names STREQUAL "velmora_get_interface")
    message(FATAL_ERROR "defined dynamic symbols of ${LIBRARY} are [${names}], "
                        "expected velmora_get_interface alone")
endif()
message(STATUS "exports: ${names}")
