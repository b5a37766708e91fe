#!/usr/bin/env python3
"""Reads the built verandel.dll back and checks what the player relies on.

The file is parsed here directly (PE headers, export table, import table, resource tree,
version resource) rather than through a disassembler's text output, so every fact is read
from the bytes the loader reads.

Usage: check_component_dll.py DLL --runtime NAME...
  --runtime lists the GCC runtime DLLs that must travel with the component: the DLL and the
  runtime DLLs it needs (transitively) must import nothing else beyond Windows' own DLLs,
  every one of them must sit beside it, and the set must be exactly the one listed.
Prints one line per fact and exits non-zero when any fact does not hold.
"""

import argparse
import os
import struct
import sys

MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
FILE_DLL = 0x2000
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE = 0, 1, 2
RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD
VFT_DLL = 2

EXPORT_NAME = "velmora_get_interface"
VERSION_MS, VERSION_LS = 0x00010000, 0x00000000  # 1.0.0.0
VERSION_TEXT = "1, 0, 0, 0"
LANGUAGE, CODE_PAGE = 0x0411, 0x04B0
DESCRIPTIVE_KEYS = ("FileDescription", "InternalName", "OriginalFilename", "ProductName",
                    "LegalCopyright")
# DLLs every Windows installation has; anything else must be shipped.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "ntdll.dll", "user32.dll", "advapi32.dll"}


