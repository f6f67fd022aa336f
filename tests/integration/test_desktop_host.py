""""com.vel.halvo/desktop_host" in tesso.exe: real frames, and input as a Windows window gets it,
on one and three displays. The input probe (tests/probe) covers the screen but for a strip at the
bottom (Wine confines the X pointer to a window covering a whole monitor): its pad (the upper 693
rows), its edit control below. Capture comes first, with the caret off so that nothing blinks.
Frames are checked through libjpeg-turbo and through the imaging component that backs it."""

import contextlib
import io
import os
import time

import pytest
from PIL import Image

from conftest import BIN_DIR, TIMEOUT, X, assert_reply, start, wait_until
from peer.desktop import DesktopHost, Frame
from peer.probe import PROBE_EXE, Probe
from peer.values import Int64

WIDTH, HEIGHT = 1920, 1080
PAD, WHITE, RED = (0x20, 0x60, 0xC0), (0xFF, 0xFF, 0xFF), (0xFF, 0x00, 0x00)


@contextlib.contextmanager
def desktop(screens, env=None):
    session = start(screens=screens, env=env)
    try:
        with Probe.start(session.wine, os.path.join(BIN_DIR, PROBE_EXE),
                         rect=(0, 0, WIDTH, HEIGHT - 40), fill="2060c0") as session.probe:
            session.probe.command("blur")
            session.host = DesktopHost(session, TIMEOUT)
            yield session
    finally:
        session.close()


def pointer(session):
    fields = dict(line.split("=") for line in X(session).run(
        "xdotool", "getmouselocation", "--shell").split())
    return int(fields["X"]), int(fields["Y"])


@pytest.fixture(scope="module")
def desk():
    with desktop(("%dx%dx24" % (WIDTH, HEIGHT),)) as session:
        yield session


@pytest.fixture
def wic_desk():  # the same, its frames encoded by the imaging component alone
    with desktop(("%dx%dx24" % (WIDTH, HEIGHT),), {"TESSO_FRAME_ENCODER": "wic"}) as session:
        yield session


def frame_of(reply, size=None):
    frame = Frame.from_reply(reply)
    assert frame is not None, reply
    image = Image.open(io.BytesIO(frame.data))
    assert image.format == "JPEG" and image.size == (frame.width, frame.height)
    assert size is None or image.size == size
    frame.image = image.convert("RGB")
    return frame


def assert_colour(frame, fx, fy, colour):
    pixel = frame.image.getpixel((int(fx * frame.width), int(fy * frame.height)))
    assert all(abs(a - b) <= 24 for a, b in zip(pixel, colour)), (pixel, colour)  # JPEG's error


@pytest.mark.parametrize("host", ["desk", "wic_desk"])
def test_frames_show_the_screen_at_the_asked_size_and_change_with_it(request, host):
    desk = request.getfixturevalue(host)
    assert_reply(desk.host.set_capture(True), None)
    before = desk.host.diagnostics().value
    for max_dimension, size in [(None, (1920, 1080)), (1000, (1000, 563)), (1, (1, 1))]:
        frame = frame_of(desk.host.capture(max_dimension), size)
    assert_reply(desk.host.diagnostics(), {  # the GDI worker counts what it made
        "enabled": True, "pending": False, "requests": Int64(int(before["requests"]) + 3),
        "encoded": Int64(int(before["encoded"]) + 3), "backend": "gdi"})
    first, again = frame_of(desk.host.capture(800)), frame_of(desk.host.capture(800))
    assert (again.sequence, again.data) == (first.sequence, first.data) and first.sequence > \
        frame.sequence  # the same screen keeps its bytes; new options make a new sequence
    assert_colour(first, 0.5, 0.3, PAD)
    assert_colour(first, 0.5, 0.9, WHITE)  # the edit control
    if host == "desk":  # turbo honours the quality (Wine's WIC does not) and the chroma threshold
        sizes = [len(frame_of(desk.host.capture(1000, q)).data) for q in (0.9, 0.6, 0.3)]
        assert sizes[0] > sizes[1] > sizes[2], sizes
        # The luma sampling factors in the frame header: 1x1 is 4:4:4, 2x2 is 4:2:0.
        assert [Image.open(io.BytesIO(frame_of(desk.host.capture(1000, q)).data)).layer[0][1:3]
                for q in (0.75, 0.7499)] == [(1, 1), (2, 2)]
    desk.probe.command("fill ff0000")
    try:  # the X server shows the repainted window a moment later
        changed = wait_until(lambda: (lambda f: f if f.sequence != first.sequence else None)(
            frame_of(desk.host.capture(800))), "a new frame")
        assert changed.sequence > first.sequence
        assert_colour(changed, 0.5, 0.3, RED)
    finally:
        desk.probe.command("fill 2060c0")


