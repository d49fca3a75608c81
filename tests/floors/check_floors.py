"""The product's folders stand on each other like floors of a house: a file
may include files of its own folder and of the floors below, never of a floor
above, nor of another folder on its own floor. Inside a folder, the
product's and the reference host's alike, includes point one way too: no
file includes, through others of its folder, one that includes it (a .h and
its .cpp count as one). Prints every include that breaks this, as
FILE:LINE, and fails.

    check_floors.py [ROOT]
"""
import os
import re
import sys

# From the ground up. This is the one place the order is written.
FLOORS = [
    ("base",),            # the host's records and message numbers, the lock, the command line, the module's name, UTF-8, bounded sends
    ("settings", "res"),  # the cores side by side: the settings file, text and store; the language choice and resources
    ("detect",),          # the frame path: row measure, zoom decision, graph; it selects the channel in the store
    ("ui",),              # the settings dialog, the About box, the range-checked edit
    ("plugin",),          # the top, which the host calls: exports, entry points, the host's windows; it wires the rest
]
FLOOR_OF = {folder: level for level, folders in enumerate(FLOORS) for folder in folders}
# Checked for includes that run in a circle among their own files.
ONE_WAY_INSIDE = sorted(FLOOR_OF) + ["host"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".cpp", ".rc")


def includes(root, folder):
    """(path, line number, included path) for every quoted include of folder's files."""
    for dirpath, _, files in os.walk(os.path.join(root, folder)):
        for name in sorted(files):
            if not name.endswith(SOURCES):
                continue
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if m:
                        yield path, number, m.group(1)


def circles(root, folder):
    """Includes inside folder that close a circle: the including file's unit
    (its path without the extension) is reached again from the included one."""
    unit = lambda path: os.path.splitext(os.path.relpath(path, root))[0]
    edges = {}
    for path, number, target in includes(root, folder):
        if target.split("/")[0] == folder and unit(path) != os.path.splitext(target)[0]:
            edges.setdefault(unit(path), []).append((os.path.splitext(target)[0], path, number, target))
    found = []
    for start, out in sorted(edges.items()):
        for to, path, number, target in out:
            seen, todo = set(), [to]
            while todo:
                at = todo.pop()
                if at == start:
                    found.append(f"{os.path.relpath(path, root)}:{number}: includes \"{target}\", "
                                 f"which includes {start} back through its folder")
                    break
                if at not in seen:
                    seen.add(at)
                    todo.extend(step[0] for step in edges.get(at, []))
    return found


def violations(root):
    found = []
    for folder, level in sorted(FLOOR_OF.items()):
        for path, number, included in includes(root, folder):
            where = os.path.relpath(path, root)
            target = included.split("/")[0]
            if target == folder:
                continue
            if target not in FLOOR_OF:
                found.append(f"{where}:{number}: includes \"{included}\", outside the product's floors")
            elif FLOOR_OF[target] >= level:
                how = "a floor above" if FLOOR_OF[target] > level else "a folder of its own floor"
                found.append(f"{where}:{number}: {folder}/ includes \"{included}\" from {how}")
    for folder in ONE_WAY_INSIDE:
        found += circles(root, folder)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = violations(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the floor plan in {__file__}")
        return 1
    print("every include points to its own folder or a lower floor, and none runs in a circle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
