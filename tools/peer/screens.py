"""Several monitors side by side for a Wine session.

Plain `Xvfb +xinerama` puts every screen at (0, 0). An Xephyr with +xinerama and one -screen per
monitor, nested in an Xvfb large enough to hold its windows, lays them out left to right from
(0, 0), top edges at 0. Wine then reports one monitor per screen, the first one primary, when its
X11 driver reads Xinerama instead of XRandR ("UseXRandR"="N"), which must be in the prefix's
user.reg before its wineserver starts.

    WineEnvironment(screens=("1920x1080", "2560x1440", "1280x1024"))   # three monitors
    tools/tesso-peer run --screens 1920x1080,2560x1440,1280x1024 build/win/bin/tesso.exe
    scripts/wine-run --screens 1920x1080,2560x1440,1280x1024 PROGRAM.exe

The program sees the list in TESSO_SCREENS as well (scripts/wine-run sets it).
"""

import os
import re
import subprocess

from .wine import WineError, Xvfb

XINERAMA = '\n[Software\\\\Wine\\\\X11 Driver] 0\n"UseXRandR"="N"\n'
_SIZE = re.compile(r"^(\d+)x(\d+)(?:x\d+)?$")


def parse(text):
    """"1920x1080,2560x1440" -> ("1920x1080", "2560x1440"); ValueError for anything else."""
    screens = tuple(item.strip() for item in text.split(","))
    for screen in screens:
        if not _SIZE.match(screen):
            raise ValueError("not a screen size WxH: %r" % screen)
    return screens


def sizes(screens):
    """The (width, height) of each "WxH" or "WxHxD"."""
    return [tuple(int(n) for n in _SIZE.match(s).groups()) for s in screens]


def use_xinerama(prefix):
    """Makes Wine read the monitors from Xinerama; before the prefix's wineserver starts."""
    with open(os.path.join(prefix, "user.reg"), "a", encoding="utf-8") as f:
        f.write(XINERAMA)


class NestedXinerama(Xvfb):
    """An Xephyr whose screens are monitors side by side, in an Xvfb of its own."""

    def __init__(self, screens, timeout=10, wrapper=()):
        dims = sizes(screens)
        self.outer = Xvfb(("%dx%dx24" % (sum(w for w, _ in dims), max(h for _, h in dims)),),
                          timeout=timeout, wrapper=wrapper)
        read_fd, write_fd = os.pipe()
        args = list(wrapper) + ["Xephyr", "+xinerama", "-displayfd", str(write_fd),
                                "-nolisten", "tcp"]
        for width, height in dims:
            args += ["-screen", "%dx%d" % (width, height)]
        env = dict(os.environ, DISPLAY=self.outer.display)
        self.process = None
        try:
            self.process = subprocess.Popen(args, pass_fds=(write_fd,), env=env,
                                            stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL, start_new_session=True)
            os.close(write_fd)
            write_fd = None
            self.display = ":" + self._read_display(read_fd, timeout)
        except BaseException:
            self.stop()
            raise
        finally:
            if write_fd is not None:
                os.close(write_fd)
            os.close(read_fd)

    def stop(self):
        try:
            if self.process is not None:
                super().stop()
        finally:
            self.outer.stop()


__all__ = ["NestedXinerama", "WineError", "parse", "sizes", "use_xinerama"]
