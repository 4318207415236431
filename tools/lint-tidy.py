#!/usr/bin/env python3
"""lint-tidy.py BUILD_DB [--jobs N] [--per-file] [FILE ...]

Runs clang-tidy (.clang-tidy) over the tracked .cpp files that the build of
BUILD_DB compiles, every finding an error; exits 1 on a finding. Run from the
top of the work tree (tools/lint.sh does).

Most of clang-tidy's time on a file goes to the Qt headers it includes: it
parses them and runs every check over them, about nine seconds a file on this
project, against one or two for the file's own code. So the files of one
folder that are compiled alike are checked together, as one translation unit
that includes them one after another, and the headers are gone through once
a folder instead of once a file. Test files are each put in a namespace of
their own (their helpers have the same names) with their includes taken
before, and their test main left out. A group that does not compile together
(two files with a local of the same name, say) is split in halves until it
does; a file on its own is checked as the build compiles it. Files with a
main function of their own and files that declare meta types are checked on
their own. In a group, bugprone-suspicious-include is off: the group's own
file includes .cpp files.

--per-file checks every file on its own (slower, the same findings), FILE
limits the run to those files. Their compile commands go to clang-tidy
without the precompiled header: clang cannot read GCC's, and so each file is
checked with what it includes itself."""

import argparse
import concurrent.futures
import itertools
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile

DEFINES_MAIN = re.compile(r"^int main\(|LLVMFuzzerTestOneInput", re.M)
META_TYPE = re.compile(r"^Q_DECLARE_METATYPE", re.M)
CONFIG = os.path.abspath(".clang-tidy")
INCLUDE = re.compile(r'^#include\s+([<"][^>"]+[>"])', re.M)


def build_arguments(args):
    """The compile arguments without the precompiled header, the output and
    the source."""
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
        elif arg in ("-o", "-c"):
            i += 2
        else:
            kept.append(arg)
            i += 1
    return kept


class Unit:
    def __init__(self, path, directory, arguments):
        self.path = path
        self.directory = directory
        self.arguments = arguments
        with open(path, encoding="utf-8") as f:
            self.text = f.read()
        self.folder = os.path.dirname(path)
        self.is_test = os.path.basename(self.folder) == "tests"
        self.alone = DEFINES_MAIN.search(self.text) is not None or (
            self.is_test and META_TYPE.search(self.text) is not None
        )

    def group_key(self):
        # Same folder, same defines and options; include folders are merged.
        return (self.folder, tuple(a for a in self.arguments if not a.startswith("-I")))


def read_units(build_db, only):
    listed = subprocess.run(["git", "ls-files", "*.cpp"], capture_output=True, text=True, check=True)
    tracked = {os.path.realpath(path) for path in listed.stdout.split()}
    wanted = {os.path.realpath(path) for path in only} if only else None
    units = {}
    with open(build_db, encoding="utf-8") as f:
        for entry in json.load(f):
            path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
            if path not in tracked or (wanted is not None and path not in wanted) or path in units:
                continue
            args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
            units[path] = Unit(path, entry["directory"], build_arguments(args))
    return sorted(units.values(), key=lambda u: u.path)


def groups_of(units, per_file):
    groups, by_key = [], {}
    for unit in units:
        if per_file or unit.alone:
            groups.append([unit])
            continue
        key = unit.group_key()
        if key not in by_key:
            by_key[key] = []
            groups.append(by_key[key])
        by_key[key].append(unit)
    return groups


class Runner:
    def __init__(self, scratch):
        self.scratch = scratch
        self.runs = itertools.count()  # next() is atomic: names for the runs of all threads

    def unity_file(self, group, run):
        """One translation unit that includes the group's files."""
        lines = []
        if group[0].is_test:
            seen = []
            for unit in group:
                for header in INCLUDE.findall(unit.text):
                    if not header.endswith('.moc"') and header not in seen:
                        seen.append(header)
            lines += ["#include " + header for header in seen]
            for main in ("QTEST_MAIN", "QTEST_GUILESS_MAIN", "QTEST_APPLESS_MAIN"):
                lines += ["#undef " + main, "#define %s(TestObject)" % main]
        for index, unit in enumerate(group):
            if unit.is_test:
                lines.append("namespace lint_unit_%d {" % index)
            lines.append('#include "%s"' % unit.path)
            if unit.is_test:
                lines.append("}")
        path = os.path.join(self.scratch, "group%d.cpp" % run)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        return path

    def check(self, group):
        """clang-tidy over a group: (return code, output, compiled)."""
        run = next(self.runs)
        if len(group) == 1:
            path, args = group[0].path, group[0].arguments
        else:
            path = self.unity_file(group, run)
            includes = []
            for unit in group:
                includes += [a for a in unit.arguments if a.startswith("-I") and a not in includes]
            args = [group[0].arguments[0]] + includes + [a for a in group[0].arguments[1:] if not a.startswith("-I")]
        # A group's own file includes .cpp files, which is what this check
        # reports; it stays on for every file checked on its own.
        extra = ["--checks=-bugprone-suspicious-include"] if len(group) > 1 else []
        database = os.path.join(self.scratch, "db%d" % run)
        os.makedirs(database, exist_ok=True)
        with open(os.path.join(database, "compile_commands.json"), "w", encoding="utf-8") as f:
            json.dump([{"directory": group[0].directory, "file": path, "arguments": args + [path]}], f)
        result = subprocess.run(
            # The configuration by name: clang-tidy would look for it beside
            # the group's file, which lies outside the tree.
            ["clang-tidy", "-p", database, "--config-file=" + CONFIG, "--quiet", "--warnings-as-errors=*",
             "--extra-arg=-w"] + extra + [path],
            capture_output=True,
            text=True,
        )
        output = result.stdout + result.stderr
        return result.returncode, output, "[clang-diagnostic-error]" not in output


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_db")
    parser.add_argument("files", nargs="*")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--per-file", action="store_true")
    options = parser.parse_intermixed_args()

    units = read_units(options.build_db, options.files)
    groups = groups_of(units, options.per_file)
    print(
        "lint: clang-tidy over %d translation units in %d runs, %d at a time"
        % (len(units), len(groups), options.jobs),
        flush=True,
    )
    findings = False
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        runner = Runner(scratch)
        pending = {pool.submit(runner.check, group): group for group in groups}
        while pending:
            done, _ = concurrent.futures.wait(pending, return_when=concurrent.futures.FIRST_COMPLETED)
            for future in done:
                group = pending.pop(future)
                code, output, compiled = future.result()
                if not compiled and len(group) > 1:
                    half = len(group) // 2
                    for part in (group[:half], group[half:]):
                        pending[pool.submit(runner.check, part)] = part
                elif code != 0:
                    findings = True
                    print(output, flush=True)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
