"""tools/tesso-peer run, scripted, against the test host under Wine."""

import json
import os
import subprocess
import sys

from conftest import HOST, PEER, REPO, RUNS_DIR, TEST_HOST, TIMEOUT

TOOL = os.path.join(REPO, "tools", "tesso-peer")

SCRIPT = """\
# a scripted session
wait first_frame
call {host} echo {{"a": [i32:1, i64:2, f64:1.5, bytes:00ff]}}
call {host} bytes 70000
autoreply {peer} ping "pong"
call {host} invokePeer {{"method": "ping", "arguments": null}}
call {host} error "details"
frame
wait frame
call {host} quit
waitexit
"""


def test_scripted_session_in_json(tmp_path):
    script = tmp_path / "script.txt"
    script.write_text(SCRIPT.format(host=HOST, peer=PEER))
    saved = tmp_path / "saved"
    result = subprocess.run(
        [sys.executable, TOOL, "run", "--json", "--script", str(script), "--save-bytes",
         str(saved), "--timeout", str(TIMEOUT), "--runs-dir", RUNS_DIR, TEST_HOST, "arg"],
        capture_output=True, text=True, timeout=5 * TIMEOUT)
    assert result.returncode == 0, result.stdout + result.stderr
    records = [json.loads(line) for line in result.stdout.splitlines()]
    assert not [r for r in records if r["type"] == "failure"]

    replies = [r for r in records if r["type"] == "reply"]
    assert [r["call"].split()[1] for r in replies] == [
        "echo", "bytes", "invokePeer", "error", "quit"]
    echo, data, invoke, error, quit_reply = replies
    assert echo["description"] == \
        'map:{str:"a"=list:[i32:1,i64:2,f64:3ff8000000000000,bytes:00ff]}'
    assert data["value"]["bytes"] == 70000
    with open(data["value"]["file"], "rb") as f:
        assert f.read() == bytes(i & 0xFF for i in range(70000))
    assert invoke["value"] == {"outcome": "success", "value": "pong"}
    assert (error["kind"], error["code"], error["details"]) == ("error", "test_error", "details")
    assert quit_reply["value"] is True

    events = [r["name"] for r in records if r["type"] == "event"]
    assert events[0] == "engine_created" and "engine_destroyed" in events
    created = next(r for r in records if r["type"] == "event" and r["name"] == "engine_created")
    assert created["data"]["arguments"] == ["arg"]
    messages = [r for r in records if r["type"] == "host_message"]
    assert [(m["channel"], m["method"], m.get("replied")) for m in messages] == [
        (PEER, "ping", True)]
    assert {"type": "exit", "code": 0} in records
