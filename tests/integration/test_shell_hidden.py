"""The start-hidden option: exactly "--hidden", anywhere after the program path, keeps the
window hidden after the first frame; it is still handed to the user interface."""

from tesso_host import (WM_COMMAND, index_of, is_hidden, post, requires_tesso, settle,
                        start_shown, x_of)

pytestmark = requires_tesso


def test_hidden_after_an_argument_stays_hidden_until_opened():
    arguments = ["one", "--hidden"]
    session = start_shown(arguments)
    try:
        x = x_of(session)
        created = session.events[index_of(session.events, "engine_created")]
        assert created.data["arguments"] == arguments
        # The answer comes from the UI thread after the first frame's callback has run, so a
        # window shown there would already be mapped.
        assert is_hidden(session) is True
        assert x.main_window_not_viewable(), x.main_window()
        settle(session)  # later frames do not show it either
        assert is_hidden(session) is True
        assert x.main_window_not_viewable(), x.main_window()
        # The icon is in the tray from the start, whether or not the window shows.
        x.wait_tray(present=True)

        post(session, WM_COMMAND, 1)  # the menu's open item
        window = x.wait_shown()
        assert is_hidden(session) is False
        assert (window.x, window.y, window.width, window.height) == (10, 10, 1280, 720)
    finally:
        session.close()


def test_near_misses_do_not_count():
    arguments = ["--HIDDEN", "--hidden=1", "-hidden", "hidden", "--Hidden", " --hidden"]
    session = start_shown(arguments)
    try:
        x_of(session).wait_shown()
        assert is_hidden(session) is False
        created = session.events[index_of(session.events, "engine_created")]
        assert created.data["arguments"] == arguments
    finally:
        session.close()
