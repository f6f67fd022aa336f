"""HostSession against fake_engine.py, a program speaking the peer link."""

import pytest

from conftest import FAKE
from peer import codec, link
from peer.session import DEFER, HostSession

HOST, PEER, TIMEOUT = "fake/host", "fake/peer", 10


def test_calls_are_matched_by_id_and_time_out_or_fail_with_the_program(session):
    reply = session.call(HOST, "echo", {"k": [1, b"\x00"]}, timeout=TIMEOUT)
    assert (reply.kind, reply.raw) == ("success", codec.encode_success({"k": [1, b"\x00"]}))
    held = session.call_async(HOST, "hold")
    assert session.call(HOST, "release", timeout=TIMEOUT).value == "released"
    assert held.wait(TIMEOUT).value == "held"
    held = session.call_async(HOST, "hold")
    pytest.raises(TimeoutError, held.wait, 0.2)
    session.call_async(HOST, "exit", 3)
    assert session.wait_exit(TIMEOUT) == 3
    pytest.raises(link.LinkClosed, held.wait, TIMEOUT)
    pytest.raises(link.LinkClosed, session.call, HOST, "echo", timeout=TIMEOUT)


# handler -> the reply the host gets at once (None: it waits for a reply by id)
@pytest.mark.parametrize("handler, reply", [
    (lambda m: codec.encode_success([m.id, m.method, m.arguments]),
     codec.encode_success([101, "ping", 2])),
    (lambda m: None, b""), (lambda m: DEFER, None), (None, None)])
def test_host_messages_are_answered_by_their_id(session, handler, reply):
    session.on_host_message(PEER, handler)
    pending = session.call_async(HOST, "ask", {"method": "ping", "arguments": 2})
    if reply is None:
        message = session.wait_host_message(PEER, "ping", timeout=TIMEOUT)
        assert message.call.arguments == 2 and not pending.done()
        session.reply(message.id, reply := codec.encode_error("nope"))
        pytest.raises(ValueError, message.reply, b"")  # once only
    assert pending.wait(TIMEOUT).value == reply
    session.on_host_message(PEER, lambda m: b"\x00\x00")
    session.call(HOST, "notify", timeout=TIMEOUT)
    note = session.wait_host_message(PEER, "note", timeout=TIMEOUT)
    assert note.id == 0 and not note.replied  # id 0 wants no reply
    pytest.raises(KeyError, session.reply, 0, b"")


def test_stderr_lines_and_their_copy(tmp_path):
    path = tmp_path / "stderr.txt"
    with HostSession.spawn(FAKE, stderr_path=str(path)) as s:
        s.call(HOST, "warn", "first", timeout=TIMEOUT)
        s.call(HOST, "warn", "second", timeout=TIMEOUT)
        assert s.wait_stderr("second", timeout=TIMEOUT) == 2
        assert s.stderr_lines() == ["fake engine ready", "first", "second"]
        s.call_async(HOST, "exit", 0)
        assert s.wait_exit(TIMEOUT) == 0
    assert path.read_bytes() == b"fake engine ready\r\nfirst\nsecond\n"
