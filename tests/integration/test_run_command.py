"""scripts/run, the newcomer's main command, on the built tesso.exe: a clean exit, a readable
log, frames, and screenshots of the window, the probe, then only the tray."""

import os
import subprocess

from PIL import Image

from conftest import BIN_DIR, REPO, TIMEOUT


def test_run_tours_the_host_and_saves_its_screens(tmp_path):
    result = subprocess.run([os.path.join(REPO, "scripts", "run"), str(tmp_path)], text=True,
                            env=dict(os.environ, TESSO_BIN_DIR=BIN_DIR), capture_output=True,
                            timeout=5 * TIMEOUT)
    assert result.returncode == 0 and "output in %s" % tmp_path in result.stdout, result.stderr
    log = (tmp_path / "log.txt").read_text(encoding="utf-8")
    assert [line for line in [
        "event first_frame {}", "X: 'Tesso' window shown, 1280x720 at (10, 10)",
        "host message #0 on com.vel.halvo/window: disconnectViewers(null)",
        'setCloseToTray -> error "bad_args" "expected bool" null', "isHidden -> success true",
        "host exited with code 0", "com.vel.halvo/windows_wake listAdapters -> success {",
        "com.vel.halvo/window cleared before the engine was destroyed",
        "com.vel.halvo/windows_wake cleared before the engine was destroyed",
        "== the desktop host: a viewer session", "frames/s, saved in ", "(as typed)",
        "probe: lbuttondown at (1180, 300)", "probe: lbuttonup at (1180, 300)",
        "wakeDisplay -> success true", 'captureDiagnostics -> success {"backend": "gdi"']
        if line not in log] == []
    image = {name: Image.open(tmp_path / name).convert("RGB") for name in [
        "frames/" + sorted(os.listdir(tmp_path / "frames"))[-1], "frames.png", "screen.png",
        "screen-probe.png", "screen-hidden.png"]}
    # The last frame: 1600 x 900 at maxDimension 1280; the contact sheet: 4 across.
    assert [i.size[0] for i in image.values()][:3] == [1280, 4 * (320 + 4) + 4, 1600]
    assert [image[name].getpixel(at) for name, at in [
        ("screen-probe.png", (1180, 300)), ("screen.png", (640, 400)), ("screen.png", (1500, 850)),
        ("screen-hidden.png", (640, 400))]] == [  # the probe's pad, the view's grey in the
        (0x20, 0x60, 0xC0), (64, 64, 64), (0, 0, 0), (0, 0, 0)]  # client area, Xvfb's black
