"""Pointer, keyboard and text input of "com.vel.halvo/desktop_host" reaching a real Windows
window under Wine: the probe (tests/probe) reports the messages it received, the X server
where the pointer went.

One tesso.exe and one probe for the module. The probe covers the 1920 x 1080 screen but for a
strip at the bottom: its pad (the upper 693 rows) takes the mouse, its edit control below has
the focus.
"""

import pytest

from conftest import TIMEOUT
from desktop_session import (HEIGHT, WIDTH, assert_success, fraction, pointer, start_desktop,
                             xdotool)
from tesso_host import wait_until


@pytest.fixture(scope="module")
def desk():
    d = start_desktop()
    yield d
    d.close()


def mouse_reports(desk, since):
    """(event, screen x, screen y) of every button report since a position."""
    return [(r["event"], r["screenX"], r["screenY"]) for r in desk.probe.reports(
        "lbuttondown", "lbuttonup", "rbuttondown", "rbuttonup", since=since)]


def test_click_at_the_middle_moves_the_pointer_to_the_centre_of_the_display(desk):
    xdotool(desk, "mousemove", "123", "77")  # Xvfb starts with the pointer in the centre
    assert pointer(desk) == (123, 77)
    since = desk.probe.position()
    assert_success(desk.host.click(0.5, 0.5), True)
    desk.probe.wait("lbuttonup", since=since)
    assert pointer(desk) == (WIDTH // 2, HEIGHT // 2)
    assert mouse_reports(desk, since) == [("lbuttondown", 960, 540), ("lbuttonup", 960, 540)]


# (kind, points in pixels) -> the button reports the probe gets.
CLICKS = [
    ("click", (300, 200), [("lbuttondown", 300, 200), ("lbuttonup", 300, 200)]),
    ("rightClick", (1700, 650), [("rbuttondown", 1700, 650), ("rbuttonup", 1700, 650)]),
    ("click", (0, 0), [("lbuttondown", 0, 0), ("lbuttonup", 0, 0)]),
]


@pytest.mark.parametrize("kind, point, expected", CLICKS)
def test_clicks_reach_the_probe_at_their_point(desk, kind, point, expected):
    since = desk.probe.position()
    x, y = fraction(point[0], WIDTH), fraction(point[1], HEIGHT)
    assert_success(desk.host.click(x, y, right=(kind == "rightClick")), True)
    desk.probe.wait(expected[-1][0], since=since)
    assert mouse_reports(desk, since) == expected


def test_drag_presses_moves_and_releases_along_the_way(desk):
    since = desk.probe.position()
    start, end = (200, 100), (1400, 600)
    assert_success(desk.host.drag(fraction(start[0], WIDTH), fraction(start[1], HEIGHT),
                                  fraction(end[0], WIDTH), fraction(end[1], HEIGHT)), True)
    desk.probe.wait("lbuttonup", since=since)
    assert mouse_reports(desk, since) == [("lbuttondown",) + start, ("lbuttonup",) + end]
    pressed = desk.probe.reports("lbuttondown", "mousemove", "lbuttonup", since=since)
    down = next(i for i, r in enumerate(pressed) if r["event"] == "lbuttondown")
    moves = [(r["screenX"], r["screenY"]) for r in pressed[down:]
             if r["event"] == "mousemove" and r["buttons"] & 1]
    # Wine merges moves that wait unread in the queue; the last one and the order stay.
    assert moves[-1] == end and len(moves) >= 2
    xs = [x for x, _ in moves]
    assert xs == sorted(xs)


def test_drag_path_visits_its_points_with_the_button_down(desk):
    since = desk.probe.position()
    path = [(100, 100), (900, 100), (900, 600), (100, 600)]
    assert_success(desk.host.drag_path([(fraction(x, WIDTH), fraction(y, HEIGHT))
                                        for x, y in path]), True)
    desk.probe.wait("lbuttonup", since=since)
    assert mouse_reports(desk, since) == [("lbuttondown",) + path[0], ("lbuttonup",) + path[-1]]
    visited = [(r["screenX"], r["screenY"]) for r in desk.probe.reports("mousemove", since=since)
               if r["buttons"] & 1]
    assert [p for p in path[1:] if p in visited] == path[1:]


@pytest.mark.parametrize("amount, delta", [(-3, -360), (1, 120), (100, 2400)])
def test_scroll_turns_the_wheel_under_the_pointer(desk, amount, delta):
    desk.host.click(fraction(960, WIDTH), fraction(300, HEIGHT))  # the pointer over the pad
    since = desk.probe.position()
    assert_success(desk.host.scroll(amount), True)
    report = desk.probe.wait("wheel", since=since)
    assert (report["delta"], report["window"]) == (delta, "pad")


TEXTS = [
    "plain ascii",
    "中文输入法测试，日本語のテキスト、한국어",
    "emoji \U0001F600 and \U0001F468\u200D\U0001F469 outside the basic plane",
    "tab\tseparated\tcolumns\nand\nline feeds\n",
    "a" * 31 + "\U0001F600" + "b" * 40,  # the 32nd unit is a high surrogate
    "\tleading tab, carriage return\r\nskipped",
]


@pytest.mark.parametrize("text", TEXTS, ids=range(len(TEXTS)))
def test_typed_text_arrives_in_the_edit_control_exactly(desk, text):
    desk.probe.command("focus")
    desk.probe.command("clear")
    assert_success(desk.host.type_text(text), True)
    # The edit control turns each Enter into a CR LF pair; carriage returns are not typed.
    expected = text.replace("\r", "").replace("\n", "\r\n")
    wait_until(lambda: desk.probe.text() == expected, "the probe holds %r" % expected)


def key_reports(desk, since):
    return [(r["event"], r["vk"], r["control"], r["shift"], r["alt"])
            for r in desk.probe.reports("keydown", "keyup", "syskeydown", "syskeyup",
                                        since=since)]


# Windows reports the left-hand control, shift and alt keys under their generic codes (17, 16,
# 18); while alt is held without control a key is a "system" key.
KEYS = [
    (65, ["control", "shift"], [
        ("keydown", 17, True, False, False), ("keydown", 16, True, True, False),
        ("keydown", 65, True, True, False), ("keyup", 65, True, True, False),
        ("keyup", 16, True, False, False), ("keyup", 17, False, False, False)]),
    (46, ["alt", "control"], [
        ("syskeydown", 18, False, False, True), ("keydown", 17, True, False, True),
        ("keydown", 46, True, False, True), ("keyup", 46, True, False, True),
        ("syskeyup", 17, False, False, True), ("keyup", 18, False, False, False)]),
    (37, ["win"], [("keydown", 91, False, False, False), ("keydown", 37, False, False, False),
                   ("keyup", 37, False, False, False), ("keyup", 91, False, False, False)]),
    (37, [], [("keydown", 37, False, False, False), ("keyup", 37, False, False, False)]),
]


@pytest.mark.parametrize("code, modifiers, expected", KEYS)
def test_key_press_with_modifiers_arrives_in_order(desk, code, modifiers, expected):
    desk.probe.command("focus")
    since = desk.probe.position()
    assert_success(desk.host.key(code, modifiers), True)
    desk.probe.wait_count("keyup", 1, since=since)
    wait_until(lambda: len(key_reports(desk, since)) >= len(expected), "%d key reports"
               % len(expected))
    assert key_reports(desk, since) == expected


def test_wake_display_answers_true(desk):
    assert_success(desk.host.wake(), True)


def test_forty_queued_input_calls_are_each_answered_and_run_in_order(desk):
    desk.probe.command("focus")
    desk.probe.command("clear")
    calls = []
    for i in range(40):  # 30 letters typed, with a wake call after every third
        if i % 4 == 3:
            calls.append((None, desk.host.call_async("wakeDisplay")))
        else:
            letter = chr(ord("A") + i % 26)
            calls.append((letter, desk.host.call_async("typeText", {"text": letter})))
    replies = [(letter, call.wait(TIMEOUT)) for letter, call in calls]
    assert all(r.kind == "success" and isinstance(r.value, bool) for _, r in replies), replies
    typed = "".join(letter for letter, r in replies if letter is not None and r.value is True)
    # A full queue (32 waiting besides the running one) refuses with false at once, so at
    # most 7 of the 40 are refused; what was accepted ran in the order of the calls.
    assert len(typed) >= 30 - 7
    wait_until(lambda: desk.probe.text() == typed, "the probe holds %r" % typed)
