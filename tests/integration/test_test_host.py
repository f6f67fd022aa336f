"""tesso_test_host.exe (the messaging classes over the stand-in engine) driven by a tesso-peer
script: exact bytes both ways, an answer from a worker, calls to the peer, and the way out."""

import json
import os
import subprocess
import sys

from conftest import BIN_DIR, REPO, RUNS_DIR, TIMEOUT
from peer import codec
from peer.codec import Float32List, Float64, Int32List, Int64, Map
from peer.describe import describe

ECHOED = [None, [-2**31, Int64(-2**63), Float64.from_bits(0x7FF8000000000001), -0.0],
          ["\u00e9\U0001F600", "\udcff raw", bytes(range(256)) * 256, Int32List(range(70000))],
          [1, Int32List([7]), "a", Float32List([0.5]), Map([(Int64(3), 0), (3, 1)])]]
SCRIPT = ["wait first_frame"] + [
    "callraw H " + codec.encode_method_call("echo", value).hex() for value in ECHOED] + [
    "call H bytes 70000", "call H answerLater 50", 'autoreply P ping "pong"',
    'autoreply P fail error "peer_code" "peer message" {"d": 1.5}',
    'call H invokePeer ["ping", {"x": i64:9}]', 'call H invokePeer ["fail", null]',
    "call H quit", "waitexit"]


def test_a_scripted_console_run_through_the_test_host(tmp_path):
    script = tmp_path / "script.txt"
    script.write_text("\n".join(SCRIPT).replace(" H ", " tesso.test/host ").replace(
        " P ", " tesso.test/peer ") + "\n")
    result = subprocess.run(
        [sys.executable, os.path.join(REPO, "tools", "tesso-peer"), "run", "--json", "--script",
         str(script), "--timeout", str(TIMEOUT), "--runs-dir", RUNS_DIR,
         os.path.join(BIN_DIR, "tesso_test_host.exe")], capture_output=True, text=True,
        timeout=5 * TIMEOUT)
    assert result.returncode == 0, result.stdout + result.stderr
    records = [json.loads(line) for line in result.stdout.splitlines()]
    assert [r["raw"] for r in records if r["type"] == "response"] == [
        codec.encode_success(value).hex() for value in ECHOED]
    assert [(r["kind"], r.get("description")) for r in records if r["type"] == "reply"] == [
        ("success", describe(bytes(i & 0xFF for i in range(70000)))), ("success", "i32:50"),
        ("success", describe(["success", "pong"])),
        ("success", describe(["peer_code", "peer message", {"d": 1.5}])), ("success", "true")]
    assert [(m["method"], m["description"], m.get("replied")) for m in records
            if m["type"] == "host_message"] == [("ping", describe({"x": Int64(9)}), True),
                                                 ("fail", "null", True)]
    assert {"type": "exit", "code": 0} in records
    assert "failure" not in {r["type"] for r in records}
