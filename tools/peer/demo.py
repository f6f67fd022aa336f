"""The newcomer's tour (scripts/run): tesso.exe under Wine on a virtual display, driven by the
peer console as its user interface would, with a log and screenshots in a run folder. The
desktop host's viewer session is in demo_desktop.py.

    python3 -m peer.demo BIN_DIR RUN_DIR
"""

import json
import os
import subprocess
import sys
import threading
import time

from .bare_display import start_session
from .console import Console
from .demo_desktop import DesktopTour

WINDOW = "com.vel.halvo/window"
WAKE = "com.vel.halvo/windows_wake"
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
SCREEN = "1600x900x24"
TIMEOUT = 60.0


class Log:
    """Lines to the terminal and to the log file, each with the seconds since the start."""

    def __init__(self, path):
        self._file = open(path, "w", encoding="utf-8")
        self._started = time.monotonic()
        self._lock = threading.Lock()  # guards both streams

    def write(self, text):
        stamp = "%7.3f  " % (time.monotonic() - self._started)
        lines = "".join(stamp + line + "\n" for line in text.rstrip("\n").split("\n"))
        with self._lock:
            sys.stdout.write(lines)
            sys.stdout.flush()
            self._file.write(lines)
            self._file.flush()

    def flush(self):
        pass

    def close(self):
        self._file.close()


