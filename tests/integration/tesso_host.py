"""tesso.exe under Wine: starting it, reading its engine events, and what the X server shows of
its window and of the tray.

What Wine puts on the X display (measured with Wine 8 on Xvfb, no window manager), in the
sessions started here, where Wine manages no window itself (see peer/bare_display.py):
- A top-level window is one X window covering its window rectangle, frame included (Wine draws
  the frame and the caption). It is unmapped while the Windows window is hidden. (With Wine's
  default, a managed window, the X window covers only the client area: a window created at
  (10, 10) with 1280 x 720 shows as 1272 x 693 at (14, 33).)
- WM_NCHITTEST sent to the window answers HTNOWHERE (0) for a point outside its rectangle and
  a non-zero code inside: the rectangle as Windows sees it.
- The X input focus follows the foreground window.
- Notification icons live in Explorer's "Wine System Tray" X window, mapped while at least one
  icon is present and unmapped when the last is deleted. Icons of a process that has ended are
  dropped, so the tray cannot tell whether an exiting program removed its own icon.
"""

import os
import re
import subprocess
import time

import pytest

# PLUGINS and index_of are offered to the test modules from here as well.
from conftest import BIN_DIR, PLUGINS, RUNS_DIR, TIMEOUT, index_of  # noqa: F401
from peer import codec
from peer.bare_display import start_session

TESSO = os.path.join(BIN_DIR, "tesso.exe")
# tesso.exe is part of the win build: a missing one is a failure, never a skip.
requires_tesso = pytest.mark.usefixtures()

WINDOW = "com.vel.halvo/window"
DESKTOP_HOST = "com.vel.halvo/desktop_host"
WINDOWS_WAKE = "com.vel.halvo/windows_wake"
# The services in the order the host window creates them; teardown runs in reverse.
SERVICE_CHANNELS = [WINDOWS_WAKE, WINDOW, DESKTOP_HOST]


WM_CLOSE = 0x0010
WM_ENDSESSION = 0x0016
WM_FONTCHANGE = 0x001D
WM_NCHITTEST = 0x0084
WM_COMMAND = 0x0111
TRAY_CALLBACK = 0x8058
NIN_SELECT = 0x0400
HTNOWHERE = 0

# Big enough for the window at 144 DPI (1920 x 1080 from (15, 15)); Wine shrinks a window that
# does not fit the screen.
SCREEN = "2560x1600x24"


def start_tesso(args=(), env=None, dpi=None):
    return start_session(TESSO, list(args), env=env, dpi=dpi, screens=(SCREEN,),
                         runs_dir=RUNS_DIR)


def start_shown(args=(), env=None, dpi=None):
    """A tesso.exe whose first frame has been produced."""
    session = start_tesso(args, env, dpi)
    try:
        session.wait_event("first_frame", timeout=TIMEOUT)
    except BaseException:
        session.close()
        raise
    return session


def channel_events(events, set_value):
    """(index, channel) of every set_callback event with the given set value."""
    return [(e.index, e.data["channel"]) for e in events
            if e.name == "set_callback" and e.data.get("set") is set_value]


def assert_orderly_teardown(session):
    """Every channel the host bound was cleared, services in reverse order of creation, all
    before the engine was destroyed, and the engine was destroyed once."""
    destroyed = session.wait_event("engine_destroyed", timeout=TIMEOUT)
    events = session.events
    assert [e.name for e in events].count("engine_destroyed") == 1
    bound = [channel for _, channel in channel_events(events, True)]
    assert WINDOW in bound
    cleared = channel_events(events, False)
    cleared_before = [channel for index, channel in cleared if index < destroyed.index]
    assert sorted(cleared_before) == sorted(bound), (
        "channels bound %s, cleared before the engine went %s" % (bound, cleared_before))
    services = [c for c in cleared_before if c in SERVICE_CHANNELS]
    assert services == [c for c in reversed(SERVICE_CHANNELS) if c in services]
    assert not [e for e in events[destroyed.index + 1:] if e.name == "set_callback"]


def call_window(session, method, arguments=None):
    return session.call(WINDOW, method, arguments, timeout=TIMEOUT)


def is_hidden(session):
    reply = call_window(session, "isHidden")
    assert reply.kind == "success" and isinstance(reply.value, bool), reply
    return reply.value


def assert_success_null(reply):
    assert (reply.kind, reply.value) == ("success", None), reply
    assert reply.raw == codec.encode_success(None)


def post(session, msg, wparam=0, lparam=0):
    session.control("post_message", msg=msg, wparam=wparam, lparam=lparam)


def settle(session):
    """Returns once the UI thread has handled every message posted to it before: the frame
    asked for now is posted to the engine's window on that thread, behind them."""
    since = len(session.events)
    session.control("frame")
    session.wait_event("frame", timeout=TIMEOUT, since=since)


