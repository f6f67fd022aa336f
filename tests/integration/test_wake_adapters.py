""""listAdapters" through the peer link: tesso.exe under Wine inside a network namespace of
the test's own, whose veth interfaces have chosen hardware addresses.

The whole Wine session (X server, wineserver, program) runs inside the namespace, so Wine's IP
Helper sees exactly those interfaces and the namespace's loopback. Skipped only when no
namespace can be created here.
"""

import os
import time

import pytest

from conftest import BIN_DIR, RUNS_DIR, TIMEOUT
from peer import codec
from peer.describe import describe
from peer.netns import Namespace, VethPair, unavailable_reason
from peer.session import HostSession
from peer.values import Int64
from peer.wine import WineEnvironment

TESSO = os.path.join(BIN_DIR, "tesso.exe")
WAKE = "com.vel.halvo/windows_wake"
BUSY_MESSAGE = "\u68c0\u6d4b\u6b63\u5728\u8fdb\u884c"  # 检测正在进行

# Both ends of a pair live in the namespace. Both ends of the second pair are down: Wine (8)
# reports an end that is set up as up even while its peer is down.
# Many more pairs, all down, make the query slow enough to see what happens during it.
FILLERS = 60
PAIRS = [
    VethPair("wk0", "00:1a:2b:3c:4d:5e", "wk0p", "00:1a:2b:3c:4d:5f"),
    VethPair("wk1", "02:00:5e:10:00:01", "wk1p", "02:00:5e:10:00:02", up=False, peer_up=False),
] + [VethPair("wf%d" % n, "02:00:5e:20:%02x:01" % n, "wf%dp" % n, "02:00:5e:20:%02x:02" % n,
              up=False, peer_up=False) for n in range(FILLERS)]
# name -> (mac text, connected)
EXPECTED = {
    "wk0": ("00:1A:2B:3C:4D:5E", True),
    "wk0p": ("00:1A:2B:3C:4D:5F", True),
    "wk1": ("02:00:5E:10:00:01", False),
    "wk1p": ("02:00:5E:10:00:02", False),
}
for n in range(FILLERS):
    EXPECTED["wf%d" % n] = ("02:00:5E:20:%02X:01" % n, False)
    EXPECTED["wf%dp" % n] = ("02:00:5E:20:%02X:02" % n, False)


@pytest.fixture(scope="module")
def tesso_in_namespace():
    assert os.path.isfile(TESSO), "%s is not built" % TESSO
    reason = unavailable_reason()
    if reason is not None:
        pytest.skip("no network namespace can be created here: %s" % reason)
    with Namespace(PAIRS, name="tesso-wake-it-%d" % os.getpid()) as namespace:
        wine = WineEnvironment(runs_dir=RUNS_DIR, wrapper=namespace.exec_prefix()).start()
        session = HostSession.launch(wine, TESSO)
        try:
            session.wait_event("first_frame", timeout=TIMEOUT)
            bound = [e for e in session.events if e.name == "set_callback"
                     and e.data == {"channel": WAKE, "set": True}]
            assert bound, "tesso.exe does not serve %s" % WAKE
            yield session
        finally:
            session.close()


def list_adapters(session):
    reply = session.call(WAKE, "listAdapters", timeout=TIMEOUT)
    assert reply.kind == "success", reply
    return reply.value


def test_lists_exactly_the_namespace_interfaces(tesso_in_namespace):
    value = list_adapters(tesso_in_namespace)
    assert sorted(value.keys()) == ["adapters", "elapsed_ms", "query_errors", "schema", "source"]
    assert isinstance(value["elapsed_ms"], Int64)
    assert describe(value["schema"]) == "i32:1"
    assert describe(value["query_errors"]) == "i32:0"
    assert value["source"] == "ip_helper"
    listed = {}
    for adapter in value["adapters"]:
        assert describe(adapter["if_type"]) == "i32:6"
        assert adapter["hardware"] is True
        listed[adapter["name"]] = (adapter["mac"], adapter["connected"])
    # The namespace's loopback is not listed.
    assert listed == EXPECTED


def test_two_calls_in_a_row_give_one_inventory_and_one_busy_reply(tesso_in_namespace):
    first = tesso_in_namespace.call_async(WAKE, "listAdapters")
    second = tesso_in_namespace.call_async(WAKE, "listAdapters")
    busy = second.wait(TIMEOUT)
    assert busy.kind == "error"
    assert busy.raw == codec.encode_error("adapter_busy", BUSY_MESSAGE, None)
    assert BUSY_MESSAGE.encode("utf-8") in busy.raw
    inventory = first.wait(TIMEOUT)
    assert inventory.kind == "success"
    assert len(inventory.value["adapters"]) == len(EXPECTED)


def test_a_stray_completion_message_does_not_hold_the_ui_thread(tesso_in_namespace):
    # 0x8057 from another process while a query runs: the window service answers first, and
    # the query later from its own worker's message.
    session = tesso_in_namespace
    started = time.monotonic()
    session.call("com.vel.halvo/window", "isHidden", timeout=TIMEOUT)
    idle = time.monotonic() - started
    query = session.call_async(WAKE, "listAdapters")
    session.control("post_message", msg=0x8057, wparam=0, lparam=0)
    started = time.monotonic()
    hidden = session.call("com.vel.halvo/window", "isHidden", timeout=TIMEOUT)
    answered = time.monotonic()
    assert not query.done(), "the query was waited for on the UI thread"
    assert (hidden.kind, hidden.value) == ("success", False)
    inventory = query.wait(TIMEOUT)
    assert len(inventory.value["adapters"]) == len(EXPECTED)
    # Figures for the log: isHidden's round trip and the query's own duration.
    print("isHidden idle %.1f ms, after a stray 0x8057 %.1f ms; query %d ms" % (
        idle * 1000, (answered - started) * 1000, inventory.value["elapsed_ms"]))
