#!/usr/bin/env bash
# Installs what the Windows leg needs: the 32-bit MinGW-w64 cross toolchain (posix thread
# model) and Wine able to run 32-bit programs. Safe to run again: it does nothing when
# everything is there. Needs root (or sudo) and Debian's package archive.
set -euo pipefail

packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386)

have_everything() {
    command -v i686-w64-mingw32-g++-posix >/dev/null &&
        command -v i686-w64-mingw32-windres >/dev/null &&
        command -v i686-w64-mingw32-objdump >/dev/null &&
        command -v wine >/dev/null &&
        dpkg-query -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

if have_everything; then
    echo "windows-setup: toolchain and Wine already installed"
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

# wine32 is an i386 package: the architecture must be known before the index is read.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
# Recommends (fonts, sound and graphics stacks) are not needed to run console programs.
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"

have_everything || {
    echo "windows-setup: install finished but a tool is still missing" >&2
    exit 1
}
echo "windows-setup: done"
