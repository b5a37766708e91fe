# Cross build for 32-bit Windows with MinGW-w64 (posix thread model), run under Wine.
# Debian packages: g++-mingw-w64-i686-posix, binutils-mingw-w64-i686, wine, wine32:i386
# (.ci/windows-setup.sh installs them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VERANDEL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VERANDEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VERANDEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VERANDEL_MINGW_TRIPLE}-windres)

# Headers and libraries come from the target's sysroot only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VERANDEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows executables through Wine, in a prefix of this build's own so that a
# run neither depends on nor disturbs the user's ~/.wine. Wine's own diagnostics are silenced:
# the output is the programs' output only.
find_program(VERANDEL_WINE wine)
if(VERANDEL_WINE)
    set(VERANDEL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${CMAKE_COMMAND};-E;env;WINEPREFIX=${VERANDEL_WINEPREFIX};WINEDEBUG=-all;${VERANDEL_WINE}")
endif()
