"""tesso.exe's shell under Wine: start-up, the window at 96 and 144 DPI, the tray, a hostile
argument, a second instance, and the ways out (which call gets which answer, and the exact
rejections, are the unit tests' matter). One host serves the read-only checks; each test leaves
it shown, close-to-tray on, no viewer, the icon in the tray."""

import os
import struct

import pytest

from conftest import (BIN_DIR, TIMEOUT, WINDOW, WM_CLOSE, WM_COMMAND, WM_ENDSESSION,
                      WM_NCHITTEST, X, assert_orderly_exit, channels,
                      index_of, is_hidden, post, send, set_window, settle, start)
from peer import codec

PLUGINS = ["DesktopDropPlugin", "FlutterSecureStorageWindowsPlugin", "LocalAuthPlugin",
           "PermissionHandlerWindowsPlugin", "UrlLauncherWindows"]
TRAY_CALLBACK, NIN_SELECT, NIN_KEYSELECT = 0x8058, 0x400, 0x401


@pytest.fixture(scope="module")
def tesso():
    session = start()
    yield session
    session.close()


def assert_window(session, rect, arguments):
    """Shown at rect, titled "Tesso"; the frame answers hit tests inside each corner, nothing
    one pixel outside; the engine got the project, the arguments and a view inside the frame."""
    window = X(session).wait_shown()
    assert window.rect == rect
    assert X(session).run("xprop", "-id", window.id, "_NET_WM_NAME").endswith('= "Tesso"\n')
    left, top, width, height = rect
    right, bottom = left + width - 1, top + height - 1
    for x, y, inside in [(left, top, 1), (right, top, 1), (left, bottom, 1), (right, bottom, 1),
                         (left - 1, top, 0), (left, top - 1, 0), (right + 1, bottom, 0),
                         (right, bottom + 1, 0)]:
        assert bool(send(session, WM_NCHITTEST, 0, (y << 16) | x)) == bool(inside), (x, y)
    events = session.events
    assert events[index_of(events, "engine_created")].data == {
        "assets_path": "data\\flutter_assets", "icu_data_path": "data\\icudtl.dat",
        "aot_library_path": "data\\app.so", "entrypoint": "", "arguments": arguments}
    view = events[index_of(events, "view_created")].data
    assert width - width // 32 < view["width"] < width
    assert height - height // 9 < view["height"] < height - height // 72
    return window


def test_start_up_in_order_with_the_window_at_96_dpi(tesso):
    events = tesso.events
    assert [(e.name, e.data) for e in events if e.name.startswith("plugin_regist")] == [
        item for name in PLUGINS for item in (("plugin_registrar", {"name": name}), (
            "plugin_registered", {"entry_point": name + "RegisterWithRegistrar", "registrar": name}))]
    plugins = [e.index for e in events if e.name == "plugin_registered"]
    bound = [i for i, channel in channels(events, True) if channel == WINDOW]
    assert len(bound) == 1 and not channels(events, False)
    assert index_of(events, "engine_created") < index_of(events, "view_created") < plugins[0]
    assert plugins[-1] < bound[0] < index_of(events, "first_frame")
    assert_window(tesso, (10, 10, 1280, 720), [])
    X(tesso).wait_tray(present=True)


def hide(session):
    post(session, WM_CLOSE)
    X(session).wait_hidden()
    assert is_hidden(session) is True


@pytest.mark.parametrize("msg, lparam", [(WM_COMMAND, 0), (TRAY_CALLBACK, NIN_SELECT),
                                         (TRAY_CALLBACK, NIN_KEYSELECT)])
def test_close_hides_to_the_tray_and_the_icon_or_menu_shows_it(tesso, msg, lparam):
    hide(tesso)
    assert X(tesso).tray()
    post(tesso, msg, 1 if msg == WM_COMMAND else 0, lparam)
    X(tesso).wait_shown()
    assert is_hidden(tesso) is False


