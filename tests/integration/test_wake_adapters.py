""""listAdapters" from tesso.exe in a network namespace of the test's own, so that Wine's IP
Helper sees exactly its veth interfaces and loopback. Skipped only when none can be made here."""

import os

import pytest

from conftest import RUNS_DIR, TESSO, TIMEOUT, WAKE, WINDOW, assert_reply, call
from peer import codec
from peer.describe import describe
from peer.netns import Namespace, VethPair, unavailable_reason
from peer.session import HostSession
from peer.values import Int64
from peer.wine import WineEnvironment

BUSY = "检测正在进行"
# Both ends of a pair live in the namespace. wk1 and the fillers are down at both ends (Wine 8
# reports an end that is up as connected even while its peer is down); the many fillers make
# the query slow enough to see what happens during it.
PAIRS = [VethPair("wk0", "00:1a:2b:3c:4d:5e", "wk0p", "00:1a:2b:3c:4d:5f"),
         VethPair("wk1", "02:00:5e:10:00:01", "wk1p", "02:00:5e:10:00:02", up=False,
                  peer_up=False)] + [
    VethPair("wf%d" % n, "02:00:5e:20:%02x:01" % n, "wf%dp" % n, "02:00:5e:20:%02x:02" % n,
             up=False, peer_up=False) for n in range(60)]
EXPECTED = {pair.name if end == "" else pair.peer: (mac.upper(), pair.name == "wk0")
            for pair in PAIRS for end, mac in (("", pair.mac), ("p", pair.peer_mac))}


def test_adapters_listed_one_query_at_a_time_off_the_ui_thread():
    assert os.path.isfile(TESSO), "%s is not built" % TESSO
    reason = unavailable_reason()
    if reason is not None:
        pytest.skip("no network namespace can be created here: %s" % reason)
    with Namespace(PAIRS, name="tesso-wake-it-%d" % os.getpid()) as namespace:
        wine = WineEnvironment(runs_dir=RUNS_DIR, wrapper=namespace.exec_prefix()).start()
        with HostSession.launch(wine, TESSO) as session:
            session.wait_event("first_frame", timeout=TIMEOUT)
            first = session.call_async(WAKE, "listAdapters")
            busy = session.call_async(WAKE, "listAdapters").wait(TIMEOUT)
            assert busy.raw == codec.encode_error("adapter_busy", BUSY, None)
            # A stray completion message (0x8057) from another process while the query runs:
            # the window service answers first, the query later from its own worker's message.
            session.control("post_message", msg=0x8057, wparam=0, lparam=0)
            assert_reply(call(session, WINDOW, "isHidden"), False)
            assert not first.done(), "the query was waited for on the UI thread"
            value = first.wait(TIMEOUT).value
            assert type(value["elapsed_ms"]) is Int64 and describe(
                {k: v for k, v in value.items() if k not in ("adapters", "elapsed_ms")}) == \
                describe({"query_errors": 0, "schema": 1, "source": "ip_helper"})
            # Ethernet hardware, each with its own address and link state; not the loopback.
            assert {a["name"]: (a["mac"], a["connected"], describe(a["if_type"]), a["hardware"])
                    for a in value["adapters"]} == {
                        k: v + ("i32:6", True) for k, v in EXPECTED.items()}
