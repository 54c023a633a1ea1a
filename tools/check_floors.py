#!/usr/bin/env python3
"""Holds the source to its floors: a file may include headers of its own folder's floor
and the floors below it, never of one above. The floors, lowest first, are the folders
of src/ (and their mirrors under tests/ and bench/):

    platform, app, audio, texgen, display, menus, game, displaysetup, campaign, programs

Usage: tools/check_floors.py [repository root]. Prints every include that reaches up and
exits 1 when there is one; with --graph, prints which floor uses which."""
import os
import re
import sys

FLOORS = ["platform", "app", "audio", "texgen", "display", "menus", "game", "displaysetup",
          "campaign", "programs"]
RANK = {name: i for i, name in enumerate(FLOORS)}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")


def includes_by_file(root):
    """(file, its floor, the floor of each header it includes by a floor path)."""
    for top in ("src", "tests", "bench"):
        base = os.path.join(root, top)
        for folder, _, files in os.walk(base):
            parts = os.path.relpath(folder, base).split(os.sep)
            floor = parts[0]
            if floor not in RANK:
                continue  # tests/support and the like serve every floor
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for header in INCLUDE.findall(text):
                    first = header.split("/")[0]
                    if "/" in header and first in RANK:
                        yield os.path.relpath(path, root), floor, header, first


def main(argv):
    graph = "--graph" in argv
    args = [a for a in argv[1:] if a != "--graph"]
    root = args[0] if args else os.path.join(os.path.dirname(__file__), "..")
    uses = {}
    faults = []
    for path, floor, header, used in includes_by_file(root):
        if used != floor and path.startswith("src"):
            uses.setdefault(floor, set()).add(used)
        if RANK[used] > RANK[floor]:
            faults.append(f"{path}: includes {header}: {used} is above {floor}")
    if graph:
        for floor in FLOORS:
            below = sorted(uses.get(floor, ()), key=RANK.get)
            print(f"{floor:13} uses {', '.join(below) if below else '-'}")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) reach a higher floor; the floors, lowest first: "
              + ", ".join(FLOORS), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