class Tour:
    def __init__(self, exe, run_dir, probe_dir=None):
        self.exe = exe
        self.probe_dir = probe_dir or os.path.dirname(exe)
        self.run_dir = run_dir
        self.log = Log(os.path.join(run_dir, "log.txt"))
        self.console = Console(out=self.log, timeout=TIMEOUT)
        self.session = None
        self.screenshots = []  # (path, what it shows)
        self.failures = []

    def say(self, text):
        self.log.write("== " + text)

    def run(self, command):
        self.log.write("> " + command)
        self.console.execute(command)

    # -- the X display ------------------------------------------------------------------------

    def _x(self, *argv):
        env = dict(os.environ, DISPLAY=self.session.wine.display)
        result = subprocess.run(list(argv), env=env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        return result.stdout if result.returncode == 0 else ""

    def x_window(self, name):
        """(map state, x, y, width, height) of the first top-level X window with that name."""
        for line in self._x("xwininfo", "-root", "-children").splitlines():
            if ('"%s":' % name) not in line:
                continue
            info = dict(part.strip().split(": ", 1) for part in
                        self._x("xwininfo", "-id", line.split()[0]).splitlines()
                        if ": " in part and not part.startswith("xwininfo"))
            if "Map State" in info:
                return (info["Map State"], int(info["Absolute upper-left X"]),
                        int(info["Absolute upper-left Y"]), int(info["Width"]),
                        int(info["Height"]))
        return None

    def wait_x(self, name, viewable):
        deadline = time.monotonic() + TIMEOUT
        while True:
            window = self.x_window(name)
            if (window is not None and window[0] == "IsViewable") == viewable:
                return window
            if time.monotonic() > deadline:
                raise TimeoutError("the X window %r did not become %s" % (
                    name, "viewable" if viewable else "hidden"))
            time.sleep(0.05)

    def report_x(self, name, viewable, label):
        window = self.wait_x(name, viewable)
        if window is None:
            self.say("X: no %s window" % label)
        else:
            self.say("X: %s window %s, %dx%d at (%d, %d)" % (
                label, "shown" if window[0] == "IsViewable" else "not shown", window[3],
                window[4], window[1], window[2]))

    def screenshot(self, name, what):
        path = os.path.join(self.run_dir, name)
        env = dict(os.environ, DISPLAY=self.session.wine.display)
        result = subprocess.run(["import", "-window", "root", path], env=env,
                                capture_output=True, text=True, timeout=TIMEOUT)
        if result.returncode == 0:
            self.screenshots.append((path, what))
            self.say("screenshot (%s): %s" % (what, path))
        else:
            self.say("screenshot failed: %s" % result.stderr.strip())

    # -- the tour -----------------------------------------------------------------------------

    def start(self):
        self.say("starting %s under Wine, stand-in engine, peer link on its standard streams"
                 % self.exe)
        self.session = start_session(self.exe, [], screens=(SCREEN,),
                                     stderr_path=os.path.join(self.run_dir, "stderr.txt"),
                                     listener=self.console.on_session)
        self.console.session = self.session
        self.say("virtual display %s, Wine prefix %s" % (self.session.wine.display,
                                                         self.session.wine.prefix))

    def tour(self):
        self.say("start-up: the engine, the five plug-ins, the window service's channel")
        self.run("wait first_frame")
        self.report_x("Tesso", True, "'Tesso'")
        self.report_x("Wine System Tray", True, "tray (Wine's, holding the icon)")
        self.screenshot("screen.png", "the window after its first frame")

        self.say("the window service, as the user interface calls it")
        self.run("call %s isHidden" % WINDOW)
        self.run('call %s showNotice {"title": "Tesso", "body": "hello from the peer console"}'
                 % WINDOW)
        self.run("call %s setViewerActive true" % WINDOW)
        self.say("tray menu item 3 (disconnect the viewers): the host calls the user interface")
        self.run("post 0x111 3 0")
        self.run("waitmsg %s disconnectViewers" % WINDOW)
        self.run("call %s setViewerActive false" % WINDOW)
        self.say("a wrong argument type is refused and changes nothing")
        self.run("call %s setCloseToTray i32:1" % WINDOW)

        self.say("the wake-readiness service: the network adapters Wine sees")
        self.run("call %s listAdapters" % WAKE)

        try:
            DesktopTour(self, self.probe_dir).run()
        except Exception as e:  # the tour goes on to the exit
            self.failures.append("viewer session: %s: %s" % (type(e).__name__, e))
            self.say("the viewer session failed: %s: %s" % (type(e).__name__, e))

        self.say("closing the window hides it to the tray (close-to-tray is on)")
        self.run("post 0x10 0 0")
        self.report_x("Tesso", False, "'Tesso'")
        self.run("call %s isHidden" % WINDOW)
        self.report_x("Wine System Tray", True, "tray (Wine's, holding the icon)")
        self.screenshot("screen-hidden.png", "hidden to the tray")

        self.say("tray menu item 2 (exit): the icon goes, then the window closes")
        self.run("post 0x111 2 0")
        self.run("waitexit")
        code = self.session.process.returncode
        self.teardown_summary()
        return code

    def teardown_summary(self):
        events = self.session.events
        names = [e.name for e in events]
        destroyed = names.index("engine_destroyed") if "engine_destroyed" in names else None
        cleared = [e for e in events if e.name == "set_callback" and not e.data.get("set")]
        for e in cleared:
            place = ("before" if destroyed is not None and e.index < destroyed
                     else "after")
            self.say("teardown: %s cleared %s the engine was destroyed"
                     % (e.data.get("channel"), place))
        if destroyed is None:
            self.say("teardown: the engine was never destroyed")

    def close(self):
        if self.session is not None:
            self.session.close()
        self.log.close()


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if len(argv) not in (2, 3):
        print("usage: python3 -m peer.demo BIN_DIR RUN_DIR [PROBE_DIR]", file=sys.stderr)
        return 2
    bin_dir, run_dir = argv[:2]
    exe = os.path.join(bin_dir, "tesso.exe")
    os.makedirs(run_dir, exist_ok=True)
    # The input probe is a test program: a bundle does not hold it.
    tour = Tour(exe, run_dir, argv[2] if len(argv) > 2 else None)
    code = None
    try:
        tour.start()
        code = tour.tour()
    except Exception as e:  # the log and the summary are still written
        tour.say("failed: %s: %s" % (type(e).__name__, e))
    finally:
        tour.close()
    summary = {"exit_code": code, "failures": tour.failures, "log": os.path.join(run_dir, "log.txt"),
               "stderr": os.path.join(run_dir, "stderr.txt"),
               "screenshots": [path for path, _ in tour.screenshots]}
    with open(os.path.join(run_dir, "summary.json"), "w", encoding="utf-8") as f:
        json.dump(summary, f, indent=2)
    print()
    print("tesso.exe exited with code %s" % code)
    print("output in %s:" % run_dir)
    print("  %-18s what happened, with seconds since the start" % "log.txt")
    print("  %-18s the host's standard error" % "stderr.txt")
    if os.path.isdir(os.path.join(run_dir, "frames")):
        print("  %-18s the captured frames" % "frames/")
    for path, what in tour.screenshots:
        print("  %-18s the virtual display: %s" % (os.path.basename(path), what))
    for failure in tour.failures:
        print("failed: %s" % failure)
    return 0 if code == 0 and not tour.failures else 1


if __name__ == "__main__":
    sys.exit(main())
