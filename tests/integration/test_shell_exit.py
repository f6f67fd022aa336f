"""Leaving: the tray menu's exit item, a close with close-to-tray off and the end of the logon
session end the process with exit code 0, every service's channel cleared before the engine is
destroyed. The end-of-session query (WM_ENDSESSION with wparam 0) changes nothing."""

from conftest import TIMEOUT
from tesso_host import (WM_CLOSE, WM_COMMAND, WM_ENDSESSION, assert_orderly_teardown,
                        assert_success_null, call_window, is_hidden, post, requires_tesso,
                        send, start_shown, x_of)

pytestmark = requires_tesso


def test_menu_exit_with_close_to_tray_on():
    session = start_shown()
    try:
        x_of(session).wait_shown()
        post(session, WM_COMMAND, 2)
        assert session.wait_exit(TIMEOUT) == 0
        assert_orderly_teardown(session)
        assert session.link_error is None
    finally:
        session.close()


def test_close_with_close_to_tray_off():
    session = start_shown()
    try:
        x = x_of(session)
        x.wait_shown()
        x.wait_tray(present=True)
        assert_success_null(call_window(session, "setCloseToTray", False))
        x.wait_tray(present=False)  # no viewer: the icon goes with close-to-tray
        assert x.main_window_viewable()
        post(session, WM_CLOSE)
        assert session.wait_exit(TIMEOUT) == 0
        assert_orderly_teardown(session)
    finally:
        session.close()


def test_end_session_query_changes_nothing_and_the_end_ends():
    session = start_shown()
    try:
        x = x_of(session)
        x.wait_shown()
        x.wait_tray(present=True)
        assert send(session, WM_ENDSESSION, 0) == 0
        assert session.process.poll() is None
        assert is_hidden(session) is False
        assert x.main_window_viewable()
        assert x.tray_viewable()
        # Not quitting: a close still hides to the tray.
        post(session, WM_CLOSE)
        x.wait_not_shown()
        assert is_hidden(session) is True
        assert session.process.poll() is None

        post(session, WM_ENDSESSION, 1)
        assert session.wait_exit(TIMEOUT) == 0
        assert_orderly_teardown(session)
    finally:
        session.close()
