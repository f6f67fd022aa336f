"""tesso_input_probe.exe (tests/probe) in a running Wine session: what input it received.

The probe prints one JSON object a line; this reads them on a thread of its own and lets a
caller send commands and wait for reports:

    probe = Probe.start(session.wine, os.path.join(bin_dir, "tesso_input_probe.exe"),
                        rect=(960, 0, 960, 1080))
    probe.command("focus")
    ... inject input ...
    assert probe.text() == "typed"
"""

import json
import os
import subprocess
import threading

PROBE_EXE = "tesso_input_probe.exe"
TIMEOUT = 30.0


class Probe:
    def __init__(self, process):
        self.process = process
        self._cv = threading.Condition()  # guards _reports and _ended
        self._reports = []
        self._ended = False
        self._reader = threading.Thread(target=self._read, name="probe-reader", daemon=True)
        self._reader.start()
        self.ready = self.wait("ready")
        # Screen rectangles (x, y, width, height) of the window, the pad and the edit control.
        self.window = tuple(self.ready["window"])
        self.pad = tuple(self.ready["pad"])
        self.edit = tuple(self.ready["edit"])

    @classmethod
    def start(cls, wine, exe, rect=(100, 100, 640, 480), fill="2060c0", timeout=TIMEOUT):
        """Starts the probe in a started WineEnvironment (the host's own, for one session)."""
        process = wine.popen(os.path.abspath(exe),
                             ["--rect", ",".join(str(int(v)) for v in rect), "--fill", fill],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, bufsize=0)
        try:
            return cls(process)
        except BaseException:
            process.kill()
            process.wait(10)
            raise

    # -- reports ------------------------------------------------------------------------------

    def _read(self):
        for raw in iter(self.process.stdout.readline, b""):
            try:
                report = json.loads(raw.decode("utf-8"))
            except ValueError:
                report = {"event": "unreadable", "line": raw.decode("utf-8", "replace")}
            with self._cv:
                self._reports.append(report)
                self._cv.notify_all()
        with self._cv:
            self._ended = True
            self._cv.notify_all()

    def reports(self, *events, since=0):
        """Reports from position since, only those of these events when any are named."""
        with self._cv:
            found = self._reports[since:]
        return [r for r in found if not events or r["event"] in events]

    def position(self):
        with self._cv:
            return len(self._reports)

    def wait(self, event, where=None, since=0, timeout=TIMEOUT):
        """The first report of that event (and satisfying where) from position since."""
        def find():
            for report in self._reports[since:]:
                if report["event"] == event and (where is None or where(report)):
                    return report
            return None

        with self._cv:
            if not self._cv.wait_for(lambda: find() is not None or self._ended, timeout):
                raise TimeoutError("the probe reported no %r within %s s" % (event, timeout))
            found = find()
        if found is None:
            raise ConnectionError("the probe ended without reporting %r" % event)
        return found

    def wait_count(self, event, count, since=0, timeout=TIMEOUT):
        """Waits until at least count reports of that event came from position since."""
        with self._cv:
            if not self._cv.wait_for(
                    lambda: len([r for r in self._reports[since:] if r["event"] == event])
                    >= count or self._ended, timeout):
                raise TimeoutError("the probe reported fewer than %d %r within %s s"
                                   % (count, event, timeout))
        return self.reports(event, since=since)

    # -- commands -----------------------------------------------------------------------------

    def command(self, line, timeout=TIMEOUT):
        """Sends a command line; returns the report that answers it."""
        since = self.position()
        self.process.stdin.write((line + "\n").encode("utf-8"))
        self.process.stdin.flush()
        return self.wait(line.split()[0], since=since, timeout=timeout)

    def text(self):
        """The edit control's text, from its UTF-16 units (exactly, lone surrogates too)."""
        units = self.command("text")["utf16"]
        return b"".join(u.to_bytes(2, "little") for u in units).decode("utf-16-le",
                                                                       "surrogatepass")

    def centre(self, rect):
        x, y, w, h = rect
        return x + w // 2, y + h // 2

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.close()  # the probe ends at the end of its input
            except OSError:
                pass
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self._reader.join(5)
        self.process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
