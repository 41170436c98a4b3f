#!/usr/bin/env python3
"""Checks the shape of the shipped plug-in without running it.

    check_dll_shape.py KVEL_TPL OBJDUMP

From `OBJDUMP -p`: a PE32 file for i386, exactly the three undecorated
exports, and imports from Windows system DLLs only. From the file's resource
directory: a version resource, the transfer window's dialog 101, icons 9991
and 9992 and the state bitmaps 9981 to 9984. Prints what is wrong, one line
each, and exits 1; prints one line and exits 0 when all holds.
"""
import re
import struct
import subprocess
import sys

EXPORTS = {"GetPluginInfo", "LoadPlugin", "UnloadPlugin"}
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
    "ws2_32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
    # miniupnpc finds the interface toward the router with it.
    "iphlpapi.dll",
}
RT_BITMAP, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 2, 5, 14, 16
RESOURCES = {
    RT_VERSION: {1},
    RT_DIALOG: {101},
    RT_GROUP_ICON: {9991, 9992},
    RT_BITMAP: {9981, 9982, 9983, 9984},
}


def objdump_problems(text):
    problems = []
    if not re.search(r"file format pei-i386", text):
        problems.append("not a PE32 i386 file (objdump names no pei-i386 format)")
    if not re.search(r"^Magic\s+010b\s+\(PE32\)", text, re.M):
        problems.append("optional header is not PE32 (magic 010b)")
    if not re.search(r"^Characteristics .*\n(?:\s+.*\n)*?\s+DLL", text, re.M):
        problems.append("not marked as a DLL")

    exports = set()
    table = re.search(r"\[Ordinal/Name Pointer\] Table\n((?:\s+\[\s*\d+\].*\n)*)", text)
    if table:
        exports = {line.split()[-1] for line in table.group(1).splitlines() if line.strip()}
    if exports != EXPORTS:
        problems.append("exports are %s, not %s" % (sorted(exports), sorted(EXPORTS)))

    imports = {m.lower() for m in re.findall(r"^\s*DLL Name: (\S+)", text, re.M)}
    if not imports:
        problems.append("no imports found")
    foreign = sorted(imports - SYSTEM_DLLS)
    if foreign:
        problems.append("imports from DLLs outside Windows: %s" % ", ".join(foreign))
    return problems


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        # PE32: the data directories start at 96 of the optional header;
        # the resource directory is the third entry.
        self.resource_rva = struct.unpack_from("<I", data, optional + 96 + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address %#x lies in no section" % rva)

    def entries(self, directory):
        """(id, is_directory, offset within the resource section) of one level."""
        base = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                continue  # named entries: kvel uses numbers only
            yield name, bool(target & 0x80000000), target & 0x7FFFFFFF

    def resources(self):
        found = {}
        for kind, is_dir, where in self.entries(0):
            if is_dir:
                found[kind] = {ident for ident, _, _ in self.entries(where)}
        return found


def resource_problems(data):
    try:
        pe = Pe(data)
        if pe.resource_rva == 0:
            return ["no resource directory"]
        found = pe.resources()
    except (struct.error, ValueError) as error:
        return ["resource directory unreadable: %s" % error]
    problems = []
    names = {RT_VERSION: "version", RT_DIALOG: "dialog", RT_GROUP_ICON: "icon", RT_BITMAP: "bitmap"}
    for kind, wanted in RESOURCES.items():
        missing = sorted(wanted - found.get(kind, set()))
        if kind == RT_VERSION and found.get(kind):
            missing = []  # any id will do for the one version resource
        if missing:
            problems.append("missing %s resource(s) %s" % (names[kind], missing))
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    path, objdump = sys.argv[1], sys.argv[2]
    with open(path, "rb") as f:
        data = f.read()
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                          text=True).stdout
    problems = objdump_problems(text) + resource_problems(data)
    for problem in problems:
        print("%s: %s" % (path, problem))
    if problems:
        return 1
    print("%s: PE32 i386 DLL, exports %s, imports %s, version and UI resources present" %
          (path, " ".join(sorted(EXPORTS)),
           " ".join(sorted({m.lower() for m in re.findall(r"^\s*DLL Name: (\S+)", text, re.M)}))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