def send(session, msg, wparam=0, lparam=0):
    """SendMessage to the top-level window; returns its result."""
    since = len(session.events)
    session.control("send_message", msg=msg, wparam=wparam, lparam=lparam)
    result = session.wait_event("message_result", timeout=TIMEOUT, since=since,
                                where=lambda d: d.get("msg") == msg)
    return result.data["result"]


def hit_test(session, x, y):
    return send(session, WM_NCHITTEST, 0, ((y & 0xFFFF) << 16) | (x & 0xFFFF))


def wait_until(condition, what, timeout=TIMEOUT, interval=0.05):
    """Polls condition() until it returns a true value, which it returns."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("not within %s s: %s" % (timeout, what))
        time.sleep(interval)


class XWindow:
    def __init__(self, wid, name, res_class, state, x, y, width, height):
        self.id = wid
        self.name = name
        self.res_class = res_class
        self.state = state  # IsViewable, IsUnMapped or IsUnviewable
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def viewable(self):
        return self.state == "IsViewable"

    def __repr__(self):
        return "XWindow(%s %r %r %s %dx%d+%d+%d)" % (self.id, self.name, self.res_class,
                                                      self.state, self.width, self.height,
                                                      self.x, self.y)


_CHILD = re.compile(r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((?:"([^"]*)" "([^"]*)")?\)')


class XDisplay:
    """The session's own X display, read with xwininfo and xprop."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def _run(self, *argv):
        result = subprocess.run(list(argv), env=self.env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        return result.stdout if result.returncode == 0 else None

    def top_level(self):
        """The root window's children (id, name, WM_CLASS class) in stacking order."""
        out = self._run("xwininfo", "-root", "-children") or ""
        found = []
        for line in out.splitlines():
            match = _CHILD.match(line)
            if match:
                found.append((match.group(1), match.group(2), match.group(4)))
        return found

    def describe(self, wid, name, res_class):
        out = self._run("xwininfo", "-id", wid)
        if out is None:
            return None  # destroyed meanwhile
        fields = dict(line.strip().split(": ", 1) for line in out.splitlines()
                      if ": " in line and not line.startswith("xwininfo"))
        return XWindow(wid, name, res_class, fields["Map State"],
                       int(fields["Absolute upper-left X"]),
                       int(fields["Absolute upper-left Y"]), int(fields["Width"]),
                       int(fields["Height"]))

    def windows(self, name=None, res_class=None):
        out = []
        for wid, wname, wclass in self.top_level():
            if name is not None and wname != name:
                continue
            if res_class is not None and (wclass or "").lower() != res_class.lower():
                continue
            window = self.describe(wid, wname, wclass)
            if window is not None:
                out.append(window)
        return out

    def tesso_windows(self):
        """X windows of tesso.exe processes titled "Tesso"."""
        return self.windows(name="Tesso", res_class="tesso.exe")

    def main_window(self):
        """The one "Tesso" window, or None when Wine has made none (yet)."""
        windows = self.tesso_windows()
        assert len(windows) <= 1, windows
        return windows[0] if windows else None

    def main_window_viewable(self):
        window = self.main_window()
        return window if window is not None and window.viewable else None

    def main_window_not_viewable(self):
        window = self.main_window()
        return window is None or not window.viewable

    def wait_shown(self, timeout=TIMEOUT):
        return wait_until(self.main_window_viewable, "the Tesso window mapped", timeout)

    def wait_not_shown(self, timeout=TIMEOUT):
        wait_until(self.main_window_not_viewable, "the Tesso window unmapped", timeout)

    def tray_viewable(self):
        return any(w.viewable for w in self.windows(name="Wine System Tray"))

    def wait_tray(self, present, timeout=TIMEOUT):
        wait_until(lambda: self.tray_viewable() == present,
                   "the tray %s" % ("shown" if present else "empty"), timeout)

    def has_focus(self, window):
        """Whether the X input focus is on that window (Wine moves it to the foreground
        window)."""
        out = self._run("xdotool", "getwindowfocus") or ""
        return out.strip().isdigit() and int(out) == int(window.id, 16)

    def wait_focus(self, window, timeout=TIMEOUT):
        wait_until(lambda: self.has_focus(window), "the X focus on %r" % window, timeout)

    def title(self, wid):
        """WM_NAME and _NET_WM_NAME of a window."""
        out = self._run("xprop", "-id", wid, "WM_NAME", "_NET_WM_NAME") or ""
        names = {}
        for line in out.splitlines():
            key, _, value = line.partition(" = ")
            names[key.split("(")[0].strip()] = value.strip()
        return names


def x_of(session):
    return XDisplay(session.wine.display)
