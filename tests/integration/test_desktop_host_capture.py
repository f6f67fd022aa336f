"""The capture protocol of "com.vel.halvo/desktop_host" on a real (virtual) screen: frames of
known content decoded with PIL at the asked sizes, the cache for an unchanged screen, a new
encoding after a change, the generations and the one capture in flight, diagnostics.

One tesso.exe for the module; every test starts a capture run of its own (a newer
generation), since generations only grow. The probe covers the screen with its pad in one
colour above and its edit control below; its caret is kept off so that nothing blinks.
"""

import io
import time

import pytest
from PIL import Image

from conftest import TIMEOUT
from desktop_session import FULL_SCREEN, PAD_COLOUR, WIDTH, assert_success, start_desktop
from peer.desktop import Frame
from peer.values import Int64

RED = (0xFF, 0x00, 0x00)


@pytest.fixture(scope="module")
def desk():
    d = start_desktop(probe_rect=FULL_SCREEN)
    d.probe.command("blur")
    yield d
    d.close()


def new_run(desk):
    assert_success(desk.host.set_capture(True), None)


def frame_of(reply):
    frame = Frame.from_reply(reply)
    assert frame is not None, reply
    return frame


def picture(frame):
    image = Image.open(io.BytesIO(frame.data))
    image.load()
    assert image.format == "JPEG"
    return image.convert("RGB")


def assert_colour(image, fx, fy, colour, tolerance=24):
    """The pixel at fractions (fx, fy) of the picture is that colour (JPEG's error allowed)."""
    pixel = image.getpixel((int(fx * image.width), int(fy * image.height)))
    assert all(abs(a - b) <= tolerance for a, b in zip(pixel, colour)), (pixel, colour)


# maxDimension (None: not sent) -> the size of the frame for a 1920 x 1080 screen.
SIZES = [
    (None, (1920, 1080)),
    (1920, (1920, 1080)),
    (4000, (1920, 1080)),
    (0, (1920, 1080)),
    (-5, (1920, 1080)),
    (1000, (1000, 563)),
    (640, (640, 360)),
    (7, (7, 4)),
    (1, (1, 1)),
]


@pytest.mark.parametrize("max_dimension, size", SIZES)
def test_frames_decode_at_the_asked_size_showing_the_screen(desk, max_dimension, size):
    new_run(desk)
    frame = frame_of(desk.host.capture(max_dimension))
    image = picture(frame)
    assert image.size == (frame.width, frame.height) == size
    if image.width >= 64:
        assert_colour(image, 0.5, 0.3, PAD_COLOUR)  # the pad
        assert_colour(image, 0.5, 0.9, (0xFF, 0xFF, 0xFF))  # the edit control


def test_an_unchanged_screen_gives_the_same_bytes_under_the_same_sequence(desk):
    new_run(desk)
    first = frame_of(desk.host.capture(800))
    again = frame_of(desk.host.capture(800))
    assert (again.sequence, again.data) == (first.sequence, first.data)
    requality = frame_of(desk.host.capture(800, quality=0.5))
    assert requality.sequence > first.sequence
    resized = frame_of(desk.host.capture(400))
    assert resized.sequence > requality.sequence and (resized.width, resized.height) == (400, 225)


def test_a_changed_screen_gives_a_new_sequence_and_the_new_content(desk):
    new_run(desk)
    before = frame_of(desk.host.capture(640))
    desk.probe.command("fill ff0000")
    try:
        deadline = time.monotonic() + TIMEOUT
        while True:  # the X server shows the repainted window a moment later
            after = frame_of(desk.host.capture(640))
            if after.sequence != before.sequence or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        assert after.sequence > before.sequence
        assert_colour(picture(after), 0.5, 0.3, RED)
    finally:
        desk.probe.command("fill %02x%02x%02x" % PAD_COLOUR)


def diagnostics(desk):
    reply = desk.host.diagnostics()
    assert reply.kind == "success", reply
    return reply.value


def test_diagnostics_count_requests_and_frames_and_name_the_gdi_backend(desk):
    new_run(desk)
    before = diagnostics(desk)
    frame_of(desk.host.capture(320))
    after = diagnostics(desk)
    assert after == {"enabled": True, "pending": False,
                     "requests": Int64(int(before["requests"]) + 1),
                     "encoded": Int64(int(before["encoded"]) + 1), "backend": "gdi"}


def test_requests_outside_the_current_run_are_answered_null(desk):
    new_run(desk)
    run = desk.host.generation
    assert_success(desk.host.capture(generation=run - 1), None)
    assert_success(desk.host.call("captureScreen", {"maxDimension": 64}), None)
    assert_success(desk.host.set_capture(False, run), None)
    assert_success(desk.host.capture(generation=run), None)
    assert_success(desk.host.set_capture(True, run - 1), None)  # older: ignored
    assert_success(desk.host.capture(generation=run), None)
    assert diagnostics(desk)["enabled"] is False
    assert_success(desk.host.set_capture(True, run), None)  # equal: accepted
    frame_of(desk.host.capture(generation=run, max_dimension=64))


def test_one_capture_in_flight_and_a_newer_run_discards_the_frame(desk):
    new_run(desk)
    arguments = desk.host.capture_arguments(desk.host.generation, 1920, 0.9)
    first = desk.host.call_async("captureScreen", arguments)
    second = desk.host.call_async("captureScreen", arguments)  # while the first is in flight
    assert_success(second.wait(TIMEOUT), None)
    assert frame_of(first.wait(TIMEOUT)).width == WIDTH

    stale = desk.host.call_async("captureScreen", desk.host.capture_arguments(
        desk.host.generation, 1920, 0.7))
    new_run(desk)  # a newer generation before the worker finishes
    assert_success(stale.wait(TIMEOUT), None)
    shown = diagnostics(desk)
    assert (shown["pending"], shown["backend"]) == (False, "gdi")
    latest = frame_of(desk.host.capture(1080))
    assert (latest.width, latest.height) == (1080, 608)
