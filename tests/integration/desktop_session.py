"""tesso.exe with its desktop host, and tesso_input_probe.exe in the same Wine session.

The probe is a borderless topmost window: its pad in one colour over the upper two thirds, its
edit control below. For input it covers the screen but for a strip at the bottom (INPUT_RECT):
Wine takes a window that covers a whole monitor for a full-screen one, confines the X pointer
to it, and then refuses to move the X pointer for any other program. For frames of known
content it covers the whole screen (FULL_SCREEN).

A tesso.exe without the desktop host channel fails these tests (never skips them): the channel
is part of the program.
"""

import os
import subprocess

import pytest

from conftest import BIN_DIR, RUNS_DIR, TIMEOUT
from peer.bare_display import start_session
from peer.desktop import CHANNEL, DesktopHost
from peer.probe import PROBE_EXE, Probe
from tesso_host import TESSO

PROBE = os.path.join(BIN_DIR, PROBE_EXE)
WIDTH, HEIGHT = 1920, 1080
SCREEN = "%dx%dx24" % (WIDTH, HEIGHT)
FULL_SCREEN = (0, 0, WIDTH, HEIGHT)
INPUT_RECT = (0, 0, WIDTH, HEIGHT - 40)
PAD_COLOUR = (0x20, 0x60, 0xC0)


def require_desktop_host(session):
    bound = [e for e in session.events if e.name == "set_callback"
             and e.data == {"channel": CHANNEL, "set": True}]
    if not bound:
        pytest.fail("tesso.exe does not serve %s: the desktop host service is missing"
                    % CHANNEL)


class DesktopSession:
    """tesso.exe after its first frame, its desktop host channel and a probe window."""

    def __init__(self, session, probe):
        self.session = session
        self.host = DesktopHost(session, TIMEOUT)
        self.probe = probe

    def close(self):
        try:
            if self.probe is not None:
                self.probe.close()
        finally:
            self.session.close()


def start_desktop(screens=(SCREEN,), probe_rect=INPUT_RECT, fill="2060c0", **wine_options):
    for path in (TESSO, PROBE):
        assert os.path.isfile(path), "%s is not built (cmake --build --preset win)" % path
    session = start_session(TESSO, [], screens=screens, runs_dir=RUNS_DIR, **wine_options)
    probe = None
    try:
        session.wait_event("first_frame", timeout=TIMEOUT)
        require_desktop_host(session)
        probe = Probe.start(session.wine, PROBE, rect=probe_rect, fill=fill)
        probe.command("focus")
        return DesktopSession(session, probe)
    except BaseException:
        if probe is not None:
            probe.close()
        session.close()
        raise


def fraction(value, size):
    """The fraction of a display that addresses pixel value (its middle, against rounding)."""
    return (value + 0.5) / size


def xdotool(desk, *args):
    env = dict(os.environ, DISPLAY=desk.session.wine.display)
    return subprocess.run(["xdotool"] + list(args), env=env, capture_output=True, text=True,
                          timeout=TIMEOUT, check=True).stdout


def pointer(desk):
    fields = dict(part.split(":") for part in xdotool(desk, "getmouselocation").split()
                  if ":" in part)
    return int(fields["x"]), int(fields["y"])


def assert_success(reply, value):
    assert (reply.kind, reply.value) == ("success", value), reply
