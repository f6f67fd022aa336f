"""Calls through the stand-in engine to the test host's channel and back, on one host."""

import pytest

import golden
from conftest import HOST, PEER, TIMEOUT, wait_stderr_in_order
from peer import codec
from peer.codec import (Float32List, Float64, Float64List, Int32List, Int64, Int64List, Map)
from peer.describe import describe

DUPLICATE_RESULT = ("Error: Only one of Success, Error, or NotImplemented can be called, and "
                    "it can be called exactly once. Ignoring duplicate result.")
LEAK = "Warning: Failed to respond to a message. This is a memory leak."


def generated(count):
    return bytes(i & 0xFF for i in range(count))


ECHO_VALUES = {
    "null": None,
    "bools": [True, False],
    "int32-limits": [-2**31, 2**31 - 1, 0],
    "int64-small-and-large": [Int64(5), Int64(-2**63), Int64(2**63 - 1)],
    "doubles": [Float64(1.5), -0.0, float("inf"), Float64.from_bits(0x7FF8000000000001)],
    "strings": ["", "abc", "\u00e9\u65e5\U0001F600", "\udcff\udcfe raw bytes"],
    "bytes-sizes": [b"", generated(253), generated(254), generated(65535)],
    "bytes-65536": generated(65536),
    "typed-lists-empty": [Int32List([]), Int64List([]), Float64List([]), Float32List([])],
    "typed-lists-padded": [1, Int32List([7]), "a", Int64List([-1]), None,
                           Float32List([0.5]), True, Float64List([2.5])],
    "int32-list-70000": Int32List(range(-35000, 35000)),
    "float64-list-65536": Float64List(i / 7 for i in range(65536)),
    "nested": {"outer": {"inner": [1, Int64(2), {"deep": [None, b"\x01", []]}],
                         Int64(7): {True: "t", False: Map()}},
               "list": [[[]], {}, ""]},
    "map-key-alternatives": Map([(None, 0), (False, 1), (3, 2), (Int64(3), 3), (0.5, 4),
                                 ("\u00e9", 5), ("z", 6), (b"\x00", 7), (Int32List([1]), 8),
                                 ([1], 9), ({"k": 1}, 10), (Float32List([]), 11)]),
}


class TestEcho:
    @pytest.mark.parametrize("name", sorted(ECHO_VALUES))
    def test_echo_returns_the_value_byte_for_byte(self, host, name):
        value = ECHO_VALUES[name]
        reply = host.call(HOST, "echo", value, timeout=TIMEOUT)
        assert reply.kind == "success"
        assert describe(reply.value) == describe(value)
        # The host re-encodes with its own codec: the envelope must match ours exactly.
        assert reply.raw == codec.encode_success(value)

    @pytest.mark.parametrize("vec", [pytest.param(v, id=v.name) for v in golden.load()
                                     if v.kind in ("value", "value-decode")])
    def test_golden_values_as_arguments(self, host, vec):
        """The host decodes each golden vector as call arguments as the peer codec does,
        diagnostics included."""
        message = codec.encode_method_call("echo", None)[:-1] + vec.data
        expected = codec.decode_method_call(message)
        since = len(host.stderr_lines())
        raw = host.call_raw(HOST, message, timeout=TIMEOUT)
        reply = codec.decode_envelope(raw)
        assert reply.kind == "success"
        assert describe(reply.value) == describe(expected.call.arguments)
        wait_stderr_in_order(host, expected.diagnostics, since)

    def test_unknown_method_is_not_implemented(self, host):
        assert host.call(HOST, "noSuchMethod", 1, timeout=TIMEOUT).kind == "not_implemented"


class TestAnswers:
    def test_answer_later_from_a_worker_thread(self, host):
        assert host.call(HOST, "answerLater", 50, timeout=TIMEOUT).value == 50

    def test_later_answers_are_matched_to_their_calls(self, host):
        slow = host.call_async(HOST, "answerLater", 400)
        fast = host.call_async(HOST, "answerLater", 1)
        assert fast.wait(TIMEOUT).value == 1
        assert slow.wait(TIMEOUT).value == 400

    def test_answer_twice_delivers_the_first_answer_only(self, host):
        since = len(host.stderr_lines())
        reply = host.call(HOST, "answerTwice", timeout=TIMEOUT)
        assert (reply.kind, reply.value) == ("success", "first")
        wait_stderr_in_order(host, [DUPLICATE_RESULT], since)
        host.call(HOST, "echo", timeout=TIMEOUT)  # handled after the duplicate, in order
        assert host.unmatched_responses() == []

    def test_never_answer_sends_nothing_and_warns(self, host):
        since = len(host.stderr_lines())
        pending = host.call_async(HOST, "neverAnswer")
        wait_stderr_in_order(host, [LEAK], since)
        # Calls are handled in order: once a later call is answered, no answer is on its way.
        assert host.call(HOST, "echo", 1, timeout=TIMEOUT).value == 1
        assert not pending.done()

    @pytest.mark.parametrize("details", [None, {"k": [1, Int64(2)]}])
    def test_error_reply(self, host, details):
        reply = host.call(HOST, "error", details, timeout=TIMEOUT)
        assert (reply.kind, reply.code, reply.message) == (
            "error", "test_error", "message from the host")
        assert describe(reply.details) == describe(details)

    @pytest.mark.parametrize("count", [0, 1, 1048576])
    def test_bytes(self, host, count):
        reply = host.call(HOST, "bytes", count, timeout=TIMEOUT)
        assert reply.kind == "success"
        assert isinstance(reply.value, bytes)
        assert reply.value == generated(count)


