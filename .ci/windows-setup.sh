#!/usr/bin/env bash
# Installs what the Windows leg needs: the 32-bit MinGW-w64 cross toolchain (posix thread
# model) and Wine able to run 32-bit programs. Wine for i386 is itself a set of i386 Linux
# programs; on a machine whose kernel cannot execute them ("Exec format error"), they run
# under qemu's user-mode emulator, registered with the kernel's binfmt_misc.
#
#   .ci/windows-setup.sh              install what is missing; prints how i386 programs run
#   .ci/windows-setup.sh --emulate    register the emulator even where i386 runs natively
#                                     (binfmt_misc handlers come before the kernel's own
#                                     loader, so this tries the emulated way on any machine)
#   .ci/windows-setup.sh --no-emulate remove that registration again
#
# Safe to run again: it installs and registers only what is missing. Needs root (or sudo)
# and Debian's package archive.
set -euo pipefail

mode=auto
case "${1:-}" in
    "") ;;
    --emulate) mode=emulate ;;
    --no-emulate) mode=no-emulate ;;
    *)
        echo "usage: $0 [--emulate | --no-emulate]" >&2
        exit 2
        ;;
esac

packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386)
binfmt=/proc/sys/fs/binfmt_misc
entry_name=qemu-i386

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
as_root() { "${sudo[@]}" "$@"; }
say() { echo "windows-setup: $*"; }
fail() {
    echo "windows-setup: $*" >&2
    exit 1
}

export DEBIAN_FRONTEND=noninteractive
apt_updated=false
apt_update() {
    if ! $apt_updated; then
        as_root apt-get update -q
        apt_updated=true
    fi
}

# --- 32-bit programs ------------------------------------------------------------------------

# The smallest i386 Linux program: a 52-byte ELF header, one loadable segment, and
# `mov eax, 1; mov ebx, 42; int 0x80` (exit with status 42). It needs no library, so it
# runs wherever the kernel, natively or through an emulator, runs i386 programs at all.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
probe="$probe_dir/i386-probe"
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
chmod +x "$probe"

probe_message=""
runs_i386() {
    local status=0
    probe_message=$("$probe" 2>&1) || status=$?
    if [ "$status" -eq 42 ]; then
        return 0
    fi
    [ -n "$probe_message" ] || probe_message="exit status $status"
    return 1
}

# The enabled binfmt_misc entry, if any, that takes i386 ELF programs (magic: ELF, 32-bit,
# little-endian; machine 3 at offset 18).
i386_handler() {
    local f
    [ -r "$binfmt/status" ] || return 1
    for f in "$binfmt"/*; do
        case "$(basename "$f")" in register | status) continue ;; esac
        grep -qx enabled "$f" 2>/dev/null || continue
        grep -q '^offset 0$' "$f" || continue
        grep -Eq '^magic 7f454c460101.{24}0300' "$f" || continue
        echo "$(basename "$f") ($(sed -n 's/^interpreter //p' "$f"))"
        return 0
    done
    return 1
}

mount_binfmt() {
    if [ ! -e "$binfmt/register" ]; then
        as_root mount -t binfmt_misc binfmt_misc "$binfmt" ||
            fail "cannot mount binfmt_misc at $binfmt: the emulator cannot be registered"
    fi
}

remove_registration() {
    if [ -e "$binfmt/$entry_name" ]; then
        echo -1 | as_root tee "$binfmt/$entry_name" >/dev/null
    fi
}

# qemu 7.2 (Debian 12's own) hands Wine's start-up reservations of its address space back at
# other addresses; Wine then tries the upper 2 GiB in 64 KiB pieces, about 65,000 mmap calls
# and a minute of CPU for every Wine process (creating a Wine prefix, some twenty processes,
# did not finish within 15 minutes). qemu 10.0, in backports, starts Wine in about a second:
# take qemu from there when the archive has it, and refuse one older than 8.
install_emulator() {
    local codename
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    apt_update
    local suite=()
    if [ -n "$codename" ]; then
        # (grep reads the whole list: with pipefail, an early exit would fail the pipeline)
        if ! apt-cache policy | grep -c "n=$codename-backports" >/dev/null; then
            say "adding $codename-backports for a current qemu"
            as_root tee "/etc/apt/sources.list.d/$codename-backports.sources" >/dev/null <<EOF
Types: deb
URIs: http://deb.debian.org/debian
Suites: $codename-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
            as_root apt-get update -q
        fi
        if apt-cache policy qemu-user-static | grep -c " $codename-backports/" >/dev/null; then
            suite=(-t "$codename-backports")
        fi
    fi
    as_root apt-get install -y -q --no-install-recommends "${suite[@]}" qemu-user-static
}

register_emulator() {
    local qemu
    qemu=$(command -v qemu-i386-static || command -v qemu-i386 || true)
    [ -n "$qemu" ] || fail "qemu-user-static is installed but has no qemu-i386"
    qemu=$(readlink -f "$qemu")
    local version major
    version=$("$qemu" --version | sed -n '1s/.*version \([0-9][0-9.]*\).*/\1/p')
    major=${version%%.*}
    if [ -z "$major" ] || [ "$major" -lt 8 ]; then
        fail "qemu ${version:-of unknown version} ($qemu) starts every Wine process about a" \
            "minute late, too slow for the Windows leg; it needs qemu-user-static 8 or later" \
            "(Debian 12: from bookworm-backports)"
    fi
    mount_binfmt
    # Flag F opens the interpreter now, so a replaced qemu needs a new entry.
    remove_registration
    # ELF, 32-bit, little-endian, current version; executable or shared object (types 2, 3,
    # hence the fe in the mask); machine 3 (i386).
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$entry_name:M::$magic:$mask:$qemu:F" | as_root tee "$binfmt/register" >/dev/null
    say "registered qemu $version ($qemu) for i386 programs"
}

case "$mode" in
    no-emulate)
        remove_registration
        if runs_i386; then
            say "emulator registration removed; 32-bit programs run natively"
        else
            say "emulator registration removed; this machine cannot run 32-bit programs ($probe_message)"
        fi
        exit 0
        ;;
    emulate)
        install_emulator
        register_emulator
        ;;
    auto)
        if ! runs_i386; then
            say "this machine does not run 32-bit programs ($probe_message); using qemu"
            install_emulator
            register_emulator
        fi
        ;;
esac

runs_i386 || fail "32-bit programs still do not run ($probe_message). The Windows leg needs" \
    "either a kernel with IA-32 emulation or qemu-i386 registered with binfmt_misc."
if handler=$(i386_handler); then
    say "32-bit programs run under emulation: binfmt_misc entry $handler"
else
    say "32-bit programs run natively"
fi

# --- Cross toolchain and Wine ---------------------------------------------------------------

have_everything() {
    command -v i686-w64-mingw32-g++-posix >/dev/null &&
        command -v i686-w64-mingw32-windres >/dev/null &&
        command -v i686-w64-mingw32-objdump >/dev/null &&
        command -v wine >/dev/null &&
        dpkg-query -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -c 'install ok installed' >/dev/null
}

if have_everything; then
    say "toolchain and Wine already installed"
    exit 0
fi

# wine32 is an i386 package: the architecture must be known before the index is read.
if ! dpkg --print-foreign-architectures | grep -cx i386 >/dev/null; then
    as_root dpkg --add-architecture i386
    apt_updated=false
fi
apt_update
# Recommends (fonts, sound and graphics stacks) are not needed to run console programs.
as_root apt-get install -y -q --no-install-recommends "${packages[@]}"

have_everything || fail "install finished but a tool is still missing"
say "done"
