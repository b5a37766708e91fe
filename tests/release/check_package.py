#!/usr/bin/env python3
"""Reads the release package back and checks what it promises.

Usage: check_package.py ZIP --version X.Y.Z --source DIR --dll FILE --runtime FILE...

  - the entries are exactly components/ with verandel.dll and the three runtime DLLs,
    README.txt, LICENSE.txt and SHA256SUMS, in sorted order, with no folder around them;
  - every entry has the commit's time (SOURCE_DATE_EPOCH when set, else the time of the
    last commit in DIR), in its extended time stamp and, in UTC, in its DOS date and time;
    the folder's mode is 0755;
  - the DLLs are the built verandel.dll and the runtime DLLs the build uses;
  - SHA256SUMS holds the sum of every other file, and nothing else;
  - README.txt names the version and every file of the package; it and LICENSE.txt have
    Windows line ends;
  - LICENSE.txt holds Verandel's LICENSE, the GPL, the GCC Runtime Library Exception and the
    MinGW-w64 notices word for word, and names the Debian source package and version of
    every runtime DLL, as dpkg tells them now.
Prints one line per fact and exits non-zero when any fact does not hold.
"""

import argparse
import hashlib
import os
import struct
import subprocess
import sys
import time
import zipfile

RUNTIME_NAMES = ("libgcc_s_dw2-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll")
EXPECTED = sorted(["LICENSE.txt", "README.txt", "SHA256SUMS", "components/",
                   "components/verandel.dll"] + ["components/" + n for n in RUNTIME_NAMES])


class Checks:
    def __init__(self):
        self.failed = 0

    def expect(self, ok, fact, detail=""):
        print(("ok    " if ok else "FAIL  ") + fact + ("" if ok or not detail else
                                                       ": " + detail))
        if not ok:
            self.failed += 1


def extended_mtime(extra):
    """The modification time of a zip entry's extended time stamp field (0x5455)."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        body = extra[at + 4:at + 4 + size]
        if tag == 0x5455 and size >= 5 and body[0] & 1:
            return struct.unpack_from("<I", body, 1)[0]
        at += 4 + size
    return None


def debian_source(path):
    """'source version' of the Debian package that installed `path`, and of those it was
    built using."""
    real = os.path.realpath(path)
    owner = subprocess.run(["dpkg-query", "-S", real], capture_output=True, text=True,
                           check=True).stdout
    package = [line.rsplit(": ", 1)[0] for line in owner.splitlines()
               if line.endswith(": " + real)][0]
    fields = subprocess.run(
        ["dpkg-query", "-W", "-f=${source:Package} ${source:Version}\t${Built-Using}",
         package], capture_output=True, text=True, check=True).stdout.split("\t")
    sources = [fields[0]]
    for used in filter(None, (u.strip() for u in fields[1].split(","))):
        name, version = used.split(" (= ")
        sources.append(name + " " + version.rstrip(")"))
    return sources


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("zip")
    parser.add_argument("--version", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--runtime", nargs="+", required=True)
    args = parser.parse_args()
    checks = Checks()
    epoch = os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
        ["git", "-C", args.source, "log", "-1", "--format=%ct"], capture_output=True,
        text=True, check=True).stdout
    epoch = int(epoch)

    archive = zipfile.ZipFile(args.zip)
    entries = archive.infolist()
    names = [e.filename for e in entries]
    checks.expect(names == EXPECTED, "entries, in sorted order: " + " ".join(EXPECTED),
                  " ".join(names))

    # DOS times count seconds in twos.
    wanted_dos = tuple(time.gmtime(epoch)[:6])
    wanted_dos = wanted_dos[:5] + (wanted_dos[5] - wanted_dos[5] % 2,)
    for e in entries:
        stamp = extended_mtime(e.extra)
        checks.expect(stamp == epoch, f"{e.filename}: time stamp {epoch}", str(stamp))
        checks.expect(e.date_time == wanted_dos, f"{e.filename}: DOS time {wanted_dos} (UTC)",
                      str(e.date_time))
        if e.is_dir():
            mode = (e.external_attr >> 16) & 0o7777
            checks.expect(mode == 0o755, f"{e.filename}: mode 0755", oct(mode))

    def content(name):
        return archive.read(name) if name in names else b""

    def file_bytes(path):
        with open(path, "rb") as f:
            return f.read()

    checks.expect(content("components/verandel.dll") == file_bytes(args.dll),
                  "components/verandel.dll is the built " + args.dll)
    for path in args.runtime:
        name = os.path.basename(path)
        checks.expect(content("components/" + name) == file_bytes(path),
                      f"components/{name} is {path}")

    sums = {}
    for line in content("SHA256SUMS").decode("ascii", "replace").splitlines():
        digest, _, name = line.partition("  ")
        sums[name] = digest
    summed = [n for n in EXPECTED if not n.endswith("/") and n != "SHA256SUMS"]
    checks.expect(sorted(sums) == summed, "SHA256SUMS lists every other file",
                  " ".join(sorted(sums)))
    for name in summed:
        actual = hashlib.sha256(content(name)).hexdigest()
        checks.expect(sums.get(name) == actual, f"SHA256SUMS: {name} {actual}",
                      str(sums.get(name)))

    readme = content("README.txt").decode("utf-8", "replace")
    licence = content("LICENSE.txt").decode("utf-8", "replace")
    for name, text in (("README.txt", readme), ("LICENSE.txt", licence)):
        lone = text.replace("\r\n", "").count("\n")
        checks.expect(text and lone == 0, f"{name} has Windows line ends",
                      f"{lone} lines end in LF alone")
    readme = readme.replace("\r\n", "\n")
    licence = licence.replace("\r\n", "\n")
    checks.expect(f"Verandel {args.version}" in readme, f"README.txt names Verandel "
                  f"{args.version}")
    for name in summed + ["SHA256SUMS"]:
        shown = name.replace("/", "\\")
        checks.expect(shown in readme, f"README.txt names {shown}")

    def text_of(relative):
        with open(os.path.join(args.source, relative), encoding="utf-8") as f:
            return f.read()

    for relative in ("LICENSE", "packaging/licences/GPL-3.0.txt",
                     "packaging/licences/GCC-runtime-library-exception-3.1.txt",
                     "packaging/licences/mingw-w64.txt"):
        checks.expect(text_of(relative).strip() in licence,
                      f"LICENSE.txt holds {relative} word for word")
    for path in args.runtime:
        for source in debian_source(path):
            checks.expect(source in licence, f"LICENSE.txt names {source} for "
                          f"{os.path.basename(path)}")

    if checks.failed:
        print(f"{checks.failed} check(s) failed")
        return 1
    print("all checks hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
