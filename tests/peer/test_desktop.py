"""The console's desktop host commands: the calls they make and the frames they save (against
fake_engine.py, which writes every desktop host call it gets to its stderr)."""

import io
import json
import os
import sys

import pytest

from fake_engine import FAKE_JPEG
from peer.console import Console
from peer.describe import ParseError, describe
from peer.desktop import DesktopError
from peer.session import HostSession
from peer.values import Int64

FAKE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_engine.py")


def capture(generation, enabled):
    return ["setCaptureEnabled", {"generation": Int64(generation), "enabled": enabled}]


def mouse(**arguments):
    return ["performMouse", arguments]


def key(code, *modifiers):
    return ["performKeyPress", {"keyCode": code, "modifiers": list(modifiers)}]


CALLS = [
    (["capture on", "capture on", "capture off"],
     [capture(1, True), capture(2, True), capture(2, False)]),
    (["capture on 0x10", "capture off 3"], [capture(16, True), capture(3, False)]),
    (["shot max=640 quality=0.5", "shot"],
     [["captureScreen", {"generation": Int64(0), "maxDimension": 640, "quality": 0.5}],
      ["captureScreen", {"generation": Int64(0)}]]),
    (["diag", "displays", "display 2", "display -1", "wake"],
     [["captureDiagnostics", None], ["listDisplays", None], ["switchDisplay", {"index": 2}],
      ["switchDisplay", {"index": -1}], ["wakeDisplay", None]]),
    (["click 0.5 1", "rclick 0 0.25"],
     [mouse(kind="click", x=0.5, y=1.0), mouse(kind="rightClick", x=0.0, y=0.25)]),
    (["drag 0.1 0.2 0.3 1"], [mouse(kind="drag", x=0.1, y=0.2, endX=0.3, endY=1.0)]),
    (["path 0,0 0.5,1 1,1"],
     [mouse(kind="dragPath", points=[[0.0, 0.0], [0.5, 1.0], [1.0, 1.0]])]),
    (["scroll -3", "scroll 100"], [mouse(kind="scroll", amount=-3),
                                   mouse(kind="scroll", amount=100)]),
    (["key control+shift+a", "key alt+delete", "key 0x25", "key Control+F4", "key win+left"],
     [key(65, "control", "shift"), key(46, "alt"), key(37), key(115, "Control"),
      key(37, "win")]),
    (["type 中文 and  spaces", 'type "a\\tb\\nc\\u00e9"'],
     [["typeText", {"text": "中文 and  spaces"}], ["typeText", {"text": "a\tb\nc\u00e9"}]]),
]


@pytest.fixture
def console_on_fake(tmp_path):
    session = HostSession.spawn([sys.executable, FAKE])
    out = io.StringIO()
    con = Console(session, out=out, as_json=True, save_dir=str(tmp_path), timeout=10)
    yield con, out
    session.close()


def records(out, kind):
    return [r for r in map(json.loads, out.getvalue().splitlines()) if r["type"] == kind]


@pytest.mark.parametrize("commands, calls", CALLS, ids=[c[0][0] for c in CALLS])
def test_commands_make_these_calls(console_on_fake, commands, calls):
    con, _ = console_on_fake
    for command in commands:
        con.execute(command)
    position = 0
    for call in calls:
        position = con.session.wait_stderr("desktop_host " + describe(call), timeout=10,
                                           since=position) + 1
    made = [line for line in con.session.stderr_lines() if line.startswith("desktop_host ")]
    assert len(made) == len(calls), made


@pytest.mark.parametrize("command", [
    "capture", "capture maybe", "capture on x", "capture on 1 2", "shot a b", "shot max=x",
    "shot quality=high", "shots", "shots x", "display", "display x", "click 1", "click a b",
    "drag 1 2 3", "path 1", "path 1,a", "scroll", "scroll 1.5", "key", "key control+",
    "key nokey", 'type "open', 'type "a" 1',
])
def test_bad_commands_make_no_call(console_on_fake, command):
    con, _ = console_on_fake
    with pytest.raises((DesktopError, ParseError)):
        con.execute(command)
    con.execute("wake")  # the next call is the first one made
    con.session.wait_stderr("desktop_host " + describe(["wakeDisplay", None]), timeout=10)
    assert len([line for line in con.session.stderr_lines()
                if line.startswith("desktop_host ")]) == 1


def test_frames_are_saved_as_jpeg_files(console_on_fake, tmp_path):
    con, out = console_on_fake
    con.execute("shot")  # generation 0: the fake answers null, nothing is saved
    con.execute("capture on 2")
    con.execute("shot %s" % (tmp_path / "one.jpg"))
    con.execute("shot")
    con.execute("shots 3 %s" % (tmp_path / "run"))
    assert [r["value"] for r in records(out, "reply") if r["call"] == "captureScreen"] == [None]
    frames = records(out, "frame")
    assert [(f["file"], f["width"], f["height"], f["sequence"], f["bytes"]) for f in frames] == [
        (str(tmp_path / "one.jpg"), 4, 3, 20, len(FAKE_JPEG)),
        (os.path.join(str(tmp_path), "frame-20.jpg"), 4, 3, 20, len(FAKE_JPEG)),
    ] + [(os.path.join(str(tmp_path / "run"), "frame-%03d.jpg" % i), 4, 3, 20, len(FAKE_JPEG))
         for i in range(3)]
    for f in frames:
        with open(f["file"], "rb") as saved:
            assert saved.read() == FAKE_JPEG
    (summary,) = records(out, "frames")
    assert summary["count"] == 3
