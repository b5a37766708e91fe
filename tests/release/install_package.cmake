# Installs the release package the way README.txt tells a user, in a folder laid out like the
# player's, and runs it there under Wine.
#
# Called as: cmake -DZIP=... -DWAY=components_folder|beside_player -DHOST=<velmora-host.exe>
#                  -DPROBE=<load_probe.exe> -DOBJDUMP=... -DSCRIPT=<session>
#                  -DRUN_SESSION=<run_session.cmake> -DWORK=<dir> [-DEMULATOR=a|b|c]
#                  -P install_package.cmake
#
# As README.txt says: the archive is unpacked into a folder of its own (WORK/download), then
#   components_folder (A): its components folder is copied into the player's folder, all
#                          four DLLs in WORK/player/components;
#   beside_player (B):     verandel.dll goes into WORK/player/components, the three runtime
#                          DLLs beside the player's program.
# velmora-host.exe, in WORK/player, stands for the player and plays install.session against
# WORK/player/components/verandel.dll. Unlike the player, velmora-host is built with the GCC
# runtime as DLLs: in (A) it takes its own copies from a folder on Wine's PATH, so they are
# not the ones the package put beside verandel.dll. What (A) itself promises is checked with
# load_probe.exe, which needs no runtime DLL: loaded the way (A) is for, verandel.dll gets
# every runtime DLL from the components folder; loaded plainly, it does not load at all.
# In (B) the probe loads it plainly and it gets them from the player's folder.

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_arguments(install_package.cmake ZIP WAY HOST PROBE OBJDUMP SCRIPT RUN_SESSION WORK)
if(NOT EXISTS "${ZIP}")
    message(FATAL_ERROR "no package at ${ZIP}: run cpack in the build folder first (the "
                        "release workflow's package step)")
endif()
emulator_launcher(launcher)
set(runtime_names libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)

set(download "${WORK}/download")
set(player "${WORK}/player")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${download}" "${player}/components")

execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${download}"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${ZIP}: ${errors}")
endif()
foreach(name verandel.dll ${runtime_names})
    if(NOT EXISTS "${download}/components/${name}")
        message(FATAL_ERROR "the package has no components/${name}")
    endif()
endforeach()

file(COPY_FILE "${HOST}" "${player}/velmora-host.exe")
set(session_launcher ${launcher})
if(WAY STREQUAL "components_folder")
    file(COPY "${download}/components" DESTINATION "${player}")
    # velmora-host's own runtime, away from the player's folder.
    get_filename_component(host_dir "${HOST}" DIRECTORY)
    file(MAKE_DIRECTORY "${WORK}/host-runtime")
    foreach(name IN LISTS runtime_names)
        file(COPY_FILE "${host_dir}/${name}" "${WORK}/host-runtime/${name}")
    endforeach()
    list(FIND session_launcher "${CMAKE_COMMAND}" at)
    if(NOT at EQUAL 0 OR launcher STREQUAL "")
        message(FATAL_ERROR "EMULATOR is not a `cmake -E env ...` command: ${EMULATOR}")
    endif()
    # cmake -E env NAME=VALUE...: one more variable after "env".
    list(INSERT session_launcher 3 "WINEPATH=${WORK}/host-runtime")
elseif(WAY STREQUAL "beside_player")
    file(COPY_FILE "${download}/components/verandel.dll" "${player}/components/verandel.dll")
    foreach(name IN LISTS runtime_names)
        file(COPY_FILE "${download}/components/${name}" "${player}/${name}")
    endforeach()
else()
    message(FATAL_ERROR "install_package.cmake: unknown WAY ${WAY}")
endif()

# --- The probe: where Windows finds verandel.dll's runtime DLLs -----------------------------
execute_process(COMMAND "${OBJDUMP}" -p "${PROBE}" OUTPUT_VARIABLE headers RESULT_VARIABLE status)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT status EQUAL 0 OR imports STREQUAL "")
    message(FATAL_ERROR "cannot read the imports of ${PROBE}")
endif()
foreach(name IN LISTS runtime_names)
    string(FIND "${imports}" "DLL Name: ${name}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "${PROBE} imports ${name} itself; it must bring no runtime DLL "
                            "(${imports})")
    endif()
endforeach()
file(COPY_FILE "${PROBE}" "${player}/load_probe.exe")

set(report "")
# Runs the probe with `args`; sets probe_status and probe_output.
function(run_probe)
    # In WORK, where no DLL lies: Windows also looks in the current folder.
    execute_process(COMMAND ${launcher} "${player}/load_probe.exe" ${ARGN}
                    WORKING_DIRECTORY "${WORK}"
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    string(REPLACE "\r\n" "\n" output "${output}")
    message(STATUS "load_probe ${ARGN}: exit status ${status}\n${output}${errors}")
    set(probe_status "${status}" PARENT_SCOPE)
    set(probe_output "${output}" PARENT_SCOPE)
endfunction()
# Every runtime DLL of the loaded component came from `folder` (a Windows path ending in
# `suffix`, which is matched against the probe's "NAME from PATH" lines).
function(expect_runtime_from suffix label)
    foreach(name IN LISTS runtime_names)
        string(REPLACE "+" "\\+" pattern "${name}")
        string(REPLACE "." "\\." pattern "${pattern}")
        if(NOT probe_output MATCHES "(^|\n)${pattern} from [^\n]*${suffix}\\\\${pattern}\n")
            string(APPEND report "${label}: ${name} not loaded from ${suffix}\n")
        endif()
    endforeach()
    set(report "${report}" PARENT_SCOPE)
endfunction()
function(expect_loaded label)
    if(NOT probe_status EQUAL 0 OR NOT probe_output MATCHES "^loaded\n"
       OR NOT probe_output MATCHES "\nclient version 72, 4 factories\n")
        string(APPEND report "${label}: the component did not load and answer\n")
    endif()
    set(report "${report}" PARENT_SCOPE)
endfunction()

if(WAY STREQUAL "components_folder")
    run_probe("${player}/components/verandel.dll")
    expect_loaded("altered search path")
    expect_runtime_from("\\\\player\\\\components" "altered search path")
    # Without the altered search path, Windows does not look in the components folder:
    # error 126, a module not found. This is why README.txt offers way B.
    run_probe(--plain "${player}/components/verandel.dll")
    if(NOT probe_status EQUAL 1 OR NOT probe_output MATCHES "^cannot load: system error 126\n")
        string(APPEND report "plain load: expected system error 126, a DLL not found\n")
    endif()
else()
    run_probe(--plain "${player}/components/verandel.dll")
    expect_loaded("plain load")
    expect_runtime_from("\\\\player" "plain load")
endif()

# --- The session, velmora-host standing for the player --------------------------------------
string(REPLACE ";" "|" session_emulator "${session_launcher}")
execute_process(COMMAND ${CMAKE_COMMAND}
                        -DHOST=${player}/velmora-host.exe
                        -DCOMPONENT=${player}/components/verandel.dll
                        -DSCRIPT=${SCRIPT}
                        -DWORK=${WORK}/session
                        -DEMULATOR=${session_emulator}
                        -P "${RUN_SESSION}"
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message(STATUS "${output}")
if(NOT status EQUAL 0)
    string(APPEND report "the session did not go as expected (above)\n")
endif()

if(NOT report STREQUAL "")
    message(FATAL_ERROR "installed as ${WAY}:\n${report}")
endif()
message(STATUS "installed as ${WAY}: loads, and the session holds")
