# Writes the package's LICENSE.txt: which licence covers each file, where the runtime DLLs
# come from and where their source is, then the licence texts. Runs at build time, so what
# it says of the runtime DLLs is read from the very files that go into the package:
# each DLL's Debian package (dpkg), that package's version, the source packages it was built
# from, and a check that the file is the package's own, unchanged.
#
# Called as: cmake -DOUTPUT=<LICENSE.txt> -DSOURCE_DIR=<project> -DVERSION=<x.y.z>
#                  -DCOMPILER=<c++ compiler> -DRUNTIME=<dll>|<dll>|... -P write_licence_notice.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_arguments(write_licence_notice.cmake OUTPUT SOURCE_DIR VERSION COMPILER RUNTIME)
string(REPLACE "|" ";" runtime "${RUNTIME}")

find_program(dpkg_query dpkg-query)
if(NOT dpkg_query)
    message(FATAL_ERROR "dpkg-query not found: the package's licence notice names the Debian "
                        "packages the runtime DLLs come from, so it is built on Debian")
endif()

function(query out_var)
    execute_process(COMMAND ${dpkg_query} ${ARGN}
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "dpkg-query ${ARGN} failed (${status}): ${errors}")
    endif()
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

# Sets <prefix>_package (name:architecture), _version, _source, _source_version and
# _built_using for the Debian package that installed `file`; fails unless the file's bytes
# are those the package installed.
function(debian_origin prefix file)
    get_filename_component(real "${file}" REALPATH)
    query(owners -S "${real}")
    # Lines "package[:arch][, package...]: path"; diversions are reported on lines of their
    # own, which name no package this way.
    string(REPLACE "\n" ";" lines "${owners}")
    set(package "")
    foreach(line IN LISTS lines)
        string(LENGTH "${real}" path_length)
        string(LENGTH "${line}" line_length)
        math(EXPR split "${line_length} - ${path_length} - 2")
        if(split LESS 1)
            continue()
        endif()
        string(SUBSTRING "${line}" ${split} -1 tail)
        string(SUBSTRING "${line}" 0 ${split} head)
        if(tail STREQUAL ": ${real}" AND head MATCHES "^[a-z0-9.+-]+(:[a-z0-9]+)?$")
            set(package "${head}")
        endif()
    endforeach()
    if(package STREQUAL "")
        message(FATAL_ERROR "${real}: no single Debian package owns it (dpkg-query -S: ${owners})")
    endif()
    query(fields -W "-f=\${Package}:\${Architecture}\t\${Version}\t\${source:Package}\t\${source:Version}\t\${Built-Using}" "${package}")
    string(REPLACE "\t" ";" fields "${fields}")
    list(GET fields 0 name)
    list(GET fields 1 version)
    list(GET fields 2 source)
    list(GET fields 3 source_version)
    list(LENGTH fields field_count)
    set(built_using "")
    if(field_count GREATER 4)
        list(GET fields 4 built_using)
    endif()

    # The file must be the one the package installed: its MD5 against the package's list.
    query(sums_file --control-path "${package}" md5sums)
    file(STRINGS "${sums_file}" sums)
    string(REGEX REPLACE "^/" "" relative "${real}")
    set(recorded "")
    foreach(line IN LISTS sums)
        if(line MATCHES "^([0-9a-f]+)  (.*)$" AND CMAKE_MATCH_2 STREQUAL relative)
            set(recorded "${CMAKE_MATCH_1}")
        endif()
    endforeach()
    file(MD5 "${real}" actual)
    if(NOT recorded STREQUAL actual)
        message(FATAL_ERROR "${real} is not the file ${name} ${version} installed "
                            "(MD5 ${actual}, the package lists '${recorded}')")
    endif()

    foreach(field name version source source_version built_using)
        set(${prefix}_${field} "${${field}}" PARENT_SCOPE)
    endforeach()
endfunction()

