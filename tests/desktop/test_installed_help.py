#!/usr/bin/env python3
"""F1 in an installed quandel opens the help content installed with it, in the
viewer installed beside it, at the overview topic.

Which installation: QUANDEL_BIN_DIR (its bin folder) and QUANDEL_HELP_CONTENT
(the help content file it must open), as the package test sets them for
/usr; or QUANDEL_INSTALL_BUILD, a build folder that is first installed under a
scratch prefix with a blank in its name, as CTest runs it: nothing of the
build tree or of the configured prefix may be used then."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from desktopsession import MAIN_CAPTION, DesktopSession, TestFailure, main

HELP_CAPTION = "Quandel Library Hilfe"  # the name in Quandel.chf
OVERVIEW_TITLE = "Überblick"  # its topic 1


def test_f1_opens_installed_help(s: DesktopSession):
    content = Path(os.environ["QUANDEL_HELP_CONTENT"]).resolve()
    folder = s.tmp / "Dokumente"
    folder.mkdir()
    s.seed_registry(quiet=True)
    s.start_quandel(folder)
    s.activate(s.wait_window(MAIN_CAPTION))
    s.key("F1")
    viewer_window = s.wait_window(HELP_CAPTION)

    pid = int(subprocess.run(["xdotool", "getwindowpid", str(viewer_window)], env=s.env(), check=True,
                             capture_output=True, text=True).stdout)
    exe = Path(os.readlink(f"/proc/{pid}/exe"))
    if exe != s.bin_dir / "brenlow":
        raise TestFailure(f"the viewer started is {exe}, not the one beside quandel in {s.bin_dir}")
    argv = Path(f"/proc/{pid}/cmdline").read_bytes().decode().split("\0")[:-1]
    if argv[1:] != [f"{content},1"]:
        raise TestFailure(f"the viewer was started with {argv[1:]}, not {content},1")

    viewer = s.wait_for(lambda: s.app(pid), "the viewer on the accessibility bus")
    s.wait_find(viewer, role="heading", name=OVERVIEW_TITLE)


def install_build(build: str, prefix: Path) -> None:
    subprocess.run(["cmake", "--install", build, "--prefix", str(prefix)], check=True,
                   stdout=subprocess.DEVNULL)
    if (prefix / "bin" / "Quandel.chf").exists():
        raise TestFailure("the help content was installed beside the programs")
    os.environ["QUANDEL_BIN_DIR"] = str(prefix / "bin")
    os.environ["QUANDEL_HELP_CONTENT"] = str(prefix / "share" / "quandel" / "Quandel.chf")
    os.environ.setdefault("QUANDEL_FAILURE_DIR", str(Path(build) / "desktop-failures"))


if __name__ == "__main__":
    build = os.environ.get("QUANDEL_INSTALL_BUILD")
    scratch = Path(tempfile.mkdtemp(prefix="quandel-install-")) if build else None
    try:
        if build:
            install_build(build, scratch / "Quandel Library")
        main(test_f1_opens_installed_help)
    finally:
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)
