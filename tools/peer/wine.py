"""A Wine prefix and a virtual X display of our own, and their clean-up.

The prefix is a hard-linked clone of a template prefix made once per machine, in the same place
and under the same lock as scripts/wine-run: $TESSO_WINE_ROOT (default
~/.cache/tesso-wine)/template. Registry files are copied, not linked, because the wineserver
rewrites them. Only processes started here are stopped, each by its own id; the wineserver of
our prefix is stopped with `wineserver -k` for that prefix.

A wrapper command (for example `ip netns exec NAME`) runs the whole session under it: the X
server, every Wine command and with them the wineserver, which Wine starts on first use.
"""

import fcntl
import os
import re
import select
import shutil
import subprocess
import tempfile

BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    "WINEARCH": "win64",
}


class WineError(RuntimeError):
    pass


def wine_root():
    root = os.environ.get("TESSO_WINE_ROOT")
    if not root:
        cache = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"),
                                                                  ".cache")
        root = os.path.join(cache, "tesso-wine")
    return root


def _wine_env(prefix):
    env = dict(os.environ)
    env.update(BASE_ENV)
    env["WINEPREFIX"] = prefix
    return env


def ensure_template(timeout=300):
    """Creates the template prefix once (under a lock shared with scripts/wine-run)."""
    root = wine_root()
    template = os.path.join(root, "template")
    if os.path.isfile(os.path.join(template, "system.reg")):
        return template
    os.makedirs(root, exist_ok=True)
    with open(os.path.join(root, "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isfile(os.path.join(template, "system.reg")):
            tmp = tempfile.mkdtemp(prefix="template.", dir=root)
            env = _wine_env(tmp)
            subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=timeout, check=False)
            subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)
            shutil.rmtree(template, ignore_errors=True)
            os.rename(tmp, template)
    return template


# Chinese text: Wine's default UI fonts fall back to SimSun (among others) for CJK characters
# (their FontLink entries); SimSun is made the CJK font that scripts/bootstrap installs.
# scripts/wine-run appends the same lines.
CJK_FONT_SETTING = ('\n[Software\\\\Wine\\\\Fonts\\\\Replacements] 0\n'
                    '"SimSun"="WenQuanYi Micro Hei"\n')


def clone_prefix(template, prefix):
    """A hard-linked copy of the template whose registry files are real copies."""
    subprocess.run(["cp", "-al", template, prefix], check=True, timeout=120)
    for name in os.listdir(prefix):
        if name.endswith(".reg"):
            path = os.path.join(prefix, name)
            os.unlink(path)
            shutil.copy2(os.path.join(template, name), path)
    with open(os.path.join(prefix, "user.reg"), "a", encoding="utf-8") as f:
        f.write(CJK_FONT_SETTING)


class Xvfb:
    """An Xvfb server on a free display number, chosen by the server itself (-displayfd)."""

    def __init__(self, screens=("1280x1024x24",), extra_args=(), timeout=10, wrapper=()):
        read_fd, write_fd = os.pipe()
        args = list(wrapper) + ["Xvfb", "-displayfd", str(write_fd), "-nolisten", "tcp"]
        for i, screen in enumerate(screens):
            args += ["-screen", str(i), screen]
        args += list(extra_args)
        try:
            self.process = subprocess.Popen(args, pass_fds=(write_fd,),
                                            stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL, start_new_session=True)
        finally:
            os.close(write_fd)
        try:
            self.display = ":" + self._read_display(read_fd, timeout)
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_fd)

    def _read_display(self, fd, timeout):
        text = b""
        while not text.endswith(b"\n"):
            ready, _, _ = select.select([fd], [], [], timeout)
            if not ready:
                raise WineError("Xvfb did not report a display within %s s" % timeout)
            chunk = os.read(fd, 64)
            if not chunk:
                raise WineError("Xvfb exited before reporting a display")
            text += chunk
        return text.decode().strip()

    @property
    def pid(self):
        return self.process.pid

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)


