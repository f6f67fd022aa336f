#!/usr/bin/python3
"""The desktop host under Wine, measured in one run against the platform's floor.

    TESSO_BIN_DIR=build/win/bin bench/desktop_host_bench.py [--rounds 3] [--frames 10]
        [--cpu-seconds 60] [--before BIN_DIR] [--no-4k] [--no-click] [--json FILE]

One Wine session on a 1920 x 1080 screen runs tesso.exe, the input probe covering the screen
and, in turns with the host, tesso_platform_loop.exe (bench/win), the bare loop of the same
platform calls; a second session does the same on a 3840 x 2160 screen with maxDimension 1920.
With --before, tesso.exe from BIN_DIR (an earlier build) is measured the same way right after,
against the same yardsticks (only one tesso.exe can run per session). Figures, each from
medians taken in this run:
- "captureScreen" round trip through the peer link for a screen that changes before every
  frame (the probe's moving stripes), over the floor: a BitBlt into a kept DIB section on a
  thread without windows plus one JPEG (libjpeg-turbo when built in); frames/s beside it;
- the same for an unchanged screen (the cached JPEG), over the kept BitBlt alone;
- CPU seconds of the host process per frame while frames are asked for, and its peak resident
  memory (VmHWM) with capture on;
- ffmpeg's x11grab to MJPEG on the same display, in frames/s, when ffmpeg is installed;
- a click's round trip less its 45 ms of pauses; less also the round trip of "wakeDisplay",
  the cheapest job on the worker (one SendInput call), which leaves what the click job costs
  beyond the hand-over to the worker and back; beside it the bare click (three SendInput calls
  and the two sleeps) less the same pauses;
- CPU of the process running tesso.exe over a quiet minute with capture on and no requests,
  as a share of one core (from /proc/<pid>/stat).
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))

from host_process import cpu_ticks, find_pid, peak_mib  # noqa: E402
from peer.bare_display import start_session  # noqa: E402
from peer.desktop import CHANNEL, DesktopHost, Frame  # noqa: E402
from peer.probe import PROBE_EXE, Probe  # noqa: E402

TIMEOUT = 120
CLICK_PAUSES_MS = 45.0
GOALS = {"click_ms": 5.0, "cpu_percent": 0.5}


def median(values):
    return statistics.median(values) if values else float("nan")


class Bench:
    def __init__(self, bin_dir, loop_dir, args, width=1920, height=1080, max_dimension=1920):
        self.bin_dir = bin_dir
        self.loop_dir = loop_dir
        self.args = args
        self.max_dimension = max_dimension
        self.session = start_session(os.path.join(bin_dir, "tesso.exe"), [],
                                     screens=("%dx%dx24" % (width, height),),
                                     runs_dir=os.path.join(os.path.dirname(bin_dir),
                                                           "peer-runs"))
        self.probe = None
        try:
            self.session.wait_event("first_frame", timeout=TIMEOUT)
            if not any(e.name == "set_callback" and e.data == {"channel": CHANNEL, "set": True}
                       for e in self.session.events):
                raise SystemExit("tesso.exe does not serve %s" % CHANNEL)
            self.host = DesktopHost(self.session, TIMEOUT)
            # Not the whole screen, which Wine would take for a full-screen window that holds
            # the X pointer.
            self.probe = Probe.start(self.session.wine, os.path.join(loop_dir, PROBE_EXE),
                                     rect=(0, 0, width, height - 40))
            self.probe.command("blur")
        except BaseException:
            self.close()
            raise

    def close(self):
        if self.probe is not None:
            self.probe.close()
        self.session.close()

    def bare_loop(self, mode, iterations):
        process = self.session.wine.popen(os.path.join(self.loop_dir, "tesso_platform_loop.exe"),
                                          [mode, str(iterations)], stdout=subprocess.PIPE,
                                          stderr=subprocess.DEVNULL)
        out, _ = process.communicate(timeout=TIMEOUT * 4)
        if process.returncode != 0:
            raise RuntimeError("tesso_platform_loop.exe %s ended with %d" % (mode,
                                                                           process.returncode))
        return json.loads(out.decode().strip().splitlines()[-1])["ms"]

    def captures(self, count):
        """Round trips in ms and the frames' sequence numbers."""
        times, sequences = [], []
        for _ in range(count):
            started = time.perf_counter()
            reply = self.host.capture(self.max_dimension, 0.8)
            times.append((time.perf_counter() - started) * 1000)
            frame = Frame.from_reply(reply)
            if frame is None:
                raise RuntimeError("captureScreen gave no frame: %r" % (reply,))
            sequences.append(frame.sequence)
        return times, sequences

    def capture_ratio(self, changing):
        self.probe.command("animate on" if changing else "animate off")
        self.host.set_capture(True)
        self.captures(2)  # warm: the imaging factory, the first picture
        pid = self.tesso_pid()
        bare, ours, sequences, ticks = [], [], [], 0
        for _ in range(self.args.rounds):
            bare += self.bare_loop("floor" if changing else "kept", self.args.frames)
            before = cpu_ticks(pid)
            times, seqs = self.captures(self.args.frames)
            ticks += cpu_ticks(pid) - before
            ours += times
            sequences += seqs
        self.probe.command("animate off")
        distinct = len(set(sequences))
        return {"host_ms": median(ours), "bare_ms": median(bare),
                "ratio": median(ours) / median(bare), "frames": len(ours),
                "frames_per_s": 1000.0 / median(ours),
                "cpu_s_per_frame": ticks / os.sysconf("SC_CLK_TCK") / len(ours),
                "peak_rss_mb": peak_mib(pid), "distinct_sequences": distinct}

    def ffmpeg_rate(self, seconds=5):
        """ffmpeg's x11grab to MJPEG on this display, in frames/s; None without ffmpeg."""
        if shutil.which("ffmpeg") is None:
            return None
        env = dict(os.environ, DISPLAY=self.session.wine.display)
        started = time.monotonic()
        out = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-f", "x11grab",
                              "-framerate", "120", "-i", self.session.wine.display, "-t",
                              str(seconds), "-c:v", "mjpeg", "-f", "null", "-"], env=env,
                             capture_output=True, text=True, timeout=TIMEOUT).stderr
        frames = re.findall(r"frame=\s*(\d+)", out)
        return int(frames[-1]) / (time.monotonic() - started) if frames else None

    def click_cost(self):
        x, y = self.probe.centre(self.probe.pad)
        fx, fy = (x + 0.5) / 1920, (y + 0.5) / 1080
        clicks, calls, wakes, bare = [], [], [], []
        for _ in range(self.args.rounds):
            bare += self.bare_loop("click", self.args.clicks)
            for _ in range(self.args.clicks):
                started = time.perf_counter()
                self.host.diagnostics()
                calls.append((time.perf_counter() - started) * 1000)
                started = time.perf_counter()
                self.host.wake()
                wakes.append((time.perf_counter() - started) * 1000)
                started = time.perf_counter()
                reply = self.host.click(fx, fy)
                clicks.append((time.perf_counter() - started) * 1000)
                if reply.value is not True:
                    raise RuntimeError("click answered %r" % (reply,))
        job = [c - w for c, w in zip(clicks, wakes)]
        return {"click_round_trip_ms": median(clicks), "empty_call_round_trip_ms": median(calls),
                "wake_round_trip_ms": median(wakes),
                "over_pauses_ms": median(clicks) - CLICK_PAUSES_MS,
                "job_over_pauses_ms": median(job) - CLICK_PAUSES_MS,
                "bare_over_pauses_ms": median(bare) - CLICK_PAUSES_MS,
                "ratio": median(job) / median(bare), "clicks": len(clicks)}

    def tesso_pid(self):
        """The process running tesso.exe: in the session that `wine tesso.exe` started."""
        return find_pid(self.session.process.pid, b"tesso.exe")

    def idle_cpu(self):
        self.probe.close()  # nothing else on the screen moves
        self.probe = None
        self.host.set_capture(True)
        pid = self.tesso_pid()
        ticks = os.sysconf("SC_CLK_TCK")
        before, started = cpu_ticks(pid), time.monotonic()
        time.sleep(self.args.cpu_seconds)
        used = (cpu_ticks(pid) - before) / ticks
        elapsed = time.monotonic() - started
        return {"pid": pid, "seconds": round(elapsed, 1), "cpu_seconds": used,
                "percent_of_one_core": 100.0 * used / elapsed}


