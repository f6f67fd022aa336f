"""The tesso-peer console: its argument syntax and its commands (against fake_engine.py)."""

import io
import json
import os
import subprocess
import sys

import pytest

from peer import codec, console
from peer.console import CommandError, Console, build_parser, human, parse_reply
from peer.session import HostSession

HERE = os.path.dirname(os.path.abspath(__file__))
FAKE = os.path.join(HERE, "fake_engine.py")
TOOL = os.path.join(HERE, "..", "..", "tools", "tesso-peer")


def test_run_starts_the_unmanaged_session_unless_given_a_prefix(monkeypatch):
    started = []

    def record(how):
        def start(*args, **kwargs):
            started.append((how, kwargs.get("prefix")))
            raise KeyboardInterrupt

        return start

    monkeypatch.setattr(console, "start_session", record("bare"))
    monkeypatch.setattr(console.HostSession, "start", record("prefix"))
    for argv in (["run", "host.exe"], ["run", "--prefix", "/p", "host.exe"]):
        with pytest.raises(KeyboardInterrupt):
            console.run_console(build_parser().parse_args(argv))
    assert started == [("bare", None), ("prefix", "/p")]


class TestReplySyntax:
    @pytest.mark.parametrize("text, expected", [
        ("5", codec.encode_success(5)),
        ("ok i64:5", codec.encode_success(codec.Int64(5))),
        ('{"a": [1]}', codec.encode_success({"a": [1]})),
        ("notimpl", b""),
        ("raw 0102", b"\x01\x02"),
        ('error "bad"', codec.encode_error("bad")),
        ('error "bad" "why"', codec.encode_error("bad", "why")),
        ('error "bad" null {"k": 1}', codec.encode_error("bad", "", {"k": 1})),
    ])
    def test_reply_forms(self, text, expected):
        assert parse_reply(text) == expected

    @pytest.mark.parametrize("text", ["error", "error 5", 'error "c" 5', "raw zz",
                                      'error "a" "b" 1 2'])
    def test_bad_replies(self, text):
        with pytest.raises(CommandError):
            parse_reply(text)


class TestCommandLine:
    def test_run_options_and_program_arguments(self):
        args = build_parser().parse_args(
            ["run", "--json", "--dpi", "144", "--env", "A=1", "--screen", "800x600x24",
             "--save-bytes", "out", "host.exe", "--hidden", "--json"])
        assert (args.exe, args.args) == ("host.exe", ["--hidden", "--json"])
        assert args.json and args.dpi == 144 and args.env == ["A=1"]
        assert args.screen == ["800x600x24"] and args.save_bytes == "out"

    def test_encode_and_decode_subcommands(self):
        def run(*argv):
            result = subprocess.run([sys.executable, TOOL] + list(argv), capture_output=True,
                                    text=True, timeout=30, check=True)
            return result.stdout.splitlines()

        assert run("encode", "i64:5") == ["040500000000000000"]
        assert run("encode", "--call", "echo", "5") == ["07046563686f0305000000"]
        assert run("decode", "0f") == [
            "null", "stderr: Unknown type in StandardCodecSerializer::ReadValueOfType: 15"]
        assert run("decode", "--as", "envelope", "010701650000") == [
            'error list:[str:"e",null,null]']
        assert run("decode", "--as", "call", "0301000000") == [
            "-", "stderr: Invalid method call; method name is not a string."]
        assert run("decode", "07fe1027") == [
            'str:""', "stderr: Invalid read in StandardCodecByteStreamReader"]
        odd = subprocess.run([sys.executable, TOOL, "decode", "07fe102"], capture_output=True,
                             text=True, timeout=30)
        assert (odd.returncode, odd.stdout, odd.stderr.count("\n")) == (2, "", 1)
        assert "not an even number of hex digits" in odd.stderr
        assert "VALUE syntax" in subprocess.run([sys.executable, TOOL, "run", "--help"],
                                                capture_output=True, text=True,
                                                timeout=30).stdout


class TestHuman:
    def test_abbreviates_bytes_and_long_lists(self):
        assert human(bytes(range(40))) == "bytes[40]:000102030405060708090a0b0c0d0e0f..."
        assert human(codec.Int32List(range(20))).endswith(",...(20)]")
        assert human({"a": [1.5, codec.Int64(2), None, "é"]}) == '{"a": [1.5, i64:2, null, "é"]}'


