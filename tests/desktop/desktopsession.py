"""A private desktop for end-to-end tests of quandel and brenlow.

Each session owns a fresh Xvfb (free display chosen by the server through
-displayfd), a session D-Bus (dbus-run-session), the openbox window manager and
the accessibility bus, and a private HOME with XDG folders in a temporary
folder. The programs run with QT_QPA_PLATFORM=xcb and
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, so a test sees window frames, stacking,
keyboard focus and everything a screen reader sees.

A test is a Python script beside this module, registered in
tests/desktop/CMakeLists.txt with

    quandel_add_desktop_test(NAME desktop_mything SCRIPT test_mything.py)

(label `desktop`, run with the build's bin folder). The script:

    from desktopsession import DesktopSession, main

    def test_opens(s: DesktopSession):
        s.seed_registry(quiet=True)               # no splash, disclaimer accepted
        s.start_quandel(s.library_copy())         # a scratch copy of the samples
        win = s.wait_window("Tivorn Quandel Library")  # exact _NET_WM_NAME
        lst = s.wait_find(s.app_quandel(), role="list", name="Dokumente")
        s.click(s.find(lst, role="list item", name="Readme"))
        s.key("ctrl+s")
        s.wait_for(lambda: ..., "what we wait for")

    if __name__ == "__main__":
        main(test_opens)

`main` runs every given test function in its own fresh session and process
(`python3 test_mything.py test_opens` runs one), prints one line a test, and
exits non-zero when one fails; on failure the screen is kept as
<build>/desktop-failures/<script>-<test>.png (the folder can be chosen with
QUANDEL_FAILURE_DIR). Every wait has a deadline (wait_for); there are no fixed
sleeps. All processes of the session are ended
at the end, also on failure or when CTest's timeout sends SIGTERM.

Helpers: windows by exact caption (wait_window) or by process
(wait_window_of), their inner and outer geometry (geometry, outer_geometry,
frame_extents), stacking order and the active window; AT-SPI search by role,
name and state (find, find_all, wait_find), text, extents and real clicks at
them (click); keys and typing through xdotool (key, type_text); AT-SPI events
(watch); screenshots (screenshot). tests/desktop/quandelsteps.py has the
steps on quandel's main window (Main).

Things worth knowing about Qt 6.4 under AT-SPI:
- list views offer no selection interface: click items at their extents and
  read the selection from the item states (s.is_selected(item));
- an AT-SPI action that opens a modal dialog blocks the caller until the
  dialog closes: open dialogs with real clicks and keys (s.click, s.key);
- message boxes have the role `alert`, dialogs `dialog`, main windows `frame`,
  the help viewer `frame` (its own role; a plain QWidget window would be `filler`);
- popup menus are not in the tree: watch "object:state-changed:focused" and
  move through the menu with keys; menu entries' names carry the text after
  a tab ("Einfügen\tStrg+V");
- the accessibility library keeps its first bus for the life of the process:
  one session a process (main() sees to that);
- xdotool's --sync waits have no deadline and hang when nothing changes:
  act without them and wait on a condition.
"""

from __future__ import annotations

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path
from typing import Callable, Iterable, Optional

REGISTRY_KEY = "HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library"
MAIN_CAPTION = "Tivorn Quandel Library"
DEFAULT_TIMEOUT = 15.0

_pyatspi = None


def _atspi():
    """pyatspi, imported once the session bus of the session is known."""
    global _pyatspi
    if _pyatspi is None:
        import pyatspi  # noqa: PLC0415 - needs DBUS_SESSION_BUS_ADDRESS first

        _pyatspi = pyatspi
    return _pyatspi


class TestFailure(AssertionError):
    pass