def measure(bin_dir, loop_dir, args, width, height, max_dimension, click):
    bench = Bench(bin_dir, loop_dir, args, width, height, max_dimension)
    try:
        figures = {"changed": bench.capture_ratio(True),
                   "unchanged": bench.capture_ratio(False)}
        if click:
            figures["click"] = bench.click_cost()
        figures["ffmpeg_frames_per_s"] = bench.ffmpeg_rate()
        if args.cpu_seconds > 0:
            figures["idle"] = bench.idle_cpu()
    finally:
        bench.close()
    return figures


def report(name, figures):
    c, u = figures["changed"], figures["unchanged"]
    print("== %s" % name)
    print("captureScreen, changed screen:   %.1f ms (%.1f frames/s) / floor (kept BitBlt + JPEG) "
          "%.1f ms = %.3f (%d distinct of %d frames); %.4f cpu s per frame; peak %.0f MB" % (
              c["host_ms"], c["frames_per_s"], c["bare_ms"], c["ratio"],
              c["distinct_sequences"], c["frames"], c["cpu_s_per_frame"], c["peak_rss_mb"]))
    print("captureScreen, unchanged screen: %.1f ms / kept BitBlt %.1f ms = %.3f "
          "(%d distinct of %d frames); %.4f cpu s per frame" % (
              u["host_ms"], u["bare_ms"], u["ratio"], u["distinct_sequences"], u["frames"],
              u["cpu_s_per_frame"]))
    if figures.get("ffmpeg_frames_per_s"):
        print("ffmpeg x11grab to MJPEG on the same display: %.1f frames/s"
              % figures["ffmpeg_frames_per_s"])
    if "click" in figures:
        k = figures["click"]
        print("click: round trip %.1f ms (empty call %.1f ms, wakeDisplay %.1f ms); less the 45 "
              "ms of pauses: %.1f ms; less the wakeDisplay round trip too: %.1f ms (goal <= %.0f "
              "ms median); the bare click less its pauses: %.1f ms; click job / bare click = "
              "%.3f" % (k["click_round_trip_ms"], k["empty_call_round_trip_ms"],
                        k["wake_round_trip_ms"], k["over_pauses_ms"], k["job_over_pauses_ms"],
                        GOALS["click_ms"], k["bare_over_pauses_ms"], k["ratio"]))
    if "idle" in figures:
        i = figures["idle"]
        print("idle with capture on: %.2f cpu s in %.1f s = %.3f %% of one core (goal < %.1f %%)"
              % (i["cpu_seconds"], i["seconds"], i["percent_of_one_core"], GOALS["cpu_percent"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--frames", type=int, default=10)
    parser.add_argument("--clicks", type=int, default=20)
    parser.add_argument("--cpu-seconds", type=float, default=60.0)
    parser.add_argument("--before", help="also measure tesso.exe from this earlier build")
    parser.add_argument("--no-4k", action="store_true", help="skip the 3840 x 2160 session")
    parser.add_argument("--no-click", action="store_true", help="skip the click's cost")
    parser.add_argument("--json", help="also write the figures to FILE")
    args = parser.parse_args()
    bin_dir = os.path.abspath(os.environ.get("TESSO_BIN_DIR")
                              or os.path.join(REPO, "build", "win", "bin"))
    builds = [("after", bin_dir)]
    if args.before:
        builds.insert(0, ("before", os.path.abspath(args.before)))
    screens = [(1920, 1080, 1920)] + ([] if args.no_4k else [(3840, 2160, 1920)])
    figures = {}
    for width, height, max_dimension in screens:
        for name, build in builds:
            key = "%s %dx%d maxDimension %d" % (name, width, height, max_dimension)
            figures[key] = measure(build, bin_dir, args, width, height, max_dimension,
                                   click=not args.no_click and width == 1920)
            report(key, figures[key])
    if args.before:
        for width, height, max_dimension in screens:
            keys = ["%s %dx%d maxDimension %d" % (n, width, height, max_dimension)
                    for n in ("before", "after")]
            b, a = (figures[k]["changed"] for k in keys)
            print("%dx%d changed frames: %.1f -> %.1f frames/s (%.2fx), cpu s per frame "
                  "%.4f -> %.4f (%.2fx less)" % (
                      width, height, b["frames_per_s"], a["frames_per_s"],
                      a["frames_per_s"] / b["frames_per_s"], b["cpu_s_per_frame"],
                      a["cpu_s_per_frame"], b["cpu_s_per_frame"] / max(a["cpu_s_per_frame"],
                                                                      1e-9)))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