@pytest.fixture
def fake_console(tmp_path):
    session = HostSession.spawn([sys.executable, FAKE])
    out = io.StringIO()
    con = Console(session, out=out, as_json=True, save_dir=str(tmp_path), timeout=10)
    yield con, out
    session.close()


def records(out, kind):
    return [r for r in map(json.loads, out.getvalue().splitlines()) if r["type"] == kind]


class TestConsoleCommands:
    def test_call_prints_reply_and_saves_byte_lists(self, fake_console, tmp_path):
        con, out = fake_console
        con.execute('call fake/host echo {"bytes": bytes:ffd8ff00, "n": i64:3}')
        (reply,) = records(out, "reply")
        assert reply["kind"] == "success"
        assert reply["description"] == 'map:{str:"bytes"=bytes:ffd8ff00,str:"n"=i64:3}'
        saved = reply["value"]["bytes"]["file"]
        assert saved.endswith(".jpg") and open(saved, "rb").read() == b"\xff\xd8\xff\x00"
        assert reply["value"]["n"] == {"i64": 3}

    def test_autoreply_answers_and_unmatched_messages_wait_for_reply(self, fake_console):
        con, out = fake_console
        con.execute('autoreply fake/peer ping "pong"')
        con.execute('call fake/host ask {"method": "ping", "arguments": null}')
        reply = records(out, "reply")[-1]
        assert reply["description"] == "bytes:" + codec.encode_success("pong").hex()
        pending = con.session.call_async("fake/host", "ask", {"method": "other", "arguments": 1})
        con.execute("waitmsg fake/peer other")
        message = records(out, "waited")[-1]
        con.execute('reply %d error "no"' % message["message"])
        assert pending.wait(10).value == codec.encode_error("no")
        con.execute("autoreply fake/peer off")
        con.execute("waitmsg fake/peer ping")  # the cursor is per channel and method
        with pytest.raises(TimeoutError):
            con.execute("waitmsg fake/peer ping 0.2")

    def test_wait_consumes_events_in_order(self, fake_console):
        con, out = fake_console
        con.execute("wait engine_created")
        con.execute("frame")
        con.execute("post 0x8058 1 0x200")
        con.execute("send 16 0 0")
        con.execute("wait control")
        con.execute("wait control")
        con.execute("wait control")
        waited = [r["data"] for r in records(out, "waited") if r.get("event") == "control"]
        assert [w["operation"] for w in waited] == ["frame", "post_message", "send_message"]
        assert waited[1]["fields"] == {"msg": 0x8058, "wparam": 1, "lparam": 0x200}
        with pytest.raises(TimeoutError):
            con.execute("wait control 0.2")

    def test_errors_and_quit(self, fake_console):
        con, _ = fake_console
        for bad in ("bogus", "call fake/host", "post 1 2", "reply x 5", "wait", "callraw c zz"):
            with pytest.raises((CommandError, ValueError)):
                con.execute(bad)
        assert con.execute("# comment") is True
        assert con.execute("quit") is False

    def test_callraw_and_exit(self, fake_console):
        con, out = fake_console
        con.execute("callraw nobody 0102")
        assert records(out, "response") == [{"type": "response", "channel": "nobody", "raw": ""}]
        con.session.call_async("fake/host", "exit", 4)
        con.execute("waitexit")
        assert records(out, "exit") == [{"type": "exit", "code": 4}]


def test_human_output_mode():
    session = HostSession.spawn([sys.executable, FAKE])
    try:
        out = io.StringIO()
        con = Console(session, out=out, timeout=10)
        con.execute("call fake/host echo [1, bytes:%s]" % ("ab" * 40))
        con.execute("call nobody m")
        lines = out.getvalue().splitlines()
        assert "fake/host echo -> success [1, bytes[40]:abababababababababababababababab...]" \
            in lines
        assert "nobody m -> not implemented" in lines
    finally:
        session.close()


def test_module_has_help_for_every_command():
    for name in dir(Console):
        if name.startswith("cmd_"):
            assert name[4:] in console.COMMANDS_HELP