def fraction(pixel, size):
    return (pixel + 0.5) / size  # the pixel's middle, against rounding


def mouse_reports(desk, since, *events):
    return [(r["event"], r["screenX"], r["screenY"]) + ((r["buttons"] & 1,) if events else ())
            for r in desk.probe.reports(*(events or ("lbuttondown", "lbuttonup", "rbuttondown",
                                                     "rbuttonup")), since=since)]


@pytest.mark.parametrize("kind, path", [
    ("click", [(0, 0)]), ("rightClick", [(1700, 650)]), ("drag", [(200, 100), (1400, 600)]),
    ("dragPath", [(100, 100), (900, 100), (900, 600)])])
def test_pointer_input_reaches_the_probe_at_its_points(desk, kind, path):
    X(desk).run("xdotool", "mousemove", "123", "77")
    since = desk.probe.position()
    points = [(fraction(x, WIDTH), fraction(y, HEIGHT)) for x, y in path]
    button = "r" if kind == "rightClick" else "l"
    assert_reply({"click": lambda: desk.host.click(*points[0]),
                  "rightClick": lambda: desk.host.click(*points[0], right=True),
                  "drag": lambda: desk.host.drag(*points[0], *points[1]),
                  "dragPath": lambda: desk.host.drag_path(points)}[kind](), True)
    desk.probe.wait(button + "buttonup", since=since)
    assert pointer(desk) == path[-1]
    assert mouse_reports(desk, since) == [(button + "buttondown",) + path[0],
                                          (button + "buttonup",) + path[-1]]
    # Wine merges moves that wait unread in the queue; the points and their order stay.
    held = [r[1:3] for r in mouse_reports(desk, since, "mousemove") if r[3]]
    assert [p for p in path[1:] if p in held] == path[1:]


def test_clicks_land_on_the_asked_pixel_and_a_wake_leaves_the_pointer_where_it_was(desk):
    # Columns and rows where aiming at a pixel's edge instead of its centre lands one short.
    pixels = [(x, 5) for x in range(41)] + [(5, y) for y in range(13)]
    since = desk.probe.position()
    for half in (pixels[:27], pixels[27:]):  # each within the 32 places of the queue
        calls = [desk.host.call_async("performMouse", {"kind": "click", "x": fraction(
            x, WIDTH), "y": fraction(y, HEIGHT)}) for x, y in half]
        assert [c.wait(TIMEOUT).value for c in calls] == [True] * len(half)
    wait_until(lambda: len(mouse_reports(desk, since, "lbuttondown")) == len(pixels), "clicks")
    assert [r[1:3] for r in mouse_reports(desk, since, "lbuttondown")] == pixels
    for edge in [(0, 500), (WIDTH - 1, 500), (960, 0), (960, HEIGHT - 1), (WIDTH - 1, HEIGHT - 1)]:
        # Put there by Wine, which does not see X pointer moves outside its windows.
        assert_reply(desk.host.click(fraction(edge[0], WIDTH), fraction(edge[1], HEIGHT)), True)
        wait_until(lambda: pointer(desk) == edge, "the pointer at %r" % (edge,))
        assert_reply(desk.host.wake(), True)
        for _ in range(5):  # the two moves land a moment after the reply
            time.sleep(0.05)
            assert pointer(desk) == edge


def test_scroll_turns_the_wheel_under_the_pointer(desk):
    desk.host.click(fraction(960, WIDTH), fraction(300, HEIGHT))  # over the pad
    since = desk.probe.position()
    assert_reply(desk.host.scroll(-3), True)
    assert (lambda r: (r["delta"], r["window"]))(desk.probe.wait("wheel", since=since)) == (
        -360, "pad")


@pytest.mark.parametrize("text", [
    "中文输入法测试，日本語のテキスト、한국어 emoji \U0001F600 and \U0001F468\u200D\U0001F469 outside the basic plane",
    "a" * 31 + "\U0001F600" + "b" * 40,  # the 32nd unit is a high surrogate
    "\tleading tab, carriage return\r\nskipped, line\nfeeds\n"])
