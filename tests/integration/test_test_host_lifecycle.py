"""Start-up events, shutting down and a failed start of the test host."""

from conftest import HOST, TIMEOUT, expected_plugin_events, index_of, plugin_events

WM_CLOSE = 0x0010


def test_start_up_events(fresh_host):
    arguments = ["--hidden", "two words", "\u00e9t\u00e9", ""]
    session = fresh_host(arguments)
    session.wait_event("first_frame", timeout=TIMEOUT)
    events = session.events

    created = events[index_of(events, "engine_created")]
    assert created.data == {
        "assets_path": "data\\flutter_assets", "icu_data_path": "data\\icudtl.dat",
        "aot_library_path": "data\\app.so", "entrypoint": "", "arguments": arguments}

    # Plug-ins register in a fixed order, each right after its registrar was asked for.
    assert plugin_events(events) == expected_plugin_events()

    view = events[index_of(events, "view_created")]
    assert view.data["width"] > 0 and view.data["height"] > 0
    first_registrar = index_of(events, "plugin_registrar")
    channel_set = index_of(events, "set_callback",
                           lambda d: d == {"channel": HOST, "set": True})
    assert created.index < view.index < first_registrar
    assert view.index < index_of(events, "first_frame")
    assert channel_set > created.index


def test_quit_clears_the_handler_then_ends_the_engine(fresh_host):
    session = fresh_host()
    session.wait_event("first_frame", timeout=TIMEOUT)
    reply = session.call(HOST, "quit", timeout=TIMEOUT)
    assert (reply.kind, reply.value) == ("success", True)
    assert session.wait_exit(TIMEOUT) == 0
    destroyed = session.wait_event("engine_destroyed", timeout=TIMEOUT)
    cleared = session.wait_event("set_callback", timeout=TIMEOUT,
                                 where=lambda d: d == {"channel": HOST, "set": False})
    assert cleared.index < destroyed.index


def test_cleared_handler_answers_empty_and_window_close_ends_the_host(fresh_host):
    session = fresh_host()
    session.wait_event("first_frame", timeout=TIMEOUT)
    assert session.call(HOST, "echo", 1, timeout=TIMEOUT).value == 1
    assert session.call(HOST, "clearHandler", timeout=TIMEOUT).value is True
    session.wait_event("set_callback", timeout=TIMEOUT,
                       where=lambda d: d == {"channel": HOST, "set": False})
    for method in ("echo", "quit"):
        assert session.call(HOST, method, timeout=TIMEOUT).kind == "not_implemented"
    session.control("post_message", msg=WM_CLOSE, wparam=0, lparam=0)
    assert session.wait_exit(TIMEOUT) == 0
    session.wait_event("engine_destroyed", timeout=TIMEOUT)


def test_view_controller_failure_exits_with_1(fresh_host):
    session = fresh_host(env={"TESSO_STANDIN_FAIL": "view_controller"})
    assert session.wait_exit(TIMEOUT) == 1
    session.wait_stderr("Failed to create view controller.", timeout=TIMEOUT)
    assert [e.name for e in session.events if e.name in ("view_created", "first_frame")] == []
