"""Bad arguments of every method of "com.vel.halvo/desktop_host" through the peer link: each
call is answered once, with success(false), success(null) or the method's default reading,
never with an error; names that are not the methods' exact names are not implemented.

One tesso.exe for the module; the probe covers the screen, so that an input call that does
get through lands in a window of ours.
"""

import math

import pytest

from desktop_session import start_desktop
from peer.values import Int64

GRANTS = {"screenRecordingGranted": True, "accessibilityGranted": True}
POINT = [0.5, 0.5]

# (method, arguments, the reply's value)
CASES = [
    ("getPermissionState", None, GRANTS),
    ("getPermissionState", {"x": 1}, GRANTS),
    ("requestPermissionPrompts", "junk", GRANTS),
    ("setCaptureEnabled", None, None),
    ("setCaptureEnabled", {"generation": "7", "enabled": 1}, None),
    ("setCaptureEnabled", [Int64(3), True], None),
    ("captureScreen", None, None),
    ("captureScreen", {"generation": 0.0, "maxDimension": "big", "quality": "high"}, None),
    ("captureScreen", {"generation": Int64(-1)}, None),
    ("captureDiagnostics", [1, 2], {"enabled": False, "pending": False, "requests": Int64(0),
                                    "encoded": Int64(0), "backend": "none"}),
    ("switchDisplay", {"index": 2.0}, True),
    ("switchDisplay", {"index": "1"}, True),
    ("switchDisplay", [], True),
    ("switchDisplay", {"index": Int64(1 << 40)}, True),
    ("switchDisplay", None, True),
    ("performMouse", None, False),
    ("performMouse", {"kind": "Click", "x": 0.5, "y": 0.5}, False),
    ("performMouse", {"kind": "click"}, False),
    ("performMouse", {"kind": "click", "x": "0.5", "y": 0.5}, False),
    ("performMouse", {"kind": "click", "x": 1.5, "y": 0.5}, False),
    ("performMouse", {"kind": "click", "x": -0.01, "y": 0.5}, False),
    ("performMouse", {"kind": "rightClick", "x": math.nan, "y": 0.5}, False),
    ("performMouse", {"kind": "drag", "x": 0.5, "y": 0.5, "endX": 0.6}, False),
    ("performMouse", {"kind": "drag", "x": 0.5, "y": 0.5, "endX": 0.6, "endY": math.inf},
     False),
    ("performMouse", {"kind": "dragPath", "points": [[0.5, 1]]}, False),
    ("performMouse", {"kind": "dragPath", "points": [POINT, [0.5]]}, False),
    ("performMouse", {"kind": "dragPath", "points": "0.5,0.5"}, False),
    ("performMouse", {"kind": "dragPath", "points": [POINT]}, False),
    ("performMouse", {"kind": "dragPath", "points": [POINT] * 65}, False),
    ("performMouse", {"kind": "dragPath", "points": []}, False),
    ("performMouse", {"kind": "scroll"}, True),
    ("performMouse", {"kind": "scroll", "amount": "3"}, True),
    ("performMouse", {"kind": "wheel", "amount": 3}, False),
    ("performKeyPress", None, False),
    ("performKeyPress", {"keyCode": 0}, False),
    ("performKeyPress", {"keyCode": 255}, False),
    ("performKeyPress", {"keyCode": -1}, False),
    ("performKeyPress", {"keyCode": 65.0}, False),
    ("performKeyPress", {"keyCode": Int64(65 + (1 << 32))}, False),
    ("performKeyPress", {"keyCode": 16, "modifiers": ["ctrl"]}, False),
    ("performKeyPress", {"keyCode": 16, "modifiers": ["Control"]}, False),
    ("performKeyPress", {"keyCode": 16, "modifiers": ["control", 5]}, False),
    ("performKeyPress", {"keyCode": 16, "modifiers": "control"}, True),  # not a list: none
    ("typeText", None, False),
    ("typeText", {"text": 5}, False),
    ("typeText", {"text": ""}, False),
    ("typeText", {"text": "\r\r\r"}, True),
    ("typeText", {"text": "x" * 4097}, False),
    ("typeText", {"text": b"\xff\xfe".decode("utf-8", "surrogateescape")}, False),
    ("wakeDisplay", {"anything": [1]}, True),
    ("resetPermissionDenied", 5, None),
    ("activateApp", {"x": None}, None),
    ("openScreenRecordingSettings", [], None),
    ("openAccessibilitySettings", "x", None),
]


@pytest.fixture(scope="module")
def desk():
    d = start_desktop()
    d.probe.command("blur")  # keys that get through go nowhere visible
    yield d
    d.close()


@pytest.mark.parametrize("method, arguments, value", CASES,
                         ids=["%s-%d" % (c[0], i) for i, c in enumerate(CASES)])
def test_bad_arguments_are_answered_without_an_error(desk, method, arguments, value):
    reply = desk.host.call(method, arguments)
    assert (reply.kind, reply.value) == ("success", value), reply
    assert not desk.session.unmatched_responses()


@pytest.mark.parametrize("method", ["CaptureScreen", "capturescreen", "typetext", "bogus",
                                    "captureScreen ", ""])
def test_names_that_differ_are_not_implemented(desk, method):
    assert desk.host.call(method, {"generation": 1}).kind == "not_implemented"
