"""Hostile traffic on the peer link through the real tesso.exe: a small message whose counts
would make up the rest of the message again and again is answered at once with the process's
memory put; a call on a channel whose name is not UTF-8 is refused in one line with the link
up; a flood of calls does not hold back the host's own posted messages."""

import os
import struct
import threading
import time

from conftest import TIMEOUT
from peer import codec, link
from tesso_host import WINDOW, WINDOWS_WAKE, is_hidden, requires_tesso, start_shown

pytestmark = requires_tesso


def amplifier(size):
    """A list whose elements are byte-list headers each declaring one byte more than the rest
    of the message: decoded without a whole budget, each would make up the rest again."""
    count = (size - 6) // 6
    out = bytearray(b"\x0c\xff" + struct.pack("<I", count))
    while len(out) + 6 <= size:
        out += b"\x08\xff" + struct.pack("<I", size - len(out) - 6 + 1)
    return bytes(out)


def tesso_process(session):
    """The Linux process running tesso.exe in this session's prefix (not the wine launcher
    nor the wineserver): its cmdline names tesso.exe and its environment has our prefix."""
    prefix = ("WINEPREFIX=" + session.wine.prefix).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = f.read().split(b"\0")
            with open("/proc/%s/environ" % pid, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if prefix in environ and argv and argv[0].lower().endswith(b"tesso.exe"):
            found.append(int(pid))
    assert len(found) == 1, found
    return found[0]


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise AssertionError("no VmHWM for %d" % pid)


def test_amplifying_argument_is_answered_at_once_in_bounded_memory():
    session = start_shown()
    try:
        pid = tesso_process(session)
        is_hidden(session)  # warmed up, and the time of a plain call for comparison
        started = time.monotonic()
        assert is_hidden(session) is False
        plain = time.monotonic() - started
        peak_before = peak_kib(pid)

        message = codec.encode_value("isHidden") + amplifier(89550)
        started = time.monotonic()
        raw = session.call_raw(WINDOW, message, timeout=TIMEOUT)
        elapsed = time.monotonic() - started

        assert raw == codec.encode_success(False)
        # Before, this took seconds and some 300 MB; a plain call's time absorbs the link's.
        assert elapsed < 0.1 + plain, (elapsed, plain)
        assert peak_kib(pid) - peak_before < 10 * 1024, (peak_before, peak_kib(pid))
        assert session.process.poll() is None
    finally:
        session.close()


def test_a_call_on_a_name_that_is_not_utf8_is_refused_and_the_link_stays_up():
    session = start_shown()
    try:
        since = len(session.events)
        pending = session.call_raw_async("\udcff\udcfe", codec.encode_method_call("isHidden"))
        assert pending.wait_raw(TIMEOUT) == b""
        error = session.wait_event("link_error", timeout=TIMEOUT, since=since)
        assert error.data["reason"] == "channel name is not UTF-8"
        assert is_hidden(session) is False
        assert session.link_error is None
    finally:
        session.close()


def test_a_flood_of_calls_does_not_hold_back_the_hosts_own_messages():
    """listAdapters is answered through a message the wake worker posts to the window: with a
    wake-up per frame, a flood kept that message behind thousands of stale wake-ups."""
    session = start_shown()
    try:
        session.call(WINDOWS_WAKE, "listAdapters", timeout=TIMEOUT)  # warmed up
        stop = threading.Event()

        def flood():
            body = codec.encode_method_call("nothing")
            while not stop.is_set():
                for frame_id in range(200):
                    session.send_frame(link.Frame(link.CALL, 0, "tesso.test/unbound", body))

        flooder = threading.Thread(target=flood, daemon=True)
        flooder.start()
        try:
            time.sleep(0.5)
            pending = session.call_async(WINDOWS_WAKE, "listAdapters")
            # Answered while the flood still runs (it runs until answered or TIMEOUT).
            reply = pending.wait(TIMEOUT)
            flooding = flooder.is_alive() and not stop.is_set()
        finally:
            stop.set()
            flooder.join()
        assert reply.kind == "success", reply
        assert flooding
    finally:
        session.close()
