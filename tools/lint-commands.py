#!/usr/bin/env python3
"""lint-commands.py BUILD_DB OUTPUT_DB

Writes the compile commands of the tracked .cpp files of BUILD_DB to
OUTPUT_DB, without the precompiled-header options, and prints those files one
a line. Generated sources (moc, rcc) and files the build does not compile are
left out. Run from the top of the work tree (tools/lint.sh does)."""

import json
import os
import shlex
import subprocess
import sys


def without_pch(args):
    kept, i = [], 0
    while i < len(args):
        arg = args[i]
        following = args[i + 1] if i + 1 < len(args) else ""
        if arg in ("-Winvalid-pch", "-fpch-instantiate-templates"):
            i += 1
        elif arg == "-include" and following.endswith("cmake_pch.hxx"):
            i += 2
        elif arg == "-Xclang" and following in ("-include-pch", "-include"):
            i += 4  # -Xclang -include-pch -Xclang <file>
        elif arg == "-Xclang" and following == "-fno-pch-timestamp":
            i += 2
        else:
            kept.append(arg)
            i += 1
    return kept


def main():
    build_db, output_db = sys.argv[1], sys.argv[2]
    listed = subprocess.run(["git", "ls-files", "*.cpp"], capture_output=True, text=True, check=True)
    tracked = {os.path.realpath(path) for path in listed.stdout.split()}
    entries, units = [], set()
    with open(build_db, encoding="utf-8") as f:
        for entry in json.load(f):
            path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
            if path not in tracked:
                continue
            args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
            entries.append({"directory": entry["directory"], "file": path, "arguments": without_pch(args)})
            units.add(os.path.relpath(path))
    with open(output_db, "w", encoding="utf-8") as f:
        json.dump(entries, f, indent=1)
    for unit in sorted(units):
        print(unit)


if __name__ == "__main__":
    main()
