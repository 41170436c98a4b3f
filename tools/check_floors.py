#!/usr/bin/env python3
"""Checks that each floor of the code includes only itself and the floors below.

    check_floors.py SRC_DIR

The floors, from the ground up: platform and wire, then the logic (common,
host, gg, p2p, transfers, images, router), then ui, then plugin at the top. The compiler already
refuses an include of a higher floor from a source file, since each floor's
include root shows only its own folders and those below; this also covers
headers that no source of their floor includes. The wire floor is pure as
well: only wire/ and standard C++ headers that do no I/O and run no threads.
Within the logic, the transfers room never includes the connections (p2p),
which run the transfers; within p2p, who may connect (admission) includes
neither one connection's life (connection) nor how the user's sends get
through (reach), and a connection never includes reach, which starts them.
Prints what is wrong, one line each, and exits 1; prints one line a floor and
exits 0 when all holds.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Standard headers that reach files, streams, the console or threads.
NOT_PURE = {
    "cstdio", "fstream", "iostream", "istream", "ostream", "filesystem", "thread",
    "mutex", "condition_variable", "future", "atomic", "chrono", "ctime", "csignal",
}
LOGIC = ["common", "host", "gg", "p2p", "transfers", "images", "router"]
# Each floor: its folders, and the folders it may include from.
FLOORS = [
    ("wire", ["wire"], ["wire"]),
    ("platform", ["platform"], ["platform"]),
    ("logic", LOGIC, LOGIC + ["platform", "wire"]),
    ("ui", ["ui"], ["ui"] + LOGIC + ["platform", "wire"]),
]
# Rooms of one floor (or sub-rooms) that never include another.
APART = [
    ("transfers", "p2p"),
    ("p2p/admission", "p2p/connection"),
    ("p2p/admission", "p2p/reach"),
    ("p2p/connection", "p2p/reach"),
]


def apart(shown, header):
    """The rule an include of `header` from `shown` breaks, if any."""
    for room, other in APART:
        if shown.as_posix().startswith(room + "/") and header.startswith(other + "/"):
            return room, other
    return None


def sources(src, folders):
    for folder in folders:
        for path in sorted((src / folder).rglob("*")):
            if path.suffix in (".h", ".cpp"):
                yield path


def problems(src, name, folders, allowed):
    for path in sources(src, folders):
        shown = path.relative_to(src)
        for number, line in enumerate(path.read_text().splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quote, header = match.groups()
            where = f"{shown}:{number}: {header}"
            if quote == '"':
                top = header.split("/", 1)[0]
                if "/" not in header or top not in allowed:
                    yield f"{where} is not of the {name} floor or one below it"
                elif apart(shown, header):
                    room, other = apart(shown, header)
                    yield f"{where}: {room}/ never includes {other}/"
                elif not (src / header).is_file():
                    yield f"{where} does not exist"
            elif name == "wire":
                if "/" in header or "." in header:
                    yield f"{where} is not a standard C++ header"
                elif header in NOT_PURE:
                    yield f"{where} does I/O or runs threads"


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    src = pathlib.Path(argv[1])
    found = []
    counts = []
    for name, folders, allowed in FLOORS:
        missing = [f for f in folders if not (src / f).is_dir()]
        if missing:
            found.append(f"{name} floor: no folder {', '.join(missing)} under {src}")
            continue
        found.extend(problems(src, name, folders, allowed))
        counts.append(f"{name} {len(list(sources(src, folders)))} files")
    for problem in found:
        print(problem)
    if found:
        return 1
    print("floors hold: " + ", ".join(counts) + "; plugin may include every floor")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