class BadImage(Exception):
    pass


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise BadImage("no MZ header")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise BadImage("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        if self.magic != PE32_MAGIC:
            self.directories = []
        else:
            count = self.u32(optional + 92)
            self.directories = [struct.unpack_from("<II", self.data, optional + 96 + 8 * i)
                                for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, va, raw_size, raw_ptr = struct.unpack_from("<IIII", self.data,
                                                              table + 40 * i + 8)
            self.sections.append((va, max(vsize, raw_size), raw_ptr, raw_size))

    def u16(self, offset):
        return self.read("<H", offset)[0]

    def u32(self, offset):
        return self.read("<I", offset)[0]

    def read(self, fmt, offset):
        if offset < 0 or offset + struct.calcsize(fmt) > len(self.data):
            raise BadImage(f"read past the end of the file at {offset:#x}")
        return struct.unpack_from(fmt, self.data, offset)

    def offset(self, rva):
        for va, size, raw_ptr, raw_size in self.sections:
            if va <= rva < va + size and rva - va < raw_size:
                return raw_ptr + rva - va
        raise BadImage(f"address {rva:#x} lies in no section")

    def c_string(self, rva):
        start = self.offset(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise BadImage(f"unterminated name at {rva:#x}")
        return self.data[start:end].decode("ascii", "replace")

    def directory(self, index):
        if index >= len(self.directories):
            return 0, 0
        return self.directories[index]

    def exports(self):
        """(module name, function count, exported names)."""
        rva, size = self.directory(DIR_EXPORT)
        if rva == 0 or size == 0:
            return None, 0, []
        base = self.offset(rva)
        (name_rva, _, functions, names, _, names_rva,
         _) = self.read("<IIIIIII", base + 12)
        table = self.offset(names_rva) if names else 0
        exported = [self.c_string(self.u32(table + 4 * i)) for i in range(names)]
        return self.c_string(name_rva), functions, exported

    def imports(self):
        rva, size = self.directory(DIR_IMPORT)
        if rva == 0 or size == 0:
            return []
        names = []
        entry = self.offset(rva)
        while True:
            fields = self.read("<IIIII", entry)
            if not any(fields):
                return names
            names.append(self.c_string(fields[3]))
            entry += 20

    def resources(self, wanted_type):
        """[(name id, language id, bytes)] for every resource of one numeric type."""
        rva, size = self.directory(DIR_RESOURCE)
        if rva == 0 or size == 0:
            return []
        root = self.offset(rva)

        def entries(directory):
            named, numbered = self.read("<HH", root + directory + 12)
            for i in range(named + numbered):
                ident, target = self.read("<II", root + directory + 16 + 8 * i)
                yield ident, target & 0x7FFFFFFF, bool(target & 0x80000000)

        found = []
        for type_id, names_dir, is_dir in entries(0):
            if type_id != wanted_type or not is_dir:
                continue
            for name_id, langs_dir, name_is_dir in entries(names_dir):
                if not name_is_dir:
                    raise BadImage("resource name entry is not a directory")
                for lang_id, leaf, leaf_is_dir in entries(langs_dir):
                    if leaf_is_dir:
                        raise BadImage("resource language entry is not data")
                    data_rva, data_size = self.read("<II", root + leaf)
                    start = self.offset(data_rva)
                    found.append((name_id, lang_id, self.data[start:start + data_size]))
        return found


def align4(n):
    return (n + 3) & ~3


def version_node(blob, offset):
    """One node of the version resource tree: (key, type, value bytes, children, end)."""
    if offset + 6 > len(blob):
        raise BadImage("version resource node past its end")
    length, value_length, kind = struct.unpack_from("<HHH", blob, offset)
    end = offset + length
    if length < 6 or end > len(blob):
        raise BadImage(f"version resource node with bad length {length}")
    key_start = offset + 6
    key_end = key_start
    while key_end + 1 < end and blob[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = blob[key_start:key_end].decode("utf-16-le")
    value_start = align4(key_end + 2)
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = blob[value_start:min(value_start + value_bytes, end)]
    children = []
    child = align4(value_start + value_bytes)
    while child < end:
        node = version_node(blob, child)
        children.append(node)
        child = align4(node[4])
    return key, kind, value, children, end


def text(value):
    return value.decode("utf-16-le").split("\0", 1)[0]


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, ok, fact, seen=None):
        line = ("ok    " if ok else "FAIL  ") + fact
        if not ok and seen is not None:
            line += f" (found: {seen})"
        print(line)
        if not ok:
            self.failures += 1
        return ok


def check_headers(checks, image):
    checks.expect(image.machine == MACHINE_I386, "machine is i386", f"{image.machine:#06x}")
    checks.expect(image.magic == PE32_MAGIC, "optional header is PE32", f"{image.magic:#06x}")
    checks.expect(image.characteristics & FILE_DLL, "file is a DLL",
                  f"characteristics {image.characteristics:#06x}")


def check_exports(checks, image, file_name):
    module, functions, names = image.exports()
    checks.expect(names == [EXPORT_NAME],
                  f"exports exactly one name, {EXPORT_NAME}, undecorated",
                  f"exports {len(names)} names: {names[:5]}")
    checks.expect(functions == 1, "export table holds one function",
                  f"{functions} functions")
    checks.expect(module is not None and module.lower() == file_name.lower(),
                  f"export table names the module {file_name}", module)


def check_version_resource(checks, image, file_name):
    found = image.resources(RT_VERSION)
    if not checks.expect(len(found) == 1, "carries exactly one version resource",
                         f"{len(found)}"):
        return
    _, _, blob = found[0]
    key, _, fixed, children, _ = version_node(blob, 0)
    checks.expect(key == "VS_VERSION_INFO", "version resource root is VS_VERSION_INFO", key)
    if not checks.expect(len(fixed) == 52, "fixed part present", f"{len(fixed)} bytes"):
        return
    (signature, _, file_ms, file_ls, product_ms, product_ls, _, _, _, file_type,
     _, _, _) = struct.unpack("<13I", fixed)
    checks.expect(signature == FIXED_SIGNATURE, "fixed part signature", f"{signature:#x}")
    checks.expect((file_ms, file_ls) == (VERSION_MS, VERSION_LS), "file version 1.0.0.0",
                  f"{file_ms:#010x} {file_ls:#010x}")
    checks.expect((product_ms, product_ls) == (VERSION_MS, VERSION_LS),
                  "product version 1.0.0.0", f"{product_ms:#010x} {product_ls:#010x}")
    checks.expect(file_type == VFT_DLL, "file type is DLL", file_type)

    blocks = {child[0]: child for child in children}
    checks.expect(sorted(blocks) == ["StringFileInfo", "VarFileInfo"],
                  "one StringFileInfo and one VarFileInfo block", sorted(blocks))

    tables = blocks["StringFileInfo"][3] if "StringFileInfo" in blocks else []
    wanted_key = f"{LANGUAGE:04X}{CODE_PAGE:04X}"
    checks.expect([t[0].upper() for t in tables] == [wanted_key],
                  f"exactly one string table, {wanted_key}", [t[0] for t in tables])
    strings = {s[0]: text(s[2]) for s in tables[0][3]} if len(tables) == 1 else {}
    for name in ("FileVersion", "ProductVersion"):
        checks.expect(strings.get(name) == VERSION_TEXT, f'{name} string is "{VERSION_TEXT}"',
                      strings.get(name))
    for name in DESCRIPTIVE_KEYS:
        checks.expect(bool(strings.get(name, "").strip()), f"{name} string is filled in",
                      strings.get(name))
    checks.expect(strings.get("OriginalFilename", "").lower() == file_name.lower(),
                  f"OriginalFilename is {file_name}", strings.get("OriginalFilename"))

    variables = blocks["VarFileInfo"][3] if "VarFileInfo" in blocks else []
    translations = [v for v in variables if v[0] == "Translation"]
    pairs = []
    if len(translations) == 1:
        value = translations[0][2]
        pairs = [struct.unpack_from("<HH", value, i) for i in range(0, len(value) - 3, 4)]
    checks.expect(pairs == [(LANGUAGE, CODE_PAGE)],
                  f"Translation is {LANGUAGE:#06x}, {CODE_PAGE:#06x}",
                  [f"{a:#06x}, {b:#06x}" for a, b in pairs])


def check_runtime(checks, path, runtime):
    """Follows the imports from the DLL through the DLLs beside it."""
    folder = os.path.dirname(os.path.abspath(path))
    needed, pending = set(), [path]
    while pending:
        current = pending.pop()
        for name in PeImage(current).imports():
            key = name.lower()
            if key in SYSTEM_DLLS or key in needed:
                continue
            needed.add(key)
            beside = os.path.join(folder, name)
            if checks.expect(os.path.exists(beside), f"{name} lies beside the DLL"):
                pending.append(beside)
    expected = sorted(name.lower() for name in runtime)
    checks.expect(sorted(needed) == expected,
                  f"needs exactly the runtime DLLs {', '.join(expected)}", sorted(needed))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dll")
    parser.add_argument("--runtime", nargs="*", default=[])
    args = parser.parse_args()
    file_name = os.path.basename(args.dll)
    checks = Checks()
    try:
        image = PeImage(args.dll)
        check_headers(checks, image)
        check_exports(checks, image, "verandel.dll")
        check_version_resource(checks, image, "verandel.dll")
        check_runtime(checks, args.dll, args.runtime)
    except (BadImage, OSError, struct.error, UnicodeDecodeError) as error:
        print(f"FAIL  cannot read {file_name}: {error}")
        checks.failures += 1
    print(f"{file_name}: {checks.failures} fact(s) failed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
