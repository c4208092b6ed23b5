#!/usr/bin/env python3
"""The console program's rooms: every file of cli/ is in one, and no file includes a file of a
room that depends on its own (nor anything of the dialog program's ui/ or app/)."""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# From the bottom up, as README.md lists them: each room may include only rooms before it.
ROOMS = ["console", "options", "commands", "task", "program"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def faults(files, read):
    found = []
    for path in files:
        parts = path.split("/")
        if len(parts) != 3 or parts[1] not in ROOMS:
            found.append(f"{path} is in no room")
            continue
        own = ROOMS.index(parts[1])
        for target in INCLUDE.findall(read(path)):
            if target.startswith(("ui/", "app/")):
                found.append(f"{path} includes {target}, of the dialog program")
            elif target.startswith("cli/"):
                room = target.split("/")[1]
                if room not in ROOMS or ROOMS.index(room) > own:
                    found.append(f"{path} includes {target}, of a room above its own")
    return found


def sources():
    """The files under cli/, as paths from the tree's top (the tree need not be a Git work tree:
    tools/mutate tests copies of it)."""
    found = []
    for folder, _, files in os.walk(os.path.join(ROOT, "cli")):
        found += [os.path.relpath(os.path.join(folder, name), ROOT).replace(os.sep, "/") for name in files]
    return sorted(found)


def main():
    tracked = sources()
    read = lambda path: open(os.path.join(ROOT, path), encoding="utf-8").read()
    # The check itself, on a made-up tree: one room may not include a later one.
    planted = {"cli/console/a.h": '#include "cli/task/b.h"\n', "cli/task/b.h": '#include "cli/console/a.h"\n',
               "cli/loose.h": "", "cli/commands/c.cpp": '#include "ui/mode_dialog.h"\n'}
    expected = ["cli/console/a.h includes cli/task/b.h, of a room above its own", "cli/loose.h is in no room",
                "cli/commands/c.cpp includes ui/mode_dialog.h, of the dialog program"]
    if faults(planted, planted.get) != expected:
        print("rooms_test: the check does not see a planted fault:", faults(planted, planted.get))
        return 1
    found = faults(tracked, read)
    for line in found:
        print("rooms_test:", line)
    if not tracked:
        print("rooms_test: there is no file under cli/")
        return 1
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
