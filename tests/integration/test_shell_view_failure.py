"""When the engine's view controller cannot be created the process ends by itself with exit
code 1 and the engine wrapper's diagnostic, before any service or message loop exists."""

from conftest import TIMEOUT
from tesso_host import channel_events, requires_tesso, start_tesso

pytestmark = requires_tesso


def test_view_controller_failure_exits_with_1():
    session = start_tesso(env={"TESSO_STANDIN_FAIL": "view_controller"})
    try:
        # Nothing is sent to it: ending on its own means no message loop ever ran.
        assert session.wait_exit(TIMEOUT) == 1
        session.wait_stderr("Failed to create view controller.", timeout=TIMEOUT)
    finally:
        session.close()
    events = session.events
    names = [e.name for e in events]
    assert "engine_created" in names and "view_controller_failed" in names
    for name in ("view_created", "plugin_registrar", "first_frame"):
        assert name not in names
    assert channel_events(events, True) == [], "no service binds a channel"
    assert session.stderr_lines().count("Failed to create view controller.") == 1
