"""A second tesso.exe in the same Wine session (same prefix, wineserver and display) only wakes
the first: it exits with code 0, touches no engine, makes no window, and the first instance's
window is shown."""

import time

from conftest import TIMEOUT
from tesso_host import (WM_CLOSE, is_hidden, post, requires_tesso, start_shown, x_of)

pytestmark = requires_tesso


def run_second(first, args=()):
    """Starts and waits for a second instance; returns its finished session."""
    started = time.monotonic()
    second = first.start_second(args)
    try:
        code = second.wait_exit(TIMEOUT)
        # For the figures in the test log only.
        print("second instance exited after %.2f s" % (time.monotonic() - started))
    finally:
        second.close()  # joins the link's reader: every event it sent is in
    assert code == 0
    assert second.events == [], "a second instance must not start an engine"
    assert second.link_error is None
    return second


def test_second_start_shows_a_window_hidden_to_the_tray():
    first = start_shown()
    try:
        x = x_of(first)
        x.wait_shown()
        post(first, WM_CLOSE)
        x.wait_not_shown()
        assert is_hidden(first) is True

        run_second(first, ["--hidden"])
        window = x.wait_shown()
        x.wait_focus(window)  # and in front
        assert is_hidden(first) is False
        assert [w.id for w in x.tesso_windows()] == [window.id], "no second window"
    finally:
        first.close()


def test_second_start_shows_a_window_started_hidden():
    first = start_shown(["--hidden"])
    try:
        x = x_of(first)
        assert is_hidden(first) is True
        assert x.main_window_not_viewable()

        run_second(first)
        window = x.wait_shown()
        x.wait_focus(window)
        assert is_hidden(first) is False
        assert [w.id for w in x.tesso_windows()] == [window.id], "no second window"
        # The first instance goes on serving its user interface.
        assert first.process.poll() is None
    finally:
        first.close()
