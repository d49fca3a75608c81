"""The product's folders stand on each other like floors of a house: a file
may include files of its own folder and of the floors below, never of a floor
above, nor of another folder on its own floor. Prints every include that
breaks this, as FILE:LINE, and fails.

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
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".cpp", ".rc")


def violations(root):
    found = []
    for folder, level in sorted(FLOOR_OF.items()):
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(dirpath, name)
                where = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1).split("/")[0]
                        if target == folder:
                            continue
                        if target not in FLOOR_OF:
                            found.append(f"{where}:{number}: includes \"{m.group(1)}\", outside the product's floors")
                        elif FLOOR_OF[target] >= level:
                            how = "a floor above" if FLOOR_OF[target] > level else "a folder of its own floor"
                            found.append(f"{where}:{number}: {folder}/ includes \"{m.group(1)}\" from {how}")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = violations(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the floor plan in {__file__}")
        return 1
    print("every include points to its own folder or a lower floor")
    return 0


if __name__ == "__main__":
    sys.exit(main())
