# What a Windows (MinGW-w64) build adds: one output folder, the GCC runtime beside the
# programs, the component's version resource and export list, and checks of the built DLL.
#
# Included right after project(), before any target exists, so the output folder applies to
# every program and library.

enable_language(RC)

# verandel.dll, velmora-host.exe, the test programs and the GCC runtime share one folder:
# Windows resolves a program's DLLs from the program's own folder, so this is the layout in
# which all of them run without PATH changes.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin")

# Everything links the GCC runtime as DLLs (the compiler's default here). That is what lets a
# C++ exception thrown in verandel.dll be caught by the program that loaded it: both must
# unwind through the same libgcc_s_dw2-1.dll. libstdc++-6.dll and libgcc_s_dw2-1.dll need
# libwinpthread-1.dll (posix thread model).
set(VERANDEL_GCC_RUNTIME_NAMES libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
set(VERANDEL_GCC_RUNTIME "")
foreach(name IN LISTS VERANDEL_GCC_RUNTIME_NAMES)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler does not know where ${name} is (got '${path}')")
    endif()
    get_filename_component(path "${path}" REALPATH)
    list(APPEND VERANDEL_GCC_RUNTIME "${path}")
endforeach()

set(runtime_copies "")
foreach(path IN LISTS VERANDEL_GCC_RUNTIME)
    get_filename_component(name "${path}" NAME)
    set(copy "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}")
    add_custom_command(OUTPUT "${copy}"
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different "${path}" "${copy}"
                       DEPENDS "${path}"
                       COMMENT "Copying ${name} beside the programs")
    list(APPEND runtime_copies "${copy}")
endforeach()
add_custom_target(verandel_gcc_runtime ALL DEPENDS ${runtime_copies})

# A user copies these into the player's components folder (see the README).
install(FILES ${VERANDEL_GCC_RUNTIME} DESTINATION components)

# Gives the component its version resource and its export list, installs it, and checks the
# built file. The .def names the one export explicitly: the undecorated name does not then
# depend on how the compiler decorates the function.
function(verandel_windows_component target)
    target_sources(${target} PRIVATE
                   ${PROJECT_SOURCE_DIR}/component/verandel.rc
                   ${PROJECT_SOURCE_DIR}/component/verandel.def)
    add_dependencies(${target} verandel_gcc_runtime)
    # The same sources give the same bytes: no link time in the PE headers (the time stamp
    # is 0), and no path of the source or build folder in what the compiler writes.
    target_link_options(${target} PRIVATE LINKER:--no-insert-timestamp)
    target_compile_options(${target} PRIVATE
                           -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                           -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
    install(TARGETS ${target} RUNTIME DESTINATION components LIBRARY DESTINATION components)

    # The release package's build runs these checks too, without the other tests.
    if(NOT VERANDEL_BUILD_TESTS AND NOT VERANDEL_PACKAGE)
        return()
    endif()
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(checker ${PROJECT_SOURCE_DIR}/tests/windows/check_component_dll.py)
    add_test(NAME component_dll_pe
             COMMAND ${Python3_EXECUTABLE} ${checker} $<TARGET_FILE:${target}>
                     --runtime ${VERANDEL_GCC_RUNTIME_NAMES})
    # The checker must refuse a DLL that is not the component (its export table differs).
    add_test(NAME component_dll_pe_rejects_other_dll
             COMMAND ${Python3_EXECUTABLE} ${checker}
                     ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/libstdc++-6.dll
                     --runtime ${VERANDEL_GCC_RUNTIME_NAMES})
    set(refusal "FAIL  exports exactly one name[^\n]*found: exports [0-9]+ names")
    set_tests_properties(component_dll_pe_rejects_other_dll PROPERTIES
                         PASS_REGULAR_EXPRESSION "${refusal}")
endfunction()

# The demo transcript from the Windows build must equal the native one. velmora-host is
# defined later (tools/), so the test is registered once the top folder has been read.
set(VERANDEL_NATIVE_HOST "${PROJECT_SOURCE_DIR}/build/default/velmora-host" CACHE FILEPATH
    "Native velmora-host whose demo transcript the Windows build's is compared with")
function(verandel_windows_demo_check)
    if(NOT VERANDEL_BUILD_TESTS OR NOT TARGET velmora-host)
        return()
    endif()
    string(REPLACE ";" "|" emulator "${CMAKE_CROSSCOMPILING_EMULATOR}")
    add_test(NAME demo_matches_native
             COMMAND ${CMAKE_COMMAND}
                     -DNATIVE_HOST=${VERANDEL_NATIVE_HOST}
                     -DWINDOWS_HOST=$<TARGET_FILE:velmora-host>
                     -DEMULATOR=${emulator}
                     -P ${PROJECT_SOURCE_DIR}/tests/windows/compare_demo.cmake)
    set_tests_properties(demo_matches_native PROPERTIES
                         SKIP_REGULAR_EXPRESSION "VERANDEL_DEMO_CHECK_SKIPPED")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL verandel_windows_demo_check)

# Every ctest run gets a newly created Wine prefix and a Wine server of its own, stopped at
# the end (see wine_test_session.cmake).
if(CMAKE_CROSSCOMPILING AND VERANDEL_WINE AND VERANDEL_WINEPREFIX)
    set(session "${CMAKE_COMMAND} -DWINE=${VERANDEL_WINE} -DPREFIX=${VERANDEL_WINEPREFIX}")
    set(script "${CMAKE_CURRENT_LIST_DIR}/wine_test_session.cmake")
    file(WRITE "${PROJECT_BINARY_DIR}/CTestCustom.cmake"
         "set(CTEST_CUSTOM_PRE_TEST \"${session} -DACTION=start -P ${script}\")\n"
         "set(CTEST_CUSTOM_POST_TEST \"${session} -DACTION=stop -P ${script}\")\n")
endif()