class DesktopSession:
    """One private desktop. Use as a context manager or through main()."""

    def __init__(self, name: str = "desktop", screen: str = "1024x768x24"):
        self.name = name
        self.screen = screen
        self.bin_dir = Path(os.environ.get("QUANDEL_BIN_DIR", "build/bin")).resolve()
        self.source_dir = Path(os.environ.get("QUANDEL_SOURCE_DIR", Path(__file__).resolve().parents[2]))
        self.tmp = Path(tempfile.mkdtemp(prefix=f"quandel-{name}-"))
        self.home = self.tmp / "home"
        self.config = self.home / ".config"
        self.data = self.home / ".local" / "share"
        self.marker = f"QUANDEL_DESKTOP_SESSION={self.tmp}"
        self.display = ""
        self.bus = ""
        self._procs: list[subprocess.Popen] = []
        self.programs: list[subprocess.Popen] = []
        self._logs: list = []

    # ------------------------------------------------------------------
    # Start and end

    def __enter__(self) -> "DesktopSession":
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def _log(self, what: str):
        f = open(self.tmp / f"{what}.log", "wb")
        self._logs.append(f)
        return f

    def _spawn(self, args: list[str], env: Optional[dict] = None, **kw) -> subprocess.Popen:
        full_env = dict(os.environ if env is None else env)
        full_env["QUANDEL_DESKTOP_SESSION"] = str(self.tmp)
        p = subprocess.Popen(args, env=full_env, start_new_session=True, **kw)
        self._procs.append(p)
        return p

    def start(self) -> None:
        for d in (self.config, self.data, self.home / ".cache", self.tmp / "run"):
            d.mkdir(parents=True, exist_ok=True)
        os.chmod(self.tmp / "run", 0o700)
        # Xvfb writes the display number it chose to the pipe.
        rfd, wfd = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(wfd), "-screen", "0", self.screen, "-nolisten", "tcp"],
                    pass_fds=(wfd,), stdout=self._log("xvfb"), stderr=subprocess.STDOUT)
        os.close(wfd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(rfd, 16)
            if not chunk:
                break
            number += chunk
        os.close(rfd)
        if not number.strip():
            raise TestFailure("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        # A session bus that lives as long as the process it runs.
        bus = self._spawn(["dbus-run-session", "--", "sh", "-c",
                           'echo "$DBUS_SESSION_BUS_ADDRESS"; exec sleep 100000'],
                          stdout=subprocess.PIPE, stderr=self._log("dbus"))
        self.bus = bus.stdout.readline().decode().strip()
        if not self.bus:
            raise TestFailure("the session bus did not start")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        # The server takes connections once it has written its number; on a
        # loaded machine the first client can still be refused, so openbox
        # gets a few tries.
        for attempt in range(3):
            wm = self._spawn(["openbox", "--sm-disable"], env=self.env(), stdout=self._log(f"openbox{attempt}"),
                             stderr=subprocess.STDOUT)
            try:
                self.wait_for(lambda: wm.poll() is not None or "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self._xprop_root(
                    "_NET_SUPPORTING_WM_CHECK"), "openbox manages the screen", timeout=30)
            except TestFailure:
                pass
            if wm.poll() is None:
                break
        else:
            logs = " | ".join((self.tmp / f"{n}.log").read_text(errors="replace")[-800:]
                              for n in ("xvfb", "openbox0", "openbox2"))
            raise TestFailure(f"openbox did not come up: {logs}")
        # Asking for the desktop once starts the accessibility bus and its
        # registry before any program looks for them.
        self.desktop()

    def close(self) -> None:
        for p in reversed(self._procs):
            _kill_group(p)
        _kill_marked(str(self.tmp))
        for p in self._procs:
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
            if p.stdout:
                p.stdout.close()
        for f in self._logs:
            f.close()
        self._procs.clear()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def env(self, **extra: str) -> dict:
        """The environment of a program of the session."""
        env = dict(os.environ)
        for k in list(env):
            if k.startswith(("QT_", "XDG_")) or k in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
                del env[k]
        env.update(
            DISPLAY=self.display,
            DBUS_SESSION_BUS_ADDRESS=self.bus,
            HOME=str(self.home),
            XDG_CONFIG_HOME=str(self.config),
            XDG_DATA_HOME=str(self.data),
            XDG_CACHE_HOME=str(self.home / ".cache"),
            XDG_RUNTIME_DIR=str(self.tmp / "run"),
            QT_QPA_PLATFORM="xcb",
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
            QT_ACCESSIBILITY="1",
            LANG="C.UTF-8",
            QUANDEL_DESKTOP_SESSION=str(self.tmp),
        )
        env.update(extra)
        return env

    # ------------------------------------------------------------------
    # Programs and their data

    def seed_registry(self, quiet: bool = True, values: Optional[dict] = None) -> Path:
        """Writes ~/.config/Tivorn/registry.reg. quiet: disclaimer accepted and
        no splash. values: name -> str (text) or int (32-bit number)."""
        entries: dict = {}
        if quiet:
            entries.update({"Version": "2.5", "Startup": 1})
        entries.update(values or {})
        lines = ["Windows Registry Editor Version 5.00", "", f"[{REGISTRY_KEY}]"]
        for k, v in entries.items():
            if isinstance(v, int):
                lines.append(f'"{k}"=dword:{v & 0xFFFFFFFF:08x}')
            else:
                esc = str(v).replace("\\", "\\\\").replace('"', '\\"')
                lines.append(f'"{k}"="{esc}"')
        path = self.config / "Tivorn" / "registry.reg"
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text("\n".join(lines) + "\n", encoding="utf-8")
        return path

    def registry_text(self) -> str:
        path = self.config / "Tivorn" / "registry.reg"
        return path.read_text(encoding="utf-8", errors="replace") if path.exists() else ""

    def registry_value(self, name: str) -> Optional[str]:
        m = re.search(r'^"%s"=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-fA-F]+))' % re.escape(name),
                      self.registry_text(), re.M | re.I)
        if not m:
            return None
        return m.group(1) if m.group(1) is not None else str(int(m.group(2), 16))

    def library_copy(self) -> Path:
        """A scratch copy of the sample library, for the program to change."""
        target = self.tmp / "Bibliothek"
        if not target.exists():
            shutil.copytree(self.source_dir / "examples" / "Bibliothek", target)
        return target

    def start_program(self, program: str, args: Iterable[str] = (), **env: str) -> subprocess.Popen:
        p = self._spawn([str(self.bin_dir / program), *map(str, args)], env=self.env(**env),
                        stdout=self._log(program), stderr=subprocess.STDOUT)
        self.programs.append(p)
        return p

    def start_quandel(self, folder=None, *args: str, **env: str) -> subprocess.Popen:
        return self.start_program("quandel", ([str(folder)] if folder else []) + list(args), **env)

    def start_brenlow(self, *args: str, **env: str) -> subprocess.Popen:
        return self.start_program("brenlow", args, **env)

    def program_log(self, program: str = "quandel") -> str:
        path = self.tmp / f"{program}.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def wait_exit(self, proc: subprocess.Popen, timeout: float = DEFAULT_TIMEOUT) -> int:
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TestFailure(f"{proc.args[0]} did not end within {timeout} s") from None

    # ------------------------------------------------------------------
    # Waiting

    def wait_for(self, condition: Callable, what: str, timeout: float = DEFAULT_TIMEOUT, interval: float = 0.05):
        """Polls condition until it gives a true value, which is returned;
        fails with `what` at the deadline. Exceptions count as not yet."""
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            try:
                value = condition()
                if value:
                    return value
            except Exception as e:  # noqa: BLE001 - the state may not exist yet
                last_error = e
            if time.monotonic() >= deadline:
                extra = f" (last error: {last_error!r})" if last_error else ""
                raise TestFailure(f"timed out after {timeout} s waiting for: {what}{extra}")
            time.sleep(interval)

    def settle(self, quiet_for: float = 0.3, timeout: float = 5.0) -> None:
        """Waits until the window list and the focus stop changing."""
        last = None
        stable_since = time.monotonic()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            now = (tuple(self.stacking()), self.active_window(),
                   tuple(self.geometry(w) for w in self.stacking()))
            if now != last:
                last = now
                stable_since = time.monotonic()
            elif time.monotonic() - stable_since >= quiet_for:
                return
            time.sleep(0.05)

    # ------------------------------------------------------------------
    # X11 windows

    def _run(self, *args: str) -> str:
        return subprocess.run(args, env=self.env(), capture_output=True, text=True, timeout=10).stdout

    def _xprop_root(self, *props: str) -> str:
        return self._run("xprop", "-root", *props)

    def stacking(self) -> list[int]:
        """Managed windows, bottom first."""
        out = self._xprop_root("_NET_CLIENT_LIST_STACKING")
        return [int(x, 16) for x in re.findall(r"0x[0-9a-fA-F]+", out)]

    def active_window(self) -> int:
        m = re.search(r"0x[0-9a-fA-F]+", self._xprop_root("_NET_ACTIVE_WINDOW"))
        return int(m.group(0), 16) if m else 0

    def title(self, wid: int) -> Optional[str]:
        """_NET_WM_NAME exactly, blanks included."""
        out = self._run("xprop", "-id", str(wid), "-notype", "_NET_WM_NAME")
        m = re.search(r'= "(.*)"\s*$', out, re.S)
        if not m:
            return None
        return re.sub(r'\\(.)', r"\1", m.group(1))

    def windows(self) -> dict[int, str]:
        return {w: self.title(w) or "" for w in self.stacking()}

    def find_window(self, title: str | re.Pattern) -> Optional[int]:
        for w, t in self.windows().items():
            if (t == title) if isinstance(title, str) else title.search(t):
                return w
        return None

    def wait_window(self, title: str | re.Pattern, timeout: float = DEFAULT_TIMEOUT) -> int:
        return self.wait_for(lambda: self.find_window(title), f"a window titled {title!r}", timeout)

    def wait_no_window(self, title: str | re.Pattern, timeout: float = DEFAULT_TIMEOUT) -> None:
        self.wait_for(lambda: self.find_window(title) is None, f"no window titled {title!r}", timeout)

    def pid_of(self, wid: int) -> int:
        m = re.search(r"= (\d+)", self._run("xprop", "-id", str(wid), "_NET_WM_PID"))
        return int(m.group(1)) if m else 0

    def wait_window_of(self, proc: subprocess.Popen, timeout: float = DEFAULT_TIMEOUT) -> int:
        """The first managed window of a process (by _NET_WM_PID)."""
        return self.wait_for(lambda: next((w for w in self.stacking() if self.pid_of(w) == proc.pid), None),
                             f"a window of {proc.args[0]}", timeout)

    def geometry(self, wid: int) -> tuple[int, int, int, int]:
        """Inner (client) geometry on the screen: x, y, width, height."""
        out = self._run("xwininfo", "-id", str(wid))
        v = {k: int(n) for k, n in re.findall(r"(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", out)}
        return v["Absolute upper-left X"], v["Absolute upper-left Y"], v["Width"], v["Height"]

    def frame_extents(self, wid: int) -> tuple[int, int, int, int]:
        """left, right, top, bottom of the window manager's frame."""
        out = self._run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS")
        n = re.findall(r"\d+", out.split("=", 1)[1]) if "=" in out else []
        return tuple(int(x) for x in n[:4]) if len(n) >= 4 else (0, 0, 0, 0)

    def outer_geometry(self, wid: int) -> tuple[int, int, int, int]:
        x, y, w, h = self.geometry(wid)
        left, right, top, bottom = self.frame_extents(wid)
        return x - left, y - top, w + left + right, h + top + bottom

    def wm_state(self, wid: int) -> str:
        return self._run("xprop", "-id", str(wid), "_NET_WM_STATE")

    def screen_size(self) -> tuple[int, int]:
        w, h = self.screen.split("x")[:2]
        return int(w), int(h)

    # ------------------------------------------------------------------
    # Input

    def xdotool(self, *args: str) -> None:
        subprocess.run(["xdotool", *map(str, args)], env=self.env(), check=True, timeout=20)

    def key(self, *keys: str) -> None:
        """xdotool key names: "ctrl+s", "alt+q", "Return", "Escape"."""
        self.xdotool("key", "--clearmodifiers", "--delay", "30", *keys)

    def type_text(self, text: str) -> None:
        self.xdotool("type", "--delay", "20", text)

    def click_at(self, x: int, y: int, button: int = 1) -> None:
        # The server handles the move before the click; xdotool's --sync
        # would hang when the pointer is already there.
        self.xdotool("mousemove", x, y, "click", button)

    def activate(self, wid: int) -> None:
        # No --sync: xdotool's own waits have no deadline.
        self.xdotool("windowactivate", wid)
        self.wait_for(lambda: self.active_window() == wid, f"window {wid} is active")

    # ------------------------------------------------------------------
    # Accessibility

    def desktop(self):
        return _atspi().Registry.getDesktop(0)

    def app(self, pid: int):
        """The accessible application of a process, or None."""
        d = self.desktop()
        for i in range(d.childCount):
            a = d.getChildAtIndex(i)
            try:
                if a is not None and a.get_process_id() == pid:
                    return a
            except Exception:  # noqa: BLE001 - an application that just left
                continue
        return None

    def wait_app(self, proc: subprocess.Popen, timeout: float = DEFAULT_TIMEOUT):
        return self.wait_for(lambda: self.app(proc.pid), f"{proc.args[0]} on the accessibility bus", timeout)

    def app_quandel(self):
        proc = next(p for p in self.programs if p.args[0].endswith("quandel"))
        return self.wait_app(proc)

    @staticmethod
    def role(acc) -> str:
        return acc.getRoleName()

    def find_all(self, root, role: Optional[str] = None, name: Optional[str | re.Pattern] = None,
                 pred: Optional[Callable] = None, showing: Optional[bool] = None, limit: int = 5000) -> list:
        """Depth-first over the accessible tree below root (root included).
        role as AT-SPI role name ("push button", "list item", "alert")."""
        found = []
        stack = [root]
        seen = 0
        while stack and seen < limit:
            acc = stack.pop()
            if acc is None:
                continue
            seen += 1
            try:
                ok = role is None or acc.getRoleName() == role
                if ok and name is not None:
                    n = acc.name or ""
                    ok = (n == name) if isinstance(name, str) else bool(name.search(n))
                if ok and showing is not None:
                    ok = self.has_state(acc, "showing") == showing
                if ok and pred is not None:
                    ok = pred(acc)
                if ok:
                    found.append(acc)
                n = acc.childCount
                stack.extend(acc.getChildAtIndex(i) for i in reversed(range(min(n, 2000))))
            except Exception:  # noqa: BLE001 - objects can vanish while we walk
                continue
        return found

    def find(self, root, **kw):
        r = self.find_all(root, **kw)
        return r[0] if r else None

    def wait_find(self, root, timeout: float = DEFAULT_TIMEOUT, **kw):
        return self.wait_for(lambda: self.find(root() if callable(root) else root, **kw), f"accessible {kw}", timeout)

    def has_state(self, acc, state: str) -> bool:
        at = _atspi()
        st = getattr(at, "STATE_" + state.upper().replace(" ", "_"))
        return acc.getState().contains(st)

    def is_selected(self, acc) -> bool:
        return self.has_state(acc, "selected")

    def extents(self, acc) -> tuple[int, int, int, int]:
        e = acc.queryComponent().getExtents(_atspi().DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def click(self, acc, button: int = 1) -> None:
        """A real mouse click at the middle of the accessible."""
        x, y, w, h = self.extents(acc)
        if w <= 0 or h <= 0:
            raise TestFailure(f"{acc.getRoleName()} {acc.name!r} has no area to click")
        self.click_at(x + w // 2, y + h // 2, button)

    def text(self, acc) -> str:
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    def watch(self, *event_types: str) -> "EventLog":
        """Records AT-SPI events such as "object:state-changed:focused" from
        now on; needed for popup menus, which Qt keeps out of the tree."""
        return EventLog(self, event_types)

    def top_windows(self, app) -> list:
        return [app.getChildAtIndex(i) for i in range(app.childCount)]

    # ------------------------------------------------------------------
    # Pictures

    def screenshot(self, path, wid: Optional[int] = None) -> Path:
        """The screen, or the outer area of one window, as PNG."""
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        args = ["import", "-window", "root"]
        if wid:
            x, y, w, h = self.outer_geometry(wid)
            args += ["-crop", f"{w}x{h}+{max(x, 0)}+{max(y, 0)}", "+repage"]
        subprocess.run(args + [str(path)], env=self.env(), check=True, timeout=30)
        return path


class EventLog:
    """AT-SPI events of the given types as (type, role, name) tuples."""

    def __init__(self, session: DesktopSession, types):
        self.session = session
        self.types = types
        self.items: list[tuple[str, str, str]] = []
        _atspi().Registry.registerEventListener(self._record, *types)

    def _record(self, event) -> None:
        try:
            self.items.append((event.type, event.source.getRoleName(), event.source.name or ""))
        except Exception:  # noqa: BLE001 - the source may be gone already
            pass

    def pump(self) -> list:
        from gi.repository import GLib  # noqa: PLC0415

        ctx = GLib.MainContext.default()
        while ctx.pending():
            ctx.iteration(False)
        return self.items

    def wait(self, predicate: Callable, what: str, timeout: float = DEFAULT_TIMEOUT):
        """The first recorded (type, role, name) that satisfies predicate."""
        return self.session.wait_for(lambda: next((e for e in self.pump() if predicate(*e)), None), what, timeout)

    def close(self) -> None:
        _atspi().Registry.deregisterEventListener(self._record, *self.types)


def _kill_group(p: subprocess.Popen) -> None:
    if p.poll() is not None:
        return
    try:
        os.killpg(p.pid, signal.SIGTERM)
    except (ProcessLookupError, PermissionError):
        return
    try:
        p.wait(timeout=3)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass


def _kill_marked(tmp: str) -> None:
    """Ends what the session's programs started on their own (a detached help
    viewer, a web opener): every process carrying the session's mark."""
    mark = f"QUANDEL_DESKTOP_SESSION={tmp}".encode()
    me = os.getpid()
    for sig in (signal.SIGTERM, signal.SIGKILL):
        found = False
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == me:
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if mark in f.read().split(b"\0"):
                        os.kill(int(entry), sig)
                        found = True
            except (OSError, ProcessLookupError):
                continue
        if not found:
            return
        time.sleep(0.2)


def _on_term(signum, frame):
    raise SystemExit(128 + signum)


def main(*tests: Callable[[DesktopSession], None], screen: str = "1024x768x24") -> None:
    """Runs each test in its own session; exit code 1 when any fails."""
    signal.signal(signal.SIGTERM, _on_term)
    script = Path(sys.argv[0]).stem
    only = sys.argv[1:]
    if len(tests) > 1 and len(only) != 1:
        # The accessibility library keeps its first bus for the life of the
        # process: each test runs in a process of its own.
        failed = []
        for test in tests:
            if only and test.__name__ not in only:
                continue
            child = subprocess.Popen([sys.executable, "-u", sys.argv[0], test.__name__])
            try:
                if child.wait() != 0:
                    failed.append(test.__name__)
            except BaseException:
                child.terminate()
                child.wait()
                raise
        if failed:
            print("failed:", " ".join(failed))
            sys.exit(1)
        return
    failed = []
    for test in tests:
        if only and test.__name__ not in only:
            continue
        started = time.monotonic()
        with DesktopSession(f"{script}-{test.__name__}", screen=screen) as s:
            try:
                test(s)
                print(f"PASS {test.__name__} ({time.monotonic() - started:.1f} s)", flush=True)
            except Exception:  # noqa: BLE001 - reported, then the next test
                failed.append(test.__name__)
                print(f"FAIL {test.__name__} ({time.monotonic() - started:.1f} s)", flush=True)
                traceback.print_exc()
                failures = os.environ.get("QUANDEL_FAILURE_DIR", s.bin_dir.parent / "desktop-failures")
                shot = Path(failures) / f"{script}-{test.__name__}.png"
                try:
                    s.screenshot(shot)
                    print(f"screen at failure: {shot}")
                    print("windows:", s.windows())
                    for prog in ("quandel", "brenlow"):
                        log = s.program_log(prog)
                        if log:
                            print(f"--- {prog} output ---\n{log[-3000:]}")
                except Exception as e:  # noqa: BLE001
                    print(f"no screenshot: {e}")
    if failed:
        print("failed:", " ".join(failed))
        sys.exit(1)
