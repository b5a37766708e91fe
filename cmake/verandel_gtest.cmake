# GoogleTest for the unit tests. A native build uses the installed package. A cross build
# cannot: the installed libraries are for the build machine, so GoogleTest is compiled for
# the target from the sources Debian ships with libgtest-dev (same targets, GTest::*).
if(CMAKE_CROSSCOMPILING)
    set(VERANDEL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
        "GoogleTest sources, built along with the tests in cross builds")
    if(NOT EXISTS ${VERANDEL_GTEST_SOURCE_DIR}/CMakeLists.txt)
        message(FATAL_ERROR "No GoogleTest sources in ${VERANDEL_GTEST_SOURCE_DIR} "
                            "(Debian: apt-get install libgtest-dev)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VERANDEL_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest
                     EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest REQUIRED)
endif()
