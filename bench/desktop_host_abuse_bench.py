#!/usr/bin/python3
"""The desktop host under Wine driven as a careless or hostile user interface would drive it:
what floods and oversized calls cost the process and the calls behind them.

    TESSO_BIN_DIR=build/win/bin bench/desktop_host_abuse_bench.py [--exe tesso.exe]
        [--off-calls 300000] [--rounds 5] [--json FILE]

One Wine session on a 1920 x 1080 screen runs the host and the input probe (the target of the
drags). Figures, peak memory being the host process's VmHWM:
- "off": capture-off calls sent behind 8 queued 64-point drag paths: how long after the last
  path is answered "wakeDisplay" still answers false, and the rise of peak memory;
- "texts": 8 texts of 8 MiB sent behind a busy worker: their answers and the rise of peak memory;
- "behind_text": the wait of a "listDisplays" sent right behind a 32 MiB "typeText", less its
  wait behind the same bytes under an unknown method name (the link's and decoder's share);
- "behind_input": the wait of a "captureScreen" asked for behind N queued drag paths (what a
  viewer sees while input is queued).
"""

import argparse
import json
import os
import statistics
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))

from host_process import find_pid, peak_mib  # noqa: E402
from peer import codec, link  # noqa: E402
from peer.bare_display import start_session  # noqa: E402
from peer.desktop import CHANNEL, DesktopHost  # noqa: E402
from peer.probe import PROBE_EXE, Probe  # noqa: E402
from peer.values import Int64  # noqa: E402

TIMEOUT = 600
PATH = [[0.2 + 0.6 * i / 63, 0.3 + 0.2 * (i % 2)] for i in range(64)]  # inside the probe's pad
MIB = 1 << 20


class Bench:
    def __init__(self, bin_dir, exe):
        self.session = start_session(os.path.join(bin_dir, exe), [], screens=("1920x1080x24",),
                                     runs_dir=os.path.join(os.path.dirname(bin_dir), "peer-runs"))
        self.probe = None
        try:
            self.session.wait_event("first_frame", timeout=TIMEOUT)
            self.host = DesktopHost(self.session, TIMEOUT)
            self.probe = Probe.start(self.session.wine, os.path.join(bin_dir, PROBE_EXE),
                                     rect=(0, 0, 1920, 1040))
            self.probe.command("blur")
            self.pid = find_pid(self.session.process.pid, os.path.basename(exe).encode())
        except BaseException:
            self.close()
            raise

    def close(self):
        if self.probe is not None:
            self.probe.close()
        self.session.close()

    def send_raw(self, body, count, window=5000):
        """`count` calls of the same bytes, at most `window` of them unanswered at a time, so
        that the stand-in engine's own queue of received frames stays small."""
        first = 1 << 30
        for start in range(0, count, window):
            chunk = range(start, min(count, start + window))
            self.session._write_stdin(b"".join(
                link.encode_frame(link.Frame(link.CALL, first + i, CHANNEL, body))
                for i in chunk))
            while len(self.session.unmatched_responses()) < start:
                time.sleep(0.01)

    def paths(self, count):
        return [self.host.call_async("performMouse", {"kind": "dragPath", "points": PATH})
                for _ in range(count)]

    def off_flood(self, off_calls):
        self.host.set_capture(True)
        self.host.capture(640)
        before = peak_mib(self.pid)
        paths = self.paths(8)
        self.send_raw(codec.encode_method_call("setCaptureEnabled", {
            "generation": Int64(self.host.generation), "enabled": False}), off_calls)
        answers = [p.wait(TIMEOUT).value for p in paths]
        done = time.monotonic()
        refused = 0
        while self.host.wake().value is not True:
            refused += 1
        return {"paths": answers, "wake_false_after_paths_s": round(time.monotonic() - done, 3),
                "wakes_refused": refused, "peak_rise_mib": round(peak_mib(self.pid) - before, 1)}

    def texts(self):
        before = peak_mib(self.pid)
        busy = self.paths(1)
        texts = [self.host.call_async("typeText", {"text": "x" * (8 * MIB)}) for _ in range(8)]
        answers = [t.wait(TIMEOUT).value for t in texts + busy]
        return {"answers": answers, "peak_rise_mib": round(peak_mib(self.pid) - before, 1)}

    def behind_text(self, rounds):
        text = {"text": "x" * (32 * MIB)}
        bodies = {name: codec.encode_method_call(name, text) for name in ("typeText", "typeTextX")}
        waits = {name: [] for name in bodies}
        for _ in range(rounds):
            for name, body in bodies.items():
                self.host.displays()  # the worker and the UI thread idle
                started = time.monotonic()
                first = self.session.call_raw_async(CHANNEL, body)
                self.host.displays()
                waits[name].append(time.monotonic() - started)
                first.wait_raw(TIMEOUT)
        median = {name: statistics.median(w) for name, w in waits.items()}
        return {"typeText_s": round(median["typeText"], 3),
                "unknown_s": round(median["typeTextX"], 3),
                "extra_s": round(median["typeText"] - median["typeTextX"], 3)}

    def behind_input(self, counts):
        self.host.set_capture(True)
        waits = {}
        for count in counts:
            self.host.capture(640)
            paths = self.paths(count)
            started = time.monotonic()
            reply = self.host.capture(640)
            waits[str(count)] = {"capture_s": round(time.monotonic() - started, 2),
                                 "frame": reply.value is not None}
            for p in paths:
                p.wait(TIMEOUT)
        return waits


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", default="tesso.exe")
    parser.add_argument("--off-calls", type=int, default=300000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--paths", default="1,4,8", help="queued paths before a capture")
    parser.add_argument("--json", help="also write the figures to FILE")
    args = parser.parse_args()
    bin_dir = os.path.abspath(os.environ.get("TESSO_BIN_DIR")
                              or os.path.join(REPO, "build", "win", "bin"))
    # Each in a session of its own, so that each starts from the peak memory of a start.
    runs = {"texts": lambda b: b.texts(), "behind_text": lambda b: b.behind_text(args.rounds),
            "off": lambda b: b.off_flood(args.off_calls),
            "behind_input": lambda b: b.behind_input([int(n) for n in args.paths.split(",")])}
    figures = {}
    for name, run in runs.items():
        bench = Bench(bin_dir, args.exe)
        try:
            figures[name] = run(bench)
        finally:
            bench.close()
    print(json.dumps(figures))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
