#!/usr/bin/env python3
"""Checks that a PE file carries nothing of the moment or the place it was built.

Usage: check_dll_stamps.py DLL FOLDER...

  - the time stamp in the COFF file header is 0;
  - no FOLDER (the source folder, the build folder) appears in the file, in 8-bit text or
    in UTF-16, with either kind of slash.
Prints one line per fact and exits non-zero when any fact does not hold.
"""

import struct
import sys


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    path, folders = sys.argv[1], sys.argv[2:]
    with open(path, "rb") as f:
        data = f.read()
    failed = 0

    def expect(ok, fact, detail=""):
        nonlocal failed
        print(("ok    " if ok else "FAIL  ") + fact + ("" if ok or not detail else
                                                       ": " + detail))
        failed += not ok

    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[:2] != b"MZ" or data[pe_offset:pe_offset + 4] != b"PE\0\0":
        print(f"FAIL  {path} is not a PE file")
        return 1
    # After the signature: machine (2 bytes), section count (2), time stamp (4).
    (stamp,) = struct.unpack_from("<I", data, pe_offset + 8)
    expect(stamp == 0, "PE time stamp 0", str(stamp))

    for folder in folders:
        for spelling in sorted({folder, folder.replace("/", "\\")}):
            for encoding in ("utf-8", "utf-16-le"):
                at = data.find(spelling.encode(encoding))
                context = data[max(0, at - 16):at + len(spelling) * 2 + 16]
                expect(at == -1, f"no {spelling} in {encoding}",
                       f"at offset {at}: {context!r}")

    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