class TestHostCallsPeer:
    REPLIES = {
        "success": (codec.encode_success([1, "two"]),
                    {"outcome": "success", "value": [1, "two"]}),
        "successNull": (codec.encode_success(None), {"outcome": "success", "value": None}),
        "error": (codec.encode_error("peer_code", "peer message", {"d": 1.5}),
                  {"outcome": "error", "code": "peer_code", "message": "peer message",
                   "value": {"d": 1.5}}),
        "errorBare": (codec.encode_error("bare"),
                      {"outcome": "error", "code": "bare", "message": "", "value": None}),
        "notImplemented": (b"", {"outcome": "notImplemented"}),
    }

    @pytest.fixture
    def peer(self, host):
        seen = []

        def answer(message):
            seen.append(message)
            return self.REPLIES.get(message.method, (b"\x07", None))[0]

        host.on_host_message(PEER, answer)
        yield seen
        host.on_host_message(PEER, None)

    @pytest.mark.parametrize("method", sorted(REPLIES))
    def test_invoke_peer_outcomes(self, host, peer, method):
        arguments = {"x": Int64(9), "list": Int32List([1, 2])}
        reply = host.call(HOST, "invokePeer", {"method": method, "arguments": arguments},
                          timeout=TIMEOUT)
        assert reply.kind == "success"
        assert describe(reply.value) == describe(self.REPLIES[method][1])
        (message,) = peer
        assert message.channel == PEER and message.id != 0 and message.replied
        assert message.method == method
        assert describe(message.arguments) == describe(arguments)

    def test_undecodable_peer_reply_is_not_implemented(self, host, peer):
        since = len(host.stderr_lines())
        reply = host.call(HOST, "invokePeer", {"method": "garbage", "arguments": None},
                          timeout=TIMEOUT)
        assert describe(reply.value) == describe({"outcome": "notImplemented"})
        wait_stderr_in_order(
            host, ["Unable to decode reply to method invocation on channel " + PEER], since)

    def test_send_to_peer_wants_no_reply(self, host):
        since = len(host.host_messages())
        reply = host.call(HOST, "sendToPeer", {"method": "note", "arguments": [Int64(1)]},
                          timeout=TIMEOUT)
        assert (reply.kind, reply.value) == ("success", True)
        message = host.wait_host_message(PEER, "note", timeout=TIMEOUT, since=since)
        assert message.id == 0
        assert describe(message.arguments) == "list:[i64:1]"


class TestMalformedTraffic:
    def test_call_whose_name_is_not_a_string(self, host):
        since = len(host.stderr_lines())
        assert host.call_raw(HOST, b"\x03\x01\x00\x00\x00", timeout=TIMEOUT) == b""
        wait_stderr_in_order(host, [
            "Invalid method call; method name is not a string.",
            "Unable to construct method call from message on channel " + HOST], since)

    def test_channel_without_handler_gets_an_empty_response(self, host):
        message = codec.encode_method_call("echo", 1)
        assert host.call_raw("tesso.test/nobody", message, timeout=TIMEOUT) == b""

    def test_the_host_still_answers_afterwards(self, host):
        assert host.call(HOST, "echo", "still here", timeout=TIMEOUT).value == "still here"
        assert host.link_error is None


class TestControl:
    def test_frame_on_request(self, host):
        since = len(host.events)
        host.control("frame")
        frame = host.wait_event("frame", timeout=TIMEOUT, since=since)
        assert frame.data == {"callback": False}  # the first frame's callback ran long ago

    def test_send_message_reaches_the_window(self, host):
        since = len(host.events)
        host.control("send_message", msg=0, wparam=0, lparam=0)  # WM_NULL
        result = host.wait_event("message_result", timeout=TIMEOUT, since=since)
        assert result.data == {"msg": 0, "result": 0}
