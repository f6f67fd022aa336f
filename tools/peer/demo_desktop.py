"""The viewer part of the newcomer's tour (scripts/run): the desktop host as a remote viewer
uses it. Frames are requested one at a time for a few seconds and saved, with a contact sheet;
the displays are listed; a click and typed text land in the input probe's window, which
reports them; diagnostics and the frame rate are printed.
"""

import os
import time

from .desktop import CHANNEL, Frame
from .probe import PROBE_EXE, Probe

CAPTURE_SECONDS = 3.0
SHEET_COLUMNS = 4
SHEET_FRAMES = 12
THUMB_WIDTH = 320
TYPED = "Hello from the viewer, 你好, \U0001F600\n\tsecond line"


def contact_sheet(paths, out_path):
    """Up to SHEET_FRAMES of the saved frames, evenly picked, as one PNG; None without PIL."""
    try:
        from PIL import Image
    except ImportError:
        return None
    if not paths:
        return None
    step = max(1, len(paths) // SHEET_FRAMES)
    picked = paths[::step][:SHEET_FRAMES]
    thumbs = []
    for path in picked:
        with Image.open(path) as image:
            image = image.convert("RGB")
            height = max(1, image.height * THUMB_WIDTH // image.width)
            thumbs.append(image.resize((THUMB_WIDTH, height)))
    rows = (len(thumbs) + SHEET_COLUMNS - 1) // SHEET_COLUMNS
    cell_height = max(t.height for t in thumbs)
    sheet = Image.new("RGB", (SHEET_COLUMNS * (THUMB_WIDTH + 4) + 4,
                              rows * (cell_height + 4) + 4), (40, 40, 40))
    for i, thumb in enumerate(thumbs):
        sheet.paste(thumb, (4 + (i % SHEET_COLUMNS) * (THUMB_WIDTH + 4),
                            4 + (i // SHEET_COLUMNS) * (cell_height + 4)))
    sheet.save(out_path)
    return out_path


class DesktopTour:
    """Runs on a Tour (peer/demo.py): its session, console, log and screenshots."""

    def __init__(self, tour, bin_dir):
        self.tour = tour
        self.bin_dir = bin_dir
        self.probe = None

    def served(self):
        return any(e.name == "set_callback" and e.data == {"channel": CHANNEL, "set": True}
                   for e in self.tour.session.events)

    def run(self):
        tour = self.tour
        if not self.served():
            tour.say("the desktop host: tesso.exe does not serve %s; no viewer session" % CHANNEL)
            return
        tour.say("the desktop host: a viewer session")
        self.probe = Probe.start(tour.session.wine, os.path.join(self.bin_dir, PROBE_EXE),
                                 rect=(820, 120, 720, 540))
        try:
            self._displays_and_frames()
            self._input()
            tour.run("diag")
            tour.run("capture off")
        finally:
            self.probe.close()
            self.probe = None

    def _displays_and_frames(self):
        tour = self.tour
        tour.run("displays")
        tour.say("capture on; frames one at a time for %g s while the probe's stripes move"
                 % CAPTURE_SECONDS)
        self.probe.command("animate on")
        tour.run("capture on")
        host = tour.console.desktop
        frames_dir = os.path.join(tour.run_dir, "frames")
        saved, sequences = [], set()
        started = time.monotonic()
        while time.monotonic() - started < CAPTURE_SECONDS:
            frame = Frame.from_reply(host.capture(1280, 0.7))
            if frame is None:
                continue
            saved.append(frame.save(os.path.join(frames_dir, "frame-%03d.jpg" % len(saved))))
            sequences.add(frame.sequence)
        elapsed = time.monotonic() - started
        self.probe.command("animate off")
        tour.say("%d frames (%d distinct encodings) in %.2f s: %.2f frames/s, saved in %s"
                 % (len(saved), len(sequences), elapsed, len(saved) / elapsed, frames_dir))
        sheet = contact_sheet(saved, os.path.join(tour.run_dir, "frames.png"))
        if sheet is not None:
            tour.screenshots.append((sheet, "contact sheet of the captured frames"))
            tour.say("contact sheet: %s" % sheet)

    def _input(self):
        tour, probe = self.tour, self.probe
        displays = tour.console.desktop.displays()
        width, height = int(displays.value[0]["width"]), int(displays.value[0]["height"])
        x, y = probe.centre(probe.pad)
        since = probe.position()
        tour.run("click %.6f %.6f" % ((x + 0.5) / width, (y + 0.5) / height))
        probe.wait("lbuttonup", since=since)
        for report in probe.reports("lbuttondown", "lbuttonup", since=since):
            tour.say("probe: %s at (%d, %d)" % (report["event"], report["screenX"],
                                                 report["screenY"]))
        probe.command("focus")
        tour.run("type \"%s\"" % TYPED.replace("\\", "\\\\").replace("\n", "\\n")
                 .replace("\t", "\\t").replace('"', '\\"'))
        expected = TYPED.replace("\n", "\r\n")
        deadline = time.monotonic() + 10
        text = probe.text()
        while text != expected and time.monotonic() < deadline:
            time.sleep(0.1)
            text = probe.text()
        tour.say("probe's edit control holds %r (%s)" % (
            text, "as typed" if text == expected else "not what was typed"))
        tour.run("key control+a")
        tour.run("wake")
        tour.screenshot("screen-probe.png", "the probe window after the click and the text")
