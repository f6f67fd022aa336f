"""scripts/run, the newcomer's main command, on the built tesso.exe: a clean exit, a readable
log, and screenshots that show the window and then only the tray."""

import os
import subprocess

from PIL import Image

from conftest import BIN_DIR, REPO, TIMEOUT
from tesso_host import requires_tesso

pytestmark = requires_tesso

VIEW_GREY = (64, 64, 64)  # the stand-in engine's view paints itself dark grey
BLACK = (0, 0, 0)  # Xvfb's root window


def test_run_tours_the_host_and_saves_its_screens(tmp_path):
    run_dir = tmp_path / "run"
    result = subprocess.run([os.path.join(REPO, "scripts", "run"), str(run_dir)],
                            env=dict(os.environ, TESSO_BIN_DIR=BIN_DIR), capture_output=True,
                            text=True, timeout=5 * TIMEOUT)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "output in %s" % run_dir in result.stdout

    log = (run_dir / "log.txt").read_text(encoding="utf-8")
    for line in ["event first_frame {}", "X: 'Tesso' window shown, 1280x720 at (10, 10)",
                 "host message #0 on com.vel.halvo/window: disconnectViewers(null)",
                 'setCloseToTray -> error "bad_args" "expected bool" null',
                 "isHidden -> success true", "host exited with code 0",
                 "com.vel.halvo/windows_wake listAdapters -> success {",
                 "com.vel.halvo/window cleared before the engine was destroyed",
                 "com.vel.halvo/windows_wake cleared before the engine was destroyed",
                 "== the desktop host: a viewer session", "frames/s, saved in ",
                 "probe: lbuttondown at (1180, 300)", "probe: lbuttonup at (1180, 300)",
                 "(as typed)", "wakeDisplay -> success true",
                 "captureDiagnostics -> success {\"backend\": \"gdi\""]:
        assert line in log, line
    frames = sorted(os.listdir(run_dir / "frames"))
    assert frames and frames[0] == "frame-000.jpg"
    with Image.open(run_dir / "frames" / frames[-1]) as last:
        assert last.size == (1280, 720)  # the 1600 x 900 screen at maxDimension 1280
    with Image.open(run_dir / "frames.png") as sheet:  # the contact sheet: 4 across
        assert sheet.width == 4 * (320 + 4) + 4
    with Image.open(run_dir / "screen-probe.png") as probe:
        assert probe.convert("RGB").getpixel((1180, 300)) == (0x20, 0x60, 0xC0)  # its pad

    with Image.open(run_dir / "screen.png") as shown:
        assert shown.size == (1600, 900)
        pixels = shown.convert("RGB")
        assert pixels.getpixel((640, 400)) == VIEW_GREY  # inside the window's client area
        assert pixels.getpixel((1500, 850)) == BLACK  # beside it
    with Image.open(run_dir / "screen-hidden.png") as hidden:
        assert hidden.convert("RGB").getpixel((640, 400)) == BLACK
