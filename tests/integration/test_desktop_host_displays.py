""""listDisplays" and "switchDisplay" of "com.vel.halvo/desktop_host" on three monitors side by
side (a nested Xephyr with Xinerama: 1920 x 1080 primary at (0, 0), then 2560 x 1440 at
(1920, 0) and 1280 x 1024 at (4480, 0)), with the selected display's frames and pointer.
"""

import io

import pytest
from PIL import Image

from desktop_session import assert_success, pointer, start_desktop, xdotool
from peer.desktop import Frame

SCREENS = ("1920x1080", "2560x1440", "1280x1024")
# (index, name, left, width, height), in catalogue order: the primary, then by left edge.
DISPLAYS = [
    (0, "主显示器 (1920×1080)", 0, 1920, 1080),
    (1, "显示器 2 (2560×1440)", 1920, 2560, 1440),
    (2, "显示器 3 (1280×1024)", 4480, 1280, 1024),
]


@pytest.fixture(scope="module")
def desk():
    d = start_desktop(screens=SCREENS)
    d.probe.command("blur")
    yield d
    d.host.switch(0)
    d.close()


def expected_list(selected):
    return [{"index": index, "name": name, "width": width, "height": height,
             "isMain": index == 0, "selected": index == selected}
            for index, name, _, width, height in DISPLAYS]


def test_three_monitors_are_listed_in_catalogue_order_with_their_names(desk):
    reply = desk.host.displays()
    assert reply.kind == "success"
    assert reply.value == expected_list(0)


# switchDisplay index -> the display used (an index out of range means the first one)
SELECTIONS = [(1, 1), (2, 2), (0, 0), (7, 0), (-1, 0)]


@pytest.mark.parametrize("index, used", SELECTIONS)
def test_the_selected_display_is_listed_captured_and_clicked(desk, index, used):
    _, _, left, width, height = DISPLAYS[used]
    assert_success(desk.host.switch(index), True)
    assert desk.host.displays().value == expected_list(used)

    assert_success(desk.host.set_capture(True), None)
    frame = Frame.from_reply(desk.host.capture(0))  # no scaling: the display's own size
    assert frame is not None
    with Image.open(io.BytesIO(frame.data)) as image:
        assert image.size == (frame.width, frame.height) == (width, height)

    xdotool(desk, "mousemove", "123", "77")
    assert_success(desk.host.click(0.5, 0.5), True)
    assert pointer(desk) == (left + width // 2, height // 2)
