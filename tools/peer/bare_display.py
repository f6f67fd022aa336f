"""A Wine session for an X display without a window manager, with a prefix of its own.

Xvfb runs no window manager. Wine hands a top-level window to the window manager by default
and then, each time the window is hidden or destroyed, waits 2 s for a window manager that
never answers; Explorer's tray window does the same when its last icon goes, and the program
that removed the icon waits with it. So here Wine manages no window itself ("Managed"="N" in
its X11 driver settings, in user.reg before the wineserver starts so that Explorer sees it
too). Wine then draws each window's frame itself, and the X window of a top-level window
covers exactly its window rectangle, frame included.
"""

import os
import shutil
import subprocess
import tempfile

from .session import HostSession
from .wine import BASE_ENV, WineEnvironment, clone_prefix, ensure_template

UNMANAGED = '\n[Software\\\\Wine\\\\X11 Driver] 0\n"Managed"="N"\n'


class BareDisplayWine(WineEnvironment):
    """WineEnvironment's arguments, except that the prefix is always a fresh clone."""

    def __init__(self, **kwargs):
        if kwargs.get("prefix") is not None:
            raise ValueError("BareDisplayWine makes its own prefix")
        super().__init__(**kwargs)
        self._clone_dir = None

    def start(self):
        template = ensure_template()
        os.makedirs(self.runs_dir, exist_ok=True)
        self._clone_dir = tempfile.mkdtemp(prefix="run.", dir=self.runs_dir)
        self.prefix = os.path.join(self._clone_dir, "prefix")
        try:
            clone_prefix(template, self.prefix)
            with open(os.path.join(self.prefix, "user.reg"), "a", encoding="utf-8") as f:
                f.write(UNMANAGED)
        except BaseException:
            self.close()
            raise
        return super().start()

    def close(self):
        if self._clone_dir is not None and os.path.isdir(self.prefix):
            env = dict(os.environ)
            env.update(BASE_ENV)
            env["WINEPREFIX"] = self.prefix
            try:
                subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30, check=False)
            except subprocess.TimeoutExpired:
                pass
        super().close()
        if self._clone_dir is not None:
            shutil.rmtree(self._clone_dir, ignore_errors=True)
            self._clone_dir = None


def start_session(exe, args=(), env=None, stderr_path=None, listener=None, **wine_options):
    """HostSession.start on a BareDisplayWine (wine_options: WineEnvironment's, no prefix)."""
    wine = BareDisplayWine(**wine_options).start()
    return HostSession.launch(wine, exe, args, env, stderr_path, listener)
