"""The tesso-peer console against fake_engine.py: its syntax, commands, calls and saved frames."""

import io

import pytest

from fake_engine import FAKE_JPEG
from peer import codec, console
from peer.console import CommandError, Console, build_parser, human, parse_reply
from peer.describe import ParseError, describe
from peer.desktop import DesktopError
from peer.values import Int64

@pytest.mark.parametrize("text, expected", [
    ("5", codec.encode_success(5)), ("ok i64:5", codec.encode_success(Int64(5))),
    ('{"a": [1]}', codec.encode_success({"a": [1]})), ("notimpl", b""), ("raw 0102", b"\1\2"),
    ('error "bad"', codec.encode_error("bad")), ('error "bad" "why"', codec.encode_error("bad", "why")),
    ('error "bad" null {"k": 1}', codec.encode_error("bad", "", {"k": 1})),
] + [(bad, None) for bad in ["error", "error 5", 'error "c" 5', "raw zz", 'error "a" "b" 1 2']])
def test_reply_syntax(text, expected):
    if expected is None:
        pytest.raises(CommandError, parse_reply, text)
    else:
        assert parse_reply(text) == expected


def test_run_passes_the_options_after_the_program_to_it():
    args = build_parser().parse_args(["run", "--dpi", "144", "a.exe", "--hidden", "--json"])
    assert (args.exe, args.args, args.dpi, args.json) == ("a.exe", ["--hidden", "--json"], 144, False)


def test_help_and_human_output(session):
    assert all(name[4:] in console.COMMANDS_HELP for name in dir(Console) if name.startswith("cmd_"))
    assert human(codec.Int32List(range(20))).endswith(",...(20)]")
    assert human({"a": [1.5, Int64(2), None, "é"]}) == '{"a": [1.5, i64:2, null, "é"]}'
    con = Console(session, out=io.StringIO(), timeout=10)
    for command in ["call fake/host echo [1, bytes:%s]" % ("ab" * 40), "call nobody m"]:
        con.execute(command)
    assert [line for line in con.out.getvalue().splitlines() if " -> " in line] == [
        "fake/host echo -> success [1, bytes[40]:abababababababababababababababab...]",
        "nobody m -> not implemented"]


def test_call_prints_the_reply_and_saves_byte_lists(con):
    con.execute('call fake/host echo {"bytes": bytes:ffd8ff00, "n": i64:3}')
    (reply,) = con.out_records("reply")
    assert (reply["kind"], reply["description"], reply["value"]["n"]) == (
        "success", 'map:{str:"bytes"=bytes:ffd8ff00,str:"n"=i64:3}', {"i64": 3})
    saved = reply["value"]["bytes"]["file"]
    assert saved.endswith(".jpg") and open(saved, "rb").read() == b"\xff\xd8\xff\x00"


def test_autoreply_reply_and_waitmsg(con):
    con.execute('autoreply fake/peer ping "pong"')
    con.execute('call fake/host ask {"method": "ping", "arguments": null}')
    assert con.out_records("reply")[-1]["description"] == \
        "bytes:" + codec.encode_success("pong").hex()
    pending = con.session.call_async("fake/host", "ask", {"method": "other", "arguments": 1})
    con.execute("waitmsg fake/peer other")
    con.execute('reply %d error "no"' % con.out_records("waited")[-1]["message"])
    assert pending.wait(10).value == codec.encode_error("no")
    con.execute("autoreply fake/peer off")
    con.execute("waitmsg fake/peer ping")  # the cursor is per channel and method
    pytest.raises(TimeoutError, con.execute, "waitmsg fake/peer ping 0.2")


def test_wait_post_send_frame_callraw_and_exit(con):
    for command in ["wait engine_created", "frame", "post 0x8058 1 0x200", "send 16 0 0",
                    "wait control", "wait control", "wait control", "callraw nobody 0102"]:
        con.execute(command)
    waited = [r["data"] for r in con.out_records("waited") if r.get("event") == "control"]
    assert [(w["operation"], w["fields"]) for w in waited] == [
        ("frame", {}), ("post_message", {"msg": 0x8058, "wparam": 1, "lparam": 0x200}),
        ("send_message", {"msg": 16, "wparam": 0, "lparam": 0})]
    pytest.raises(TimeoutError, con.execute, "wait control 0.2")
    assert con.out_records("response") == [{"type": "response", "channel": "nobody", "raw": ""}]
    assert (con.execute("# comment"), con.execute("quit")) == (True, False)
    con.session.call_async("fake/host", "exit", 4)
    con.execute("waitexit")
    assert con.out_records("exit") == [{"type": "exit", "code": 4}]


