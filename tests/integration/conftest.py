"""The Windows programs under Wine, each session with a prefix and an X display of its own
(peer/bare_display.py: no window manager, so a top-level window is one X window covering its
window rectangle, unmapped while hidden; the X focus follows the foreground window; the icons
live in the "Wine System Tray" X window, mapped while it has one)."""

import os
import re
import subprocess
import sys
import time
from collections import namedtuple

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))

from peer import codec  # noqa: E402
from peer.bare_display import start_session  # noqa: E402

BIN_DIR = os.path.abspath(os.environ.get("TESSO_BIN_DIR") or os.path.join(REPO, "build/win/bin"))
# Cloned prefixes live beside the binaries (on the template's file system, for hard links).
RUNS_DIR = os.environ.get("TESSO_WINE_RUNS") or os.path.join(os.path.dirname(BIN_DIR), "peer-runs")
TIMEOUT = 60  # generous: two builds may be compiling on the same two cores
TESSO = os.path.join(BIN_DIR, "tesso.exe")
WINDOW, WAKE = "com.vel.halvo/window", "com.vel.halvo/windows_wake"
SERVICES = [WAKE, WINDOW, "com.vel.halvo/desktop_host"]  # in the order of creation
WM_CLOSE, WM_ENDSESSION, WM_NCHITTEST, WM_COMMAND = 0x10, 0x16, 0x84, 0x111


def start(args=(), shown=True, screens=("2560x1600x24",), **options):
    """tesso.exe under Wine on a bare display (room for the window at 144 DPI by default), after
    its first frame when shown."""
    assert os.path.isfile(TESSO), "%s is not built (cmake --build --preset win)" % TESSO
    session = start_session(TESSO, list(args), runs_dir=RUNS_DIR, screens=screens, **options)
    try:
        if shown:
            session.wait_event("first_frame", timeout=TIMEOUT)
        return session
    except BaseException:
        session.close()
        raise


def index_of(events, name, where=lambda data: True, since=0):
    return next(e.index for e in events[since:] if e.name == name and where(e.data))


def channels(events, bound):
    return [(e.index, e.data["channel"]) for e in events
            if e.name == "set_callback" and e.data.get("set") is bound]


def assert_orderly_exit(session):
    """Exit code 0; every channel cleared, services in reverse order of creation, before the
    engine was destroyed, once; nothing bound after."""
    assert session.wait_exit(TIMEOUT) == 0
    end = session.wait_event("engine_destroyed", timeout=TIMEOUT).index
    events = session.events
    bound = [c for _, c in channels(events, True)]
    cleared = [c for i, c in channels(events, False) if i < end]
    assert WINDOW in bound and sorted(cleared) == sorted(bound)
    assert [c for c in cleared if c in SERVICES] == [c for c in SERVICES[::-1] if c in bound]
    assert [e.name for e in events[end:] if e.name in ("set_callback", "engine_destroyed")] == [
        "engine_destroyed"] and session.link_error is None


def call(session, channel, method, arguments=None):
    return session.call(channel, method, arguments, timeout=TIMEOUT)


def assert_reply(reply, value):
    assert (reply.kind, reply.value) == ("success", value), reply


def is_hidden(session):
    reply = call(session, WINDOW, "isHidden")
    assert reply.kind == "success" and reply.value in (True, False), reply
    return reply.value


def set_window(session, method, value):
    assert call(session, WINDOW, method, value).raw == codec.encode_success(None)


def post(session, msg, wparam=0, lparam=0):
    session.control("post_message", msg=msg, wparam=wparam, lparam=lparam)


def send(session, msg, wparam=0, lparam=0):
    """SendMessage to the top-level window; its result."""
    since = len(session.events)
    session.control("send_message", msg=msg, wparam=wparam, lparam=lparam)
    return session.wait_event("message_result", timeout=TIMEOUT, since=since,
                              where=lambda d: d.get("msg") == msg).data["result"]


def settle(session):
    """Once the UI thread has handled what was posted before (a frame asked for is behind)."""
    since = len(session.events)
    session.control("frame")
    session.wait_event("frame", timeout=TIMEOUT, since=since)


def wait_until(condition, what):
    deadline = time.monotonic() + TIMEOUT
    while not (value := condition()):
        assert time.monotonic() < deadline, "not within %s s: %s" % (TIMEOUT, what)
        time.sleep(0.05)
    return value


XWindow = namedtuple("XWindow", "id viewable rect")
_CHILD = re.compile(r'^\s*(0x[0-9a-f]+) "(.*)": \((?:"[^"]*" "([^"]*)")?\)')
_GEOMETRY = ("Map State", "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")


class X:
    """A session's X display, read with xwininfo, xprop and xdotool."""

    def __init__(self, session):
        self.env = dict(os.environ, DISPLAY=session.wine.display)

    def run(self, *argv):
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        return result.stdout if result.returncode == 0 else ""

    def windows(self, name, res_class=None):
        found = []
        for wid, wname, wclass in (m.groups() for m in map(_CHILD.match, self.run(
                "xwininfo", "-root", "-children").splitlines()) if m):
            fields = dict(line.strip().split(": ", 1) for line in self.run(
                "xwininfo", "-id", wid).splitlines()[1:] if ": " in line) if wname == name and \
                res_class in (None, (wclass or "").lower()) else {}
            if fields:  # else another window, or destroyed meanwhile
                state, *rect = (fields[key] for key in _GEOMETRY)
                found.append(XWindow(wid, state == "IsViewable", tuple(map(int, rect))))
        return found

    def tesso(self):
        return self.windows("Tesso", "tesso.exe")

    def shown(self):
        windows = self.tesso()
        assert len(windows) <= 1, windows
        return windows[0] if windows and windows[0].viewable else None

    def wait_shown(self):
        return wait_until(self.shown, "the Tesso window mapped")

    def wait_hidden(self):
        wait_until(lambda: self.shown() is None, "the Tesso window unmapped")

    def tray(self):
        return any(w.viewable for w in self.windows("Wine System Tray"))

    def wait_tray(self, present):
        wait_until(lambda: self.tray() == present, "the tray %s" % ("shown" if present else "empty"))

    def wait_focus(self, window):
        wait_until(lambda: self.run("xdotool", "getwindowfocus").strip() == str(int(window.id, 16)),
                   "the X focus on %r" % (window,))
