# What the scripts run with `cmake -P` share: checking their -D arguments and turning
# the emulator they are given into a command prefix.
#
#   include(<this file>)
#   require_arguments(SCRIPT_NAME VAR...)  fails unless every VAR was passed with -DVAR=...
#   emulator_launcher(OUT_VAR)             OUT_VAR: the list in -DEMULATOR=a|b|c (empty without)
#
# The emulator (Wine for Windows builds) is a list; it travels as one |-separated word.

function(require_arguments script)
    foreach(required IN LISTS ARGN)
        if(NOT DEFINED ${required})
            message(FATAL_ERROR "${script} needs -D${required}=...")
        endif()
    endforeach()
endfunction()

function(emulator_launcher out_var)
    set(launcher "")
    if(DEFINED EMULATOR AND NOT EMULATOR STREQUAL "")
        string(REPLACE "|" ";" launcher "${EMULATOR}")
    endif()
    set(${out_var} "${launcher}" PARENT_SCOPE)
endfunction()
