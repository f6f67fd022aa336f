"""scripts/run, the newcomer's main command, on the built tesso.exe: a clean exit, a readable
log, frames, and screenshots that show the window, the probe, then only the tray."""

import os
import subprocess

from PIL import Image

from conftest import BIN_DIR, REPO, TIMEOUT

LOG_LINES = [
    "event first_frame {}", "X: 'Tesso' window shown, 1280x720 at (10, 10)",
    "host message #0 on com.vel.halvo/window: disconnectViewers(null)",
    'setCloseToTray -> error "bad_args" "expected bool" null', "isHidden -> success true",
    "host exited with code 0", "com.vel.halvo/windows_wake listAdapters -> success {",
    "com.vel.halvo/window cleared before the engine was destroyed",
    "com.vel.halvo/windows_wake cleared before the engine was destroyed",
    "== the desktop host: a viewer session", "frames/s, saved in ",
    "probe: lbuttondown at (1180, 300)", "probe: lbuttonup at (1180, 300)", "(as typed)",
    "wakeDisplay -> success true", 'captureDiagnostics -> success {"backend": "gdi"']


def test_run_tours_the_host_and_saves_its_screens(tmp_path):
    run = tmp_path / "run"
    result = subprocess.run([os.path.join(REPO, "scripts", "run"), str(run)], capture_output=True,
                            env=dict(os.environ, TESSO_BIN_DIR=BIN_DIR), text=True,
                            timeout=5 * TIMEOUT)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "output in %s" % run in result.stdout
    log = (run / "log.txt").read_text(encoding="utf-8")
    assert [line for line in LOG_LINES if line not in log] == []
    frames = sorted(os.listdir(run / "frames"))
    assert frames[0] == "frame-000.jpg"
    pixels = {name: Image.open(run / name).convert("RGB") for name in [
        "frames/" + frames[-1], "frames.png", "screen-probe.png", "screen.png", "screen-hidden.png"]}
    assert pixels["frames/" + frames[-1]].size == (1280, 720)  # 1600 x 900 at maxDimension 1280
    assert pixels["frames.png"].width == 4 * (320 + 4) + 4  # the contact sheet: 4 across
    assert pixels["screen.png"].size == (1600, 900)
    assert [pixels[name].getpixel(at) for name, at in [
        ("screen-probe.png", (1180, 300)), ("screen.png", (640, 400)), ("screen.png", (1500, 850)),
        ("screen-hidden.png", (640, 400))]] == [
        (0x20, 0x60, 0xC0), (64, 64, 64), (0, 0, 0), (0, 0, 0)]  # the probe's pad, the view's
    # grey in the window's client area, Xvfb's black beside it and once the window is hidden
