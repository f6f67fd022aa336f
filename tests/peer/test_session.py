"""HostSession against fake_engine.py, a native program speaking the peer link."""

import os
import sys

import pytest

from peer import codec, link
from peer.session import DEFER, HostSession, Reply

FAKE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_engine.py")
HOST = "fake/host"
TIMEOUT = 10


@pytest.fixture
def session():
    s = HostSession.spawn([sys.executable, FAKE, "--hidden", "x"])
    yield s
    s.close()


class TestReply:
    def test_kinds_from_response_bytes(self):
        assert Reply.from_bytes(b"").kind == "not_implemented"
        ok = Reply.from_bytes(codec.encode_success([1]))
        assert (ok.kind, ok.value) == ("success", [1])
        err = Reply.from_bytes(codec.encode_error("c", "", 5))
        assert (err.kind, err.code, err.message, err.details) == ("error", "c", None, 5)
        bad = Reply.from_bytes(b"\x07")
        assert (bad.kind, bad.raw) == ("invalid", b"\x07")


class TestCalls:
    def test_call_returns_the_decoded_reply(self, session):
        reply = session.call(HOST, "echo", {"k": [1, b"\x00"]}, timeout=TIMEOUT)
        assert reply.kind == "success"
        assert reply.value == {"k": [1, b"\x00"]}
        assert reply.raw == codec.encode_success({"k": [1, b"\x00"]})

    def test_responses_are_matched_by_id_not_by_order(self, session):
        held = session.call_async(HOST, "hold")
        assert session.call(HOST, "release", timeout=TIMEOUT).value == "released"
        assert held.wait(TIMEOUT).value == "held"

    def test_channel_without_handler_gives_not_implemented(self, session):
        assert session.call("nobody", "m", timeout=TIMEOUT).kind == "not_implemented"
        assert session.call_raw("nobody", b"\x01\x02", timeout=TIMEOUT) == b""

    def test_a_call_that_is_never_answered_times_out(self, session):
        held = session.call_async(HOST, "hold")
        with pytest.raises(TimeoutError):
            held.wait(0.2)
        assert not held.done()

    def test_pending_calls_fail_when_the_program_exits(self, session):
        held = session.call_async(HOST, "hold")
        session.call_async(HOST, "exit", 3)
        assert session.wait_exit(TIMEOUT) == 3
        with pytest.raises(link.LinkClosed):
            held.wait(TIMEOUT)
        with pytest.raises(link.LinkClosed):
            session.call(HOST, "echo", timeout=TIMEOUT)


class TestHostMessages:
    def test_handler_reply_goes_back_with_the_message_id(self, session):
        seen = []

        def handler(message):
            seen.append((message.id, message.method, message.arguments))
            return codec.encode_success("pong")

        session.on_host_message("fake/peer", handler)
        reply = session.call(HOST, "ask", {"method": "ping", "arguments": [1]}, timeout=TIMEOUT)
        assert reply.value == codec.encode_success("pong")
        assert seen == [(101, "ping", [1])]

    def test_handler_returning_none_sends_an_empty_reply(self, session):
        session.on_host_message("fake/peer", lambda message: None)
        reply = session.call(HOST, "ask", {"method": "m", "arguments": None}, timeout=TIMEOUT)
        assert reply.value == b""

    def test_deferred_and_manual_replies(self, session):
        session.on_host_message("fake/peer", lambda message: DEFER)
        pending = session.call_async(HOST, "ask", {"method": "later", "arguments": None})
        message = session.wait_host_message("fake/peer", "later", timeout=TIMEOUT)
        assert not pending.done()
        session.reply(message.id, codec.encode_error("nope"))
        assert pending.wait(TIMEOUT).value == codec.encode_error("nope")
        with pytest.raises(ValueError):
            message.reply(b"")

    def test_unhandled_message_waits_for_a_reply_by_id(self, session):
        pending = session.call_async(HOST, "ask", {"method": "q", "arguments": 2})
        message = session.wait_host_message("fake/peer", timeout=TIMEOUT)
        assert message.call.arguments == 2
        session.reply(message.id, b"\x00\x00")
        assert pending.wait(TIMEOUT).value == b"\x00\x00"

    def test_message_with_id_0_gets_no_reply(self, session):
        replied = []
        session.on_host_message("fake/peer", lambda m: replied.append(m) or b"\x00\x00")
        session.call(HOST, "notify", timeout=TIMEOUT)
        message = session.wait_host_message("fake/peer", "note", timeout=TIMEOUT)
        assert message.id == 0 and not message.replied
        with pytest.raises(KeyError):
            session.reply(0, b"")


class TestEventsAndStderr:
    def test_events_and_waiting_from_a_position(self, session):
        created = session.wait_event("engine_created", timeout=TIMEOUT)
        assert created.data == {"arguments": ["--hidden", "x"]}
        session.control("frame")
        session.control("post_message", msg=0x10, wparam=0, lparam=-1)
        first = session.wait_event("control", timeout=TIMEOUT)
        second = session.wait_event("control", timeout=TIMEOUT, since=first.index + 1)
        assert first.data == {"operation": "frame", "fields": {}}
        assert second.data == {"operation": "post_message",
                               "fields": {"msg": 16, "wparam": 0, "lparam": -1}}
        assert [e.name for e in session.events] == ["engine_created", "control", "control"]
        with pytest.raises(TimeoutError):
            session.wait_event("control", timeout=0.2, since=second.index + 1)

    def test_stderr_lines_without_line_endings(self, session, tmp_path):
        session.call(HOST, "warn", "first", timeout=TIMEOUT)
        session.call(HOST, "warn", "second", timeout=TIMEOUT)
        assert session.wait_stderr("second", timeout=TIMEOUT) == 2
        assert session.stderr_lines() == ["fake engine ready", "first", "second"]

    def test_stderr_copy_and_listeners(self, tmp_path):
        path = tmp_path / "stderr.txt"
        seen = []
        with HostSession.spawn([sys.executable, FAKE], stderr_path=str(path)) as s:
            s.add_listener(lambda kind, item: seen.append(kind))
            s.call(HOST, "warn", "w", timeout=TIMEOUT)
            s.wait_stderr("w", timeout=TIMEOUT)
            s.call_async(HOST, "exit", 0)
            assert s.wait_exit(TIMEOUT) == 0
        assert path.read_bytes() == b"fake engine ready\r\nw\n"
        assert "stderr" in seen and seen.count("closed") == 1
