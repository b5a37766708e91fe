# The release package, verandel-<version>-win32.zip, written by CPack's ZIP generator into
# the build folder (`cpack` there, or the release workflow's package step). It holds
#   components/   verandel.dll and the three GCC runtime DLLs (verandel_windows.cmake's
#                 install rules)
#   README.txt    for the player's user (packaging/README.txt.in)
#   LICENSE.txt   the licences, and where the runtime DLLs' source is (written at build
#                 time by write_licence_notice.cmake)
#   SHA256SUMS    the sum of every other file
# Two builds of the same commit give the same bytes: verandel_cpack_config.cmake fixes the
# times, the install step the files' modes, verandel_cpack_staged.cmake the folders' modes,
# and a component install the order of the entries.
#
# Included from the top folder when VERANDEL_PACKAGE is on, after the targets exist.

if(NOT MINGW)
    message(FATAL_ERROR "VERANDEL_PACKAGE: the package holds the Windows DLL; configure "
                        "with the MinGW-w64 toolchain (cmake --preset release)")
endif()

set(VERANDEL_PACKAGE_DIR ${PROJECT_BINARY_DIR}/package)
set(readme ${VERANDEL_PACKAGE_DIR}/README.txt)
set(licence ${VERANDEL_PACKAGE_DIR}/LICENSE.txt)
set(sums ${VERANDEL_PACKAGE_DIR}/SHA256SUMS)

# Windows line ends: the texts are for a Windows user.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${readme} @ONLY
               NEWLINE_STYLE CRLF)

string(REPLACE ";" "|" runtime_list "${VERANDEL_GCC_RUNTIME}")
file(GLOB licence_texts CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/licences/*.txt)
set(notice_script ${CMAKE_CURRENT_LIST_DIR}/write_licence_notice.cmake)
add_custom_command(OUTPUT ${licence}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${licence} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DVERSION=${PROJECT_VERSION} -DCOMPILER=${CMAKE_CXX_COMPILER}
            "-DRUNTIME=${runtime_list}" -P ${notice_script}
    DEPENDS ${notice_script} ${PROJECT_SOURCE_DIR}/LICENSE ${licence_texts}
            ${VERANDEL_GCC_RUNTIME}
    COMMENT "Writing the package's LICENSE.txt (licences, and where the runtime's source is)"
    VERBATIM)

set(summed "components/verandel.dll=$<TARGET_FILE:verandel>"
           "README.txt=${readme}" "LICENSE.txt=${licence}")
foreach(path IN LISTS VERANDEL_GCC_RUNTIME)
    get_filename_component(name "${path}" NAME)
    list(APPEND summed "components/${name}=${path}")
endforeach()
string(REPLACE ";" "|" summed "${summed}")
set(sums_script ${CMAKE_CURRENT_LIST_DIR}/write_sums.cmake)
add_custom_command(OUTPUT ${sums}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${sums} "-DFILES=${summed}" -P ${sums_script}
    DEPENDS ${sums_script} verandel ${readme} ${licence} ${VERANDEL_GCC_RUNTIME}
    COMMENT "Writing the package's SHA256SUMS"
    VERBATIM)
add_custom_target(verandel_package_files ALL DEPENDS ${licence} ${sums})

install(FILES ${readme} ${licence} ${sums} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME verandel)
set(CPACK_PACKAGE_VENDOR "the Verandel developers")
set(CPACK_PACKAGE_FILE_NAME verandel-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The entries straight at the top: the user unpacks the archive into a folder of its own.
# A component install (everything is in the one default component) because CPack then
# takes each component's files in sorted order, and otherwise in the order the file system
# lists them.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_VERANDEL_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/verandel_cpack_config.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/verandel_cpack_staged.cmake)
# (Before include(CPack), which leaves CPACK_PACKAGE_FILE_NAME set to its source package's.)
set(VERANDEL_PACKAGE_FILE ${PROJECT_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip)
include(CPack)

# The DLL checks run before the package is written (label dll), the package's own tests
# after (label package); see the release workflow in CMakePresets.json.
set_tests_properties(component_dll_pe component_dll_pe_rejects_other_dll PROPERTIES
                     LABELS dll)
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/release ${PROJECT_BINARY_DIR}/tests/release)
