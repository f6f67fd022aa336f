"""tesso.exe started without arguments at 96 DPI: the engine it creates, the plug-ins and the
services, the window shown on the first frame where the contract puts it, the tray icon, and
WM_FONTCHANGE reaching the engine."""

import pytest

from conftest import TIMEOUT, expected_plugin_events, plugin_events
from tesso_host import (HTNOWHERE, WINDOW, WM_FONTCHANGE, channel_events, hit_test,
                        index_of, is_hidden, post, requires_tesso, start_shown, x_of)

pytestmark = requires_tesso


@pytest.fixture(scope="module")
def tesso():
    session = start_shown()
    try:
        yield session
    finally:
        session.close()


class TestStartUp:
    def test_engine_gets_the_relative_project_paths_and_no_arguments(self, tesso):
        created = tesso.events[index_of(tesso.events, "engine_created")]
        assert created.data == {
            "assets_path": "data\\flutter_assets", "icu_data_path": "data\\icudtl.dat",
            "aot_library_path": "data\\app.so", "entrypoint": "", "arguments": []}

    def test_plugins_register_in_order_each_after_its_registrar(self, tesso):
        assert plugin_events(tesso.events) == expected_plugin_events()

    def test_engine_view_plugins_services_then_first_frame(self, tesso):
        events = tesso.events
        created = index_of(events, "engine_created")
        view = index_of(events, "view_created")
        plugins = [e.index for e in events if e.name == "plugin_registered"]
        bound = [index for index, channel in channel_events(events, True) if channel == WINDOW]
        first_frame = index_of(events, "first_frame")
        assert len(bound) == 1, "the window service binds its channel once"
        assert created < view < plugins[0]
        assert plugins[-1] < bound[0] < first_frame
        assert not channel_events(events, False), "nothing cleared while running"
        assert [e.name for e in events].count("engine_created") == 1

    def test_window_service_answers(self, tesso):
        assert is_hidden(tesso) is False


class TestWindow:
    """At 96 DPI the window rectangle is (10, 10) to (1290, 730)."""

    def test_shown_titled_tesso(self, tesso):
        x = x_of(tesso)
        window = x.wait_shown()
        titles = x.title(window.id)
        assert titles.get("WM_NAME") == '"Tesso"'
        assert titles.get("_NET_WM_NAME") == '"Tesso"'

    def test_window_rectangle_edges(self, tesso):
        x_of(tesso).wait_shown()
        # Inside each corner the frame answers; one pixel outside nothing does.
        for px, py in [(10, 10), (1289, 10), (10, 729), (1289, 729)]:
            assert hit_test(tesso, px, py) != HTNOWHERE, (px, py)
        for px, py in [(9, 10), (10, 9), (1290, 729), (1289, 730), (9, 729), (1289, 9)]:
            assert hit_test(tesso, px, py) == HTNOWHERE, (px, py)

    def test_x_window_is_that_rectangle(self, tesso):
        window = x_of(tesso).wait_shown()
        assert (window.x, window.y, window.width, window.height) == (10, 10, 1280, 720)

    def test_view_created_at_the_client_size(self, tesso):
        view = tesso.events[index_of(tesso.events, "view_created")].data
        # Inside the frame: narrower and lower than the window, by the borders and caption.
        assert 1280 - 40 < view["width"] < 1280
        assert 720 - 80 < view["height"] < 720 - 10


class TestMessages:
    def test_font_change_reaches_the_engine_then_its_font_reload(self, tesso):
        since = len(tesso.events)
        post(tesso, WM_FONTCHANGE)
        reloaded = tesso.wait_event("fonts_reloaded", timeout=TIMEOUT, since=since)
        offered = index_of(tesso.events, "top_level_message",
                           lambda d: d == {"msg": WM_FONTCHANGE}, since)
        assert offered < reloaded.index
        assert [e.name for e in tesso.events[since:]].count("fonts_reloaded") == 1

    def test_tray_icon_added_at_start(self, tesso):
        x_of(tesso).wait_tray(present=True)