def test_the_icon_goes_with_close_to_tray_unless_a_viewer_is_active(tesso):
    x = X(tesso)
    hide(tesso)
    set_window(tesso, "setCloseToTray", False)  # shows the window, then removes the icon
    x.wait_shown()
    x.wait_tray(present=False)
    # Any process may broadcast "TaskbarCreated"; Wine's tray refuses the re-add as a duplicate.
    for step in ["setViewerActive", "setViewerActive", "setCloseToTray", "TaskbarCreated",
                 "setCloseToTray", "setCloseToTray"]:
        if step == "TaskbarCreated":
            tesso.wine.run([os.path.join(BIN_DIR, "broadcast_message.exe"), step])
            settle(tesso)
            assert x.tray()
        else:
            present = not x.tray()
            set_window(tesso, step, present)
            x.wait_tray(present)
    assert is_hidden(tesso) is False and x.tray()


def peak_kib(session):
    """VmHWM of the Linux process running tesso.exe in this session's prefix."""
    prefix, found = ("WINEPREFIX=" + session.wine.prefix).encode(), []
    for proc in (os.path.join("/proc", p) for p in os.listdir("/proc") if p.isdigit()):
        try:
            read = lambda name: open(os.path.join(proc, name), "rb").read()  # noqa: E731
            if read("cmdline").split(b"\0")[0].lower().endswith(b"tesso.exe") and \
                    prefix in read("environ").split(b"\0"):
                found.append(int(read("status").split(b"VmHWM:")[1].split()[0]))
        except OSError:
            continue
    assert len(found) == 1, found
    return found[0]


def test_an_amplifying_argument_is_answered_in_bounded_memory(tesso):
    # Byte-list headers each declaring one byte more than the rest of the message: decoded
    # without one budget for the message, each makes up the rest again (seconds and 300 MB).
    message = bytearray(codec.encode_value("isHidden") + b"\x0c\xff" + struct.pack("<I", 14924))
    while len(message) + 6 <= 89560:
        message += b"\x08\xff" + struct.pack("<I", 89560 - len(message) - 5)
    before = peak_kib(tesso)
    assert tesso.call_raw(WINDOW, bytes(message), timeout=TIMEOUT) == codec.encode_success(False)
    assert peak_kib(tesso) - before < 10 * 1024


def run_second(first, args):
    second = first.start_second(args)
    try:
        assert second.wait_exit(TIMEOUT) == 0
    finally:
        second.close()  # joins the link's reader: every event it sent is in
    assert second.events == [] and second.link_error is None, "a second engine"


def test_the_end_of_the_session_ends_it_while_hidden(tesso):
    hide(tesso)
    post(tesso, WM_ENDSESSION, 1)
    assert_orderly_exit(tesso)


def test_hidden_at_144_dpi_until_a_second_instance_then_closed_without_the_tray():
    session = start(args=["one", "--hidden"], dpi=144)
    try:
        x = X(session)
        for _ in range(2):  # answered after the first frame's callback, which must not show it
            assert is_hidden(session) is True and x.shown() is None
            settle(session)
        x.wait_tray(present=True)
        run_second(session, ["--hidden"])  # shows the first, in front
        x.wait_focus(assert_window(session, (15, 15, 1920, 1080), ["one", "--hidden"]))
        assert is_hidden(session) is False and len(x.tesso()) == 1
        set_window(session, "setCloseToTray", False)
        x.wait_tray(present=False)
        post(session, WM_CLOSE)
        assert_orderly_exit(session)
    finally:
        session.close()


def test_view_controller_failure_exits_with_1_before_any_service():
    session = start(shown=False, env={"TESSO_STANDIN_FAIL": "view_controller"})
    try:
        assert session.wait_exit(TIMEOUT) == 1  # by itself: no message loop ever ran
        session.wait_stderr("Failed to create view controller.", timeout=TIMEOUT)
    finally:
        session.close()
    assert [e.name for e in session.events] == ["engine_created", "view_controller_failed",
                                                "engine_destroyed"]
    assert session.stderr_lines().count("Failed to create view controller.") == 1
