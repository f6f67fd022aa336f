"""The window service in a running tesso.exe, through the peer link and the X server: hide on
close, showing again, the tray icon's presence, the two calls to the user interface, and
arguments of every wrong type. One host serves the module; every test leaves it shown, with
close-to-tray on, no viewer and the icon in the tray."""

import os

import pytest

from conftest import BIN_DIR, TIMEOUT
from peer import codec
from tesso_host import (NIN_SELECT, TRAY_CALLBACK, WINDOW, WM_CLOSE, WM_COMMAND,
                        assert_success_null, call_window, is_hidden, post, requires_tesso,
                        settle, start_shown, x_of)

pytestmark = requires_tesso

NIN_KEYSELECT = 0x0401
WM_LBUTTONDBLCLK = 0x0203


@pytest.fixture(scope="module")
def tesso():
    session = start_shown()
    try:
        x_of(session).wait_shown()
        yield session
    finally:
        session.close()


@pytest.fixture
def host(tesso):
    """The module's host, checked to be in its resting state before and after the test."""
    x = x_of(tesso)
    assert tesso.process.poll() is None
    x.wait_shown()
    x.wait_tray(present=True)
    yield tesso
    assert tesso.process.poll() is None, "the host ended during the test"
    assert tesso.link_error is None
    # Back to rest, so that one failure does not cascade into the next tests.
    assert_success_null(call_window(tesso, "setViewerActive", False))
    assert_success_null(call_window(tesso, "setCloseToTray", True))
    if is_hidden(tesso):
        post(tesso, WM_COMMAND, 1)
    x.wait_shown()
    assert is_hidden(tesso) is False
    x.wait_tray(present=True)


def hide(session):
    post(session, WM_CLOSE)
    x_of(session).wait_not_shown()
    assert is_hidden(session) is True


class TestHideAndShow:
    def test_close_hides_to_the_tray(self, host):
        x = x_of(host)
        hide(host)
        assert x.tray_viewable(), "the icon stays while hidden"
        post(host, WM_CLOSE)  # a second close while hidden changes nothing
        settle(host)
        assert is_hidden(host) is True
        assert x.main_window_not_viewable()
        assert host.process.poll() is None

    def test_close_to_tray_off_shows_the_window_then_removes_the_icon(self, host):
        x = x_of(host)
        hide(host)
        assert_success_null(call_window(host, "setCloseToTray", False))
        x.wait_shown()
        assert is_hidden(host) is False
        x.wait_tray(present=False)
        assert_success_null(call_window(host, "setCloseToTray", True))
        x.wait_tray(present=True)

    @pytest.mark.parametrize("how", ["open item", "icon selected", "icon key-selected"])
    def test_shown_again_from_the_tray(self, host, how):
        hide(host)
        if how == "open item":
            post(host, WM_COMMAND, 1)
        else:
            post(host, TRAY_CALLBACK, 0, NIN_SELECT if how == "icon selected" else NIN_KEYSELECT)
        x_of(host).wait_shown()
        assert is_hidden(host) is False

    def test_double_click_on_the_icon_does_nothing(self, host):
        hide(host)
        post(host, TRAY_CALLBACK, 0, WM_LBUTTONDBLCLK)
        settle(host)
        assert is_hidden(host) is True
        assert x_of(host).main_window_not_viewable()

    def test_viewer_keeps_the_icon_while_close_to_tray_is_off(self, host):
        x = x_of(host)
        assert_success_null(call_window(host, "setViewerActive", True))
        assert_success_null(call_window(host, "setCloseToTray", False))
        assert x.tray_viewable(), "an active viewer keeps the icon"
        assert_success_null(call_window(host, "setViewerActive", False))
        x.wait_tray(present=False)
        assert_success_null(call_window(host, "setViewerActive", True))
        x.wait_tray(present=True)


    def test_icon_still_removed_after_a_stray_taskbar_created(self, host):
        # Any process may broadcast "TaskbarCreated" while the icon is in the tray; Wine's
        # tray then refuses the add as a duplicate.
        x = x_of(host)
        host.wine.run([os.path.join(BIN_DIR, "broadcast_message.exe"), "TaskbarCreated"])
        settle(host)
        assert x.tray_viewable()
        assert_success_null(call_window(host, "setCloseToTray", False))
        x.wait_tray(present=False)
        assert_success_null(call_window(host, "setCloseToTray", True))
        x.wait_tray(present=True)


class TestCallsToTheInterface:
    @pytest.mark.parametrize("command, method", [(3, "disconnectViewers"),
                                                 (4, "stopHosting")])
    def test_menu_command_sends_a_call_without_reply(self, host, command, method):
        seen = []

        def refuse(message):
            seen.append(message)
            return codec.encode_error("refused", "the peer says no", None)

        host.on_host_message(WINDOW, refuse)
        try:
            since = len(host.host_messages())
            post(host, WM_COMMAND, command)
            message = host.wait_host_message(WINDOW, timeout=TIMEOUT, since=since)
            assert message.method == method
            assert message.call is not None and message.arguments is None
            assert message.body == codec.encode_method_call(method, None)
            assert message.id == 0, "sent without a reply handler"
            # Whatever the peer answers is ignored: the host goes on as before.
            assert is_hidden(host) is False
            assert x_of(host).main_window_viewable()
            assert [m.method for m in host.host_messages()[since:]] == [method]
        finally:
            host.on_host_message(WINDOW, None)


class TestWire:
    """The answers' exact bytes through the real engine link; which arguments and names get
    which answer is the unit tests' matter."""

    def test_answers_and_rejections_keep_the_icon(self, host):
        x = x_of(host)
        assert_success_null(call_window(host, "showNotice", {"title": "标题", "body": "正文"}))
        assert call_window(host, "IsHidden", True).kind == "not_implemented"
        for method in ("setCloseToTray", "setViewerActive"):
            reply = call_window(host, method, 1)
            assert reply.raw == codec.encode_error("bad_args", "expected bool", None), reply
        # Read as false, setCloseToTray would have removed the icon.
        assert x.tray_viewable()
        hide(host)

    def test_undecodable_call_gets_no_answer_and_the_host_goes_on(self, host):
        assert host.call_raw(WINDOW, b"\x03\x01\x00\x00\x00", timeout=TIMEOUT) == b""
        assert is_hidden(host) is False