class WineEnvironment:
    """A prefix and a display for one session.

    prefix / display: use these instead of creating our own (then they are not cleaned up).
    runs_dir: where cloned prefixes go (default $TESSO_WINE_RUNS, else <wine root>/runs; keep it
    on the template's file system so hard links work). screens: one Xvfb screen, or several
    monitors side by side (screens.py; a prefix given then must not be in use yet).
    registry: (key, value name, type, data)
    tuples applied with `wine reg add` before the program starts; dpi=144 adds Wine's LogPixels.
    wrapper: a command prefix for the X server and every Wine command (see the module's notes).
    """

    def __init__(self, prefix=None, display=None, runs_dir=None, screens=("1280x1024x24",),
                 xvfb_args=(), dpi=None, registry=(), timeout=60, wrapper=()):
        self.prefix = prefix
        self.display = display
        self.runs_dir = (runs_dir or os.environ.get("TESSO_WINE_RUNS")
                         or os.path.join(wine_root(), "runs"))
        self.screens = screens
        self.xvfb_args = xvfb_args
        self.registry = list(registry)
        if dpi is not None:
            self.registry.append((r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD",
                                  str(int(dpi))))
        self.timeout = timeout
        self.wrapper = list(wrapper)
        self.xvfb = None
        self._run_dir = None

    def start(self):
        try:
            if self.prefix is None:
                template = ensure_template()
                os.makedirs(self.runs_dir, exist_ok=True)
                self._run_dir = tempfile.mkdtemp(prefix="run.", dir=self.runs_dir)
                self.prefix = os.path.join(self._run_dir, "prefix")
                clone_prefix(template, self.prefix)
            if self.display is None and len(self.screens) > 1:
                # Several screens are monitors side by side (see screens.py).
                from .screens import NestedXinerama, use_xinerama
                use_xinerama(self.prefix)
                self.xvfb = NestedXinerama(self.screens, wrapper=self.wrapper)
                self.display = self.xvfb.display
            if self.display is None:
                self.xvfb = Xvfb(self.screens, self.xvfb_args, wrapper=self.wrapper)
                self.display = self.xvfb.display
            for key, name, kind, data in self.registry:
                self.run(["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"])
        except BaseException:
            self.close()
            raise
        return self

    def env(self, extra=None):
        env = _wine_env(self.prefix)
        env["DISPLAY"] = self.display
        env.update(extra or {})
        return env

    def run(self, wine_args, timeout=None):
        """Runs a Wine command to its end (for set-up steps)."""
        return subprocess.run(self.wrapper + ["wine"] + list(wine_args), env=self.env(),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout or self.timeout, check=True)

    def reg_values(self, key):
        """A registry key's values as `reg query` prints them (name -> data); {} without it."""
        out = subprocess.run(self.wrapper + ["wine", "reg", "query", key], env=self.env(),
                             capture_output=True, text=True, timeout=self.timeout).stdout
        return dict(re.findall(r"^ {4}(\S+) {4}REG_\w+ {4}(.*)$", out, re.M))

    def unix_path(self, path):
        """The file of this prefix that a Windows path on a drive ("C:\\...") names."""
        drive, rest = path.split(":", 1)
        return os.path.join(self.prefix, "drive_" + drive.lower(), *rest.strip("\\").split("\\"))

    def popen(self, exe, args=(), env=None, **kwargs):
        """Starts `wine EXE ARGS...` in the exe's folder, in a session of its own."""
        return subprocess.Popen(self.wrapper + ["wine", exe] + list(args), env=self.env(env),
                                cwd=os.path.dirname(os.path.abspath(exe)),
                                start_new_session=True, **kwargs)

    def close(self):
        """Stops our prefix's wineserver and our Xvfb; removes the cloned prefix."""
        if self._run_dir is not None and os.path.isdir(self.prefix):
            try:
                subprocess.run(self.wrapper + ["wineserver", "-k"], env=_wine_env(self.prefix),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=30, check=False)
            except subprocess.TimeoutExpired:
                pass
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None
        if self._run_dir is not None:
            shutil.rmtree(self._run_dir, ignore_errors=True)
            self._run_dir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()
