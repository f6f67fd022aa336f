"""At 144 DPI (Wine's LogPixels in the test's own prefix) the window is created at (15, 15)
with 1920 x 1080: the logical origin and size scaled by 1.5."""

import pytest

from tesso_host import (HTNOWHERE, hit_test, index_of, requires_tesso, start_shown, x_of)

pytestmark = requires_tesso


@pytest.fixture(scope="module")
def tesso():
    session = start_shown(dpi=144)
    try:
        yield session
    finally:
        session.close()


def test_window_rectangle_edges(tesso):
    x_of(tesso).wait_shown()
    for px, py in [(15, 15), (1934, 15), (15, 1094), (1934, 1094)]:
        assert hit_test(tesso, px, py) != HTNOWHERE, (px, py)
    for px, py in [(14, 15), (15, 14), (1935, 1094), (1934, 1095)]:
        assert hit_test(tesso, px, py) == HTNOWHERE, (px, py)


def test_x_window_is_that_rectangle(tesso):
    window = x_of(tesso).wait_shown()
    assert (window.x, window.y, window.width, window.height) == (15, 15, 1920, 1080)


def test_view_created_at_the_client_size(tesso):
    view = tesso.events[index_of(tesso.events, "view_created")].data
    assert 1920 - 60 < view["width"] < 1920
    assert 1080 - 120 < view["height"] < 1080 - 15