def test_typed_text_arrives_in_the_edit_control_exactly(desk, text):
    desk.probe.command("focus")
    desk.probe.command("clear")
    assert_reply(desk.host.type_text(text), True)
    # The edit control turns each Enter into CR LF; carriage returns are not typed.
    expected = text.replace("\r", "").replace("\n", "\r\n")
    wait_until(lambda: desk.probe.text() == expected, "the probe holds %r" % expected)


# Windows reports the left control, shift and alt keys under their generic codes (17, 16, 18);
# while alt is held without control a key is a "system" key.
@pytest.mark.parametrize("code, modifiers, expected", [
    (65, ["control", "shift"], [("keydown", 17, 1, 0, 0), ("keydown", 16, 1, 1, 0),
                                ("keydown", 65, 1, 1, 0), ("keyup", 65, 1, 1, 0),
                                ("keyup", 16, 1, 0, 0), ("keyup", 17, 0, 0, 0)]),
    (46, ["alt", "control"], [("syskeydown", 18, 0, 0, 1), ("keydown", 17, 1, 0, 1),
                              ("keydown", 46, 1, 0, 1), ("keyup", 46, 1, 0, 1),
                              ("syskeyup", 17, 0, 0, 1), ("keyup", 18, 0, 0, 0)])])
def test_key_press_with_modifiers_arrives_in_order(desk, code, modifiers, expected):
    desk.probe.command("focus")
    since = desk.probe.position()
    assert_reply(desk.host.key(code, modifiers), True)

    def reports():
        return [(r["event"], r["vk"], r["control"], r["shift"], r["alt"]) for r in
                desk.probe.reports("keydown", "keyup", "syskeydown", "syskeyup", since=since)]
    wait_until(lambda: len(reports()) >= len(expected), "%d key reports" % len(expected))
    assert reports() == [(e, vk) + tuple(bool(b) for b in rest) for e, vk, *rest in expected]



def test_forty_queued_calls_are_answered_once_and_run_in_order(desk):
    desk.probe.command("focus")
    desk.probe.command("clear")
    calls = [(None if i % 4 == 3 else chr(65 + i), desk.host.call_async(
        "wakeDisplay" if i % 4 == 3 else "typeText", None if i % 4 == 3 else {"text": chr(65 + i)}))
        for i in range(40)]  # 30 letters, a wake call after every third
    replies = [(letter, call.wait(TIMEOUT)) for letter, call in calls]
    assert all(r.kind == "success" and isinstance(r.value, bool) for _, r in replies), replies
    # A full queue (32 waiting besides the running one) refuses at once with false; what was
    # accepted ran in the order of the calls.
    typed = "".join(letter for letter, r in replies if letter and r.value is True)
    assert len(typed) >= 30 - 7
    wait_until(lambda: desk.probe.text() == typed, "the probe holds %r" % typed)
    assert not desk.unmatched_responses()

# Three monitors side by side (a nested Xephyr with Xinerama), in catalogue order: the primary,
# then by left edge. (index, name, left, width, height)
DISPLAYS = [(0, "主显示器 (1920×1080)", 0, 1920, 1080), (1, "显示器 2 (2560×1440)", 1920, 2560, 1440),
            (2, "显示器 3 (1280×1024)", 4480, 1280, 1024)]


def test_three_displays_are_listed_selected_captured_and_clicked():
    with desktop(("1920x1080", "2560x1440", "1280x1024")) as session:
        for index, used in [(None, 0), (1, 1), (2, 2), (0, 0)]:
            if index is not None:
                assert_reply(session.host.switch(index), True)
            assert_reply(session.host.displays(), [
                {"index": i, "name": name, "width": w, "height": h, "isMain": i == 0,
                 "selected": i == used} for i, name, _, w, h in DISPLAYS])
            _, _, left, width, height = DISPLAYS[used]
            assert_reply(session.host.set_capture(True), None)
            frame_of(session.host.capture(0), (width, height))  # unscaled: the display's size
            X(session).run("xdotool", "mousemove", "123", "77")
            assert_reply(session.host.click(0.5, 0.5), True)
            wait_until(lambda: pointer(session) == (left + width // 2, height // 2), "centred")