# Every source package a binary package names: its own, and those it was built using
# ("gcc-12 (= 12.2.0-14+deb12u1)").
function(source_packages out_var prefix)
    set(result "${${prefix}_source} ${${prefix}_source_version}")
    string(REPLACE "," ";" used "${${prefix}_built_using}")
    foreach(entry IN LISTS used)
        if(entry MATCHES "^ *([^ ]+) \\(= ([^)]+)\\) *$")
            list(APPEND result "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
        endif()
    endforeach()
    set(${out_var} "${result}" PARENT_SCOPE)
endfunction()

set(origins "")
set(gpl_sources "")
set(other_sources "")
foreach(dll IN LISTS runtime)
    get_filename_component(name "${dll}" NAME)
    debian_origin(origin "${dll}")
    source_packages(sources origin)
    list(JOIN sources " and " source_text)
    list(LENGTH sources source_count)
    set(noun "source package")
    if(source_count GREATER 1)
        set(noun "source packages")
    endif()
    string(APPEND origins
           "  ${name}\n"
           "      from Debian package ${origin_name} ${origin_version},\n"
           "      built from ${noun} ${source_text}\n")
    if(name MATCHES "^libwinpthread")
        list(APPEND other_sources ${sources})
    else()
        list(APPEND gpl_sources ${sources})
    endif()
endforeach()
list(REMOVE_DUPLICATES gpl_sources)
list(REMOVE_DUPLICATES other_sources)
if(gpl_sources STREQUAL "")
    message(FATAL_ERROR "no GCC runtime DLL among ${RUNTIME}")
endif()

set(apt_words "")
set(gpl_list "")
foreach(entry IN LISTS gpl_sources)
    string(REPLACE " " ";" parts "${entry}")
    list(GET parts 0 package)
    list(GET parts 1 version)
    string(APPEND apt_words " ${package}=${version}")
    string(APPEND gpl_list "      ${package}, version ${version}\n")
endforeach()

list(JOIN other_sources " and " other_text)
string(REGEX REPLACE "([^ ]+) ([^ ]+)" "source package \\1, version \\2" other_text "${other_text}")

get_filename_component(compiler "${COMPILER}" REALPATH)
debian_origin(compiler "${compiler}")

file(READ "${SOURCE_DIR}/LICENSE" mit)
file(READ "${SOURCE_DIR}/packaging/licences/GPL-3.0.txt" gpl)
file(READ "${SOURCE_DIR}/packaging/licences/GCC-runtime-library-exception-3.1.txt" exception)
file(READ "${SOURCE_DIR}/packaging/licences/mingw-w64.txt" mingw)

set(rule "================================================================================")
set(text "Verandel ${VERSION} for Velmora: the licences of the files in this package
${rule}

  components/verandel.dll          MIT licence (section 1)
  README.txt, LICENSE.txt          MIT licence (section 1)
  components/libgcc_s_dw2-1.dll    GNU General Public License, version 3 or later
  components/libstdc++-6.dll       (section 2), with the GCC Runtime Library Exception,
                                   version 3.1 (section 3)
  components/libwinpthread-1.dll   MIT (Expat) licence, some of it under BSD licences or
                                   in the public domain (section 4)

Every DLL here also holds start-up code of the MinGW-w64 run-time, which is in the public
domain or under the Zope Public License 2.1 (section 4). verandel.dll also holds code that
GCC adds from its runtime libraries to what it compiles; the GCC Runtime Library Exception
(section 3) lets that code go out under the licence of the program, here the MIT licence.


Where the runtime DLLs come from, and where their source is
${rule}

The three runtime DLLs are the files of these Debian packages, unchanged (when this package
was built, each was checked against its Debian package's list of sums):

${origins}
The GNU General Public License asks that whoever passes on libgcc_s_dw2-1.dll and
libstdc++-6.dll in this form also makes their source available. Their complete
corresponding source is in Debian's source packages

${gpl_list}
On Debian, this command fetches them:

      apt-get source${apt_words}

and Debian's snapshot archive keeps every version of every source package it has
published.

The source of libwinpthread-1.dll is in ${other_text}.

verandel.dll was compiled by ${compiler_name} ${compiler_version}.
Its own source is Verandel's, release ${VERSION}, under the MIT licence.


Section 1. The MIT licence (Verandel)
${rule}

${mit}

Section 2. The GNU General Public License, version 3
${rule}

${gpl}

Section 3. The GCC Runtime Library Exception, version 3.1
${rule}

${exception}

Section 4. MinGW-w64
${rule}

${mingw}")

# Windows line ends: the text is for a Windows user.
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
