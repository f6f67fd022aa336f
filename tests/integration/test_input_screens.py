"""The peer sessions' several-monitor fixture: Wine reports the screens given as monitors side
by side, as the display adapter's Windows test checks them (input_windows_test.exe)."""

import os
import subprocess

import pytest

from conftest import BIN_DIR, RUNS_DIR, TIMEOUT
from peer.bare_display import BareDisplayWine
from peer.wine import WineEnvironment

THREE = ("1920x1080", "2560x1440", "1280x1024")


@pytest.mark.parametrize("environment", [WineEnvironment, BareDisplayWine])
def test_three_screens_are_three_monitors_side_by_side(environment):
    exe = os.path.join(BIN_DIR, "input_windows_test.exe")
    with environment(screens=THREE, runs_dir=RUNS_DIR) as wine:
        process = wine.popen(exe, ["--gtest_filter=InputDisplayPortWin.*"],
                             env={"TESSO_SCREENS": ",".join(THREE)},
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output, _ = process.communicate(timeout=TIMEOUT)
    assert process.returncode == 0, output.decode(errors="replace")