def made_calls(con):
    """The desktop host calls the fake got, as descriptions of [method, arguments]."""
    con.execute("wake")  # a last call, so that every earlier one has reached the fake
    con.session.wait_stderr("desktop_host " + describe(["wakeDisplay", None]), timeout=10)
    return [line[13:] for line in con.session.stderr_lines() if line.startswith("desktop_host ")]


def capture(generation, enabled):
    return ["setCaptureEnabled", {"generation": Int64(generation), "enabled": enabled}]


def key(code, *modifiers):
    return ["performKeyPress", {"keyCode": code, "modifiers": list(modifiers)}]


DESKTOP = [  # command -> the call it makes, with the console's generation counter running on
    ("capture on", capture(1, True)), ("capture on", capture(2, True)),
    ("capture off", capture(2, False)), ("capture off 0x3", capture(3, False)),
    ("shot max=640 quality=0.5", ["captureScreen", {"generation": Int64(3), "maxDimension": 640,
                                                    "quality": 0.5}]),
    ("shot", ["captureScreen", {"generation": Int64(3)}]), ("diag", ["captureDiagnostics", None]),
    ("displays", ["listDisplays", None]), ("display -1", ["switchDisplay", {"index": -1}]),
    ("click 0.5 1", ["performMouse", {"kind": "click", "x": 0.5, "y": 1.0}]),
    ("rclick 0 0.25", ["performMouse", {"kind": "rightClick", "x": 0.0, "y": 0.25}]),
    ("drag 0.1 0.2 0.3 1", ["performMouse", {"kind": "drag", "x": 0.1, "y": 0.2, "endX": 0.3,
                                             "endY": 1.0}]),
    ("path 0,0 0.5,1 1,1", ["performMouse", {"kind": "dragPath",
                                             "points": [[0.0, 0.0], [0.5, 1.0], [1.0, 1.0]]}]),
    ("scroll -3", ["performMouse", {"kind": "scroll", "amount": -3}]),
    ("key control+shift+a", key(65, "control", "shift")), ("key 0x25", key(37)),
    ("key Control+F4", key(115, "Control")),
    ("type 中文 and  spaces", ["typeText", {"text": "中文 and  spaces"}]),
    ('type "a\\tb\\nc\\u00e9"', ["typeText", {"text": "a\tb\nc\u00e9"}])]


def test_desktop_commands_make_these_calls_in_order(con):
    for command, _ in DESKTOP:
        con.execute(command)
    assert made_calls(con) == [describe(call) for call in [c for _, c in DESKTOP] + [
        ["wakeDisplay", None]]]


def test_bad_desktop_commands_make_no_call(con):
    for bad in ["capture", "capture maybe", "capture on x", "capture on 1 2", "shot a b",
                "shot max=x", "shot quality=high", "shots", "shots x", "display", "display x",
                "click 1", "click a b", "drag 1 2 3", "path 1", "path 1,a", "scroll",
                "scroll 1.5", "key", "key control+", "key nokey", 'type "open', 'type "a" 1']:
        with pytest.raises((DesktopError, ParseError)):
            con.execute(bad)
    assert made_calls(con) == [describe(["wakeDisplay", None])]


def test_frames_are_saved_as_jpeg_files(con, tmp_path):
    for command in ["shot", "capture on 2", "shot %s" % (tmp_path / "one.jpg"), "shot",
                    "shots 3 %s" % (tmp_path / "run")]:  # generation 0: null, nothing saved
        con.execute(command)
    assert [r["value"] for r in con.out_records("reply") if r["call"] == "captureScreen"] == [None]
    files = [str(tmp_path / "one.jpg"), str(tmp_path / "frame-20.jpg")] + [
        str(tmp_path / "run" / ("frame-%03d.jpg" % i)) for i in range(3)]
    assert [(f["file"], f["width"], f["height"], f["sequence"], f["bytes"])
            for f in con.out_records("frame")] == [(n, 4, 3, 20, len(FAKE_JPEG)) for n in files]
    assert all(open(name, "rb").read() == FAKE_JPEG for name in files)
    assert [r["count"] for r in con.out_records("frames")] == [3]
