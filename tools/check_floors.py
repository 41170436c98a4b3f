#!/usr/bin/env python3
"""Checks that the wire floor stays pure.

    check_floors.py SRC_DIR

Every file of SRC_DIR/wire may include other files of wire/ (as "wire/x.h")
and headers of the C++ standard library, nothing else: no other floor of the
project, no operating system header and no standard header that does I/O or
runs threads. The compiler already refuses an include of another floor from
a wire source file; this also covers headers no wire source includes. Prints
what is wrong, one line each, and exits 1; prints one line and exits 0 when
all holds.
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


def problems(wire_dir):
    for path in sorted(wire_dir.iterdir()):
        if path.suffix not in (".h", ".cpp"):
            yield f"{path.name}: not a C++ source or header"
            continue
        for number, line in enumerate(path.read_text().splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quote, name = match.groups()
            where = f"{path.name}:{number}: {name}"
            if quote == '"':
                if not name.startswith("wire/") or "/" in name[len("wire/"):]:
                    yield f"{where} is not of the wire floor"
                elif not (wire_dir / name[len("wire/"):]).is_file():
                    yield f"{where} does not exist"
            elif "/" in name or "." in name:
                yield f"{where} is not a standard C++ header"
            elif name in NOT_PURE:
                yield f"{where} does I/O or runs threads"


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    wire_dir = pathlib.Path(argv[1]) / "wire"
    if not wire_dir.is_dir():
        print(f"{wire_dir}: no such directory")
        return 1
    found = list(problems(wire_dir))
    for problem in found:
        print(problem)
    if found:
        return 1
    print(f"wire floor: {len(list(wire_dir.iterdir()))} files include only wire/ and the standard library")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
