"""The Windows programs under Wine, each session with a prefix and an X display of its own."""

import os
import sys

import pytest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))
sys.path.insert(0, os.path.join(REPO, "tests", "peer"))  # the golden vector reader

from peer.session import HostSession  # noqa: E402

BIN_DIR = os.path.abspath(os.environ.get("TESSO_BIN_DIR") or
                          os.path.join(REPO, "build", "win", "bin"))
TEST_HOST = os.path.join(BIN_DIR, "tesso_test_host.exe")
# Cloned prefixes live beside the binaries (on the template's file system, for hard links).
RUNS_DIR = os.environ.get("TESSO_WINE_RUNS") or os.path.join(os.path.dirname(BIN_DIR),
                                                             "peer-runs")
HOST = "tesso.test/host"
PEER = "tesso.test/peer"
TIMEOUT = 60  # generous: two builds may be compiling on the same two cores


# The five plug-ins in their registration order: (registrar name, entry point).
PLUGINS = [
    ("DesktopDropPlugin", "DesktopDropPluginRegisterWithRegistrar"),
    ("FlutterSecureStorageWindowsPlugin",
     "FlutterSecureStorageWindowsPluginRegisterWithRegistrar"),
    ("LocalAuthPlugin", "LocalAuthPluginRegisterWithRegistrar"),
    ("PermissionHandlerWindowsPlugin", "PermissionHandlerWindowsPluginRegisterWithRegistrar"),
    ("UrlLauncherWindows", "UrlLauncherWindowsRegisterWithRegistrar"),
]


def plugin_events(events):
    """The registrar requests and registrations, as (event name, data), in order."""
    return [(e.name, e.data) for e in events
            if e.name in ("plugin_registrar", "plugin_registered")]


def expected_plugin_events():
    """Each plug-in registered right after its registrar was asked for, in order."""
    expected = []
    for registrar, entry_point in PLUGINS:
        expected.append(("plugin_registrar", {"name": registrar}))
        expected.append(("plugin_registered", {"entry_point": entry_point,
                                               "registrar": registrar}))
    return expected


def index_of(events, name, where=None, since=0):
    for e in events[since:]:
        if e.name == name and (where is None or where(e.data)):
            return e.index
    raise AssertionError("no %s event from %d in %s" % (name, since, [e.name for e in events]))


def start_test_host(args=(), env=None):
    if not os.path.isfile(TEST_HOST):
        pytest.fail("%s is not built (cmake --preset win && cmake --build --preset win)"
                    % TEST_HOST)
    return HostSession.start(TEST_HOST, list(args), env=env, runs_dir=RUNS_DIR)


@pytest.fixture(scope="module")
def host():
    """One running test host shared by the tests of a module, after its first frame."""
    session = start_test_host()
    try:
        session.wait_event("first_frame", timeout=TIMEOUT)
        yield session
    finally:
        session.close()


@pytest.fixture
def fresh_host():
    """A test host of the test's own, for tests that end it or change its channels."""
    sessions = []

    def start(args=(), env=None):
        session = start_test_host(args, env)
        sessions.append(session)
        return session

    yield start
    for session in sessions:
        session.close()


def wait_stderr_in_order(session, lines, since, timeout=TIMEOUT):
    """Waits until each of lines has appeared on the host's stderr after position since, in
    this order; returns the position after the last."""
    position = since
    for line in lines:
        position = session.wait_stderr(line, timeout=timeout, since=position) + 1
    return position
