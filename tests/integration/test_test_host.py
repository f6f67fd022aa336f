"""The messaging classes over the stand-in engine in tesso_test_host.exe, through the peer link
(the wrapper's rules and diagnostics are the unit tests' matter): exact bytes both ways, answers
from worker threads, the host's calls to the peer, and the console's scripted run."""

import json
import os
import subprocess
import sys

import pytest

from conftest import BIN_DIR, REPO, RUNS_DIR, TIMEOUT, WM_CLOSE, call, start
from peer import codec
from peer.codec import Float32List, Float64, Int32List, Int64, Map

TEST_HOST = os.path.join(BIN_DIR, "tesso_test_host.exe")
HOST, PEER = "tesso.test/host", "tesso.test/peer"


def generated(count):
    return bytes(i & 0xFF for i in range(count))


@pytest.fixture(scope="module")
def host():
    session = start(TEST_HOST)
    yield session
    session.close()


def test_echo_bytes_and_answers_from_workers_in_exact_bytes(host):
    for value in [None, [-2**31, Int64(-2**63), Float64.from_bits(0x7FF8000000000001), -0.0],
                  ["\u00e9\U0001F600", "\udcff raw", generated(65536), Int32List(range(70000))],
                  [1, Int32List([7]), "a", Float32List([0.5]), Map([(Int64(3), 0), (3, 1)])]]:
        assert call(host, HOST, "echo", value).raw == codec.encode_success(value)
    assert call(host, HOST, "bytes", 1048576).value == generated(1048576)
    slow, fast = host.call_async(HOST, "answerLater", 400), host.call_async(HOST, "answerLater", 1)
    assert (fast.wait(TIMEOUT).value, slow.wait(TIMEOUT).value) == (1, 400)


@pytest.mark.parametrize("reply, outcome", [
    (codec.encode_success([1, "two"]), {"outcome": "success", "value": [1, "two"]}),
    (codec.encode_error("peer_code", "peer message", {"d": 1.5}),
     {"outcome": "error", "code": "peer_code", "message": "peer message", "value": {"d": 1.5}}),
    (b"", {"outcome": "notImplemented"})])
def test_the_hosts_calls_to_the_peer_and_their_answers(host, reply, outcome):
    seen = []
    host.on_host_message(PEER, lambda message: seen.append(message) or reply)
    try:
        arguments = {"x": Int64(9), "list": Int32List([1, 2])}
        answer = call(host, HOST, "invokePeer", {"method": "m", "arguments": arguments})
        assert answer.raw == codec.encode_success(outcome)
        assert [(m.body, m.id != 0, m.replied) for m in seen] == [
            (codec.encode_method_call("m", arguments), True, True)]
    finally:
        host.on_host_message(PEER, None)


def test_a_cleared_handler_answers_empty_and_a_close_ends_the_host(host):
    assert call(host, HOST, "clearHandler").value is True
    assert [call(host, HOST, m).kind for m in ("echo", "quit")] == ["not_implemented"] * 2
    host.control("post_message", msg=WM_CLOSE, wparam=0, lparam=0)
    assert host.wait_exit(TIMEOUT) == 0
    host.wait_event("engine_destroyed", timeout=TIMEOUT)


SCRIPT = """\
wait first_frame
call {host} echo {{"a": [i32:1, i64:2, f64:1.5, bytes:00ff]}}
call {host} bytes 70000
autoreply {peer} ping "pong"
call {host} invokePeer {{"method": "ping", "arguments": null}}
call {host} quit
waitexit
"""


def test_a_scripted_console_run_in_json(tmp_path):
    script = tmp_path / "script.txt"
    script.write_text(SCRIPT.format(host=HOST, peer=PEER))
    result = subprocess.run(
        [sys.executable, os.path.join(REPO, "tools", "tesso-peer"), "run", "--json", "--script",
         str(script), "--save-bytes", str(tmp_path), "--timeout", str(TIMEOUT), "--runs-dir",
         RUNS_DIR, TEST_HOST], capture_output=True, text=True, timeout=5 * TIMEOUT)
    assert result.returncode == 0, result.stdout + result.stderr
    records = [json.loads(line) for line in result.stdout.splitlines()]
    replies = [r for r in records if r["type"] == "reply"]
    assert [r["call"].split()[1] for r in replies] == ["echo", "bytes", "invokePeer", "quit"]
    assert replies[0]["description"] == \
        'map:{str:"a"=list:[i32:1,i64:2,f64:3ff8000000000000,bytes:00ff]}'
    with open(replies[1]["value"]["file"], "rb") as f:
        assert f.read() == generated(70000)
    assert replies[2]["value"] == {"outcome": "success", "value": "pong"}
    assert [(m["channel"], m["method"], m.get("replied")) for m in records
            if m["type"] == "host_message"] == [(PEER, "ping", True)]
    assert records[-1] == {"type": "exit", "code": 0}
    assert "failure" not in {r["type"] for r in records}
