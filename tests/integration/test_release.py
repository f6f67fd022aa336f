"""The bundle and tesso-setup.exe in a fresh prefix: silent install, the host started as the Run
value says, a second start, an update over the running host, a silent uninstall."""

import os
import pathlib
import re
import subprocess

from conftest import BIN_DIR, RUNS_DIR, TIMEOUT, X, assert_reply, call, is_hidden, wait_until
from peer.bare_display import BareDisplayWine
from peer.session import HostSession

BUILD = os.path.dirname(BIN_DIR)
BUNDLE, SETUP = os.path.join(BUILD, "bundle"), os.path.join(BUILD, "tesso-setup.exe")
PLUGINS = ["desktop_drop_plugin", "flutter_secure_storage_windows_plugin",
           "local_auth_windows_plugin", "permission_handler_windows_plugin",
           "url_launcher_windows_plugin"]
PROGRAM = {"tesso.exe", "flutter_windows.dll", "data/icudtl.dat", "data/app.so",
           "data/flutter_assets/"} | {p + ".dll" for p in PLUGINS}
RUN = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
APPS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tesso"
# No menu entries in the real home for the Start-menu shortcut.
WINE_ENV = {"WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"}


def tree(root):
    """Relative path -> bytes for files, None for folders (with a trailing /)."""
    return {p.relative_to(root).as_posix() + ("/" if p.is_dir() else ""):
            None if p.is_dir() else p.read_bytes() for p in pathlib.Path(root).rglob("*")}


def wine_run(wine, exe, args=()):
    return subprocess.run(["wine", exe, *args], env=wine.env(WINE_ENV), timeout=TIMEOUT,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def command(wine, line):
    exe, args = re.fullmatch(r'"([^"]+)" (.*)', line).groups()
    return wine.unix_path(exe), args.split()


def start_from_run_value(wine, sessions):
    sessions.append(HostSession.launch(wine, *command(wine, wine.reg_values(RUN)["Tesso"]),
                                       owns_wine=False))
    sessions[-1].wait_event("first_frame", timeout=TIMEOUT)
    return sessions[-1]


def test_install_start_update_uninstall():
    assert os.path.isfile(SETUP), "%s is not built (makensis: scripts/bootstrap)" % SETUP
    bundle = tree(BUNDLE)
    assert {p for p in bundle if not p.startswith("licenses/")} == PROGRAM | {"data/"}
    assert any(p.endswith("GPL-3") for p in bundle)
    wine, sessions = BareDisplayWine(runs_dir=RUNS_DIR).start(), []
    try:
        assert wine_run(wine, SETUP, ["/S"]) == 0
        apps = wine.reg_values(APPS)
        home = wine.unix_path(apps["InstallLocation"])
        assert home.endswith("/AppData/Local/Programs/Tesso")
        assert tree(home) == dict(bundle, **{"uninstall.exe": tree(home)["uninstall.exe"]})
        assert apps["DisplayName"] == "Tesso" and apps["QuietUninstallString"].endswith(" /S")
        shortcut = os.path.join(home, "../../../Roaming/Microsoft/Windows/Start Menu/Programs",
                                "Tesso.lnk")
        assert os.path.isfile(shortcut)

        first = start_from_run_value(wine, sessions)
        view = X(first)
        assert is_hidden(first) and view.shown() is None
        view.wait_tray(True)
        assert_reply(call(first, "com.vel.halvo/desktop_host", "getPermissionState"),
                     {"accessibilityGranted": True, "screenRecordingGranted": True})
        assert wine_run(wine, os.path.join(home, "tesso.exe")) == 0
        view.wait_shown()
        assert not is_hidden(first)

        # An update over the running host: it exits as from its tray menu, and the new files
        # replace the old ones, leftovers included.
        with open(os.path.join(home, "data/app.so"), "wb") as f:
            f.write(b"old")
        open(os.path.join(home, "old_plugin.dll"), "wb").close()
        assert wine_run(wine, SETUP, ["/S"]) == 0
        assert first.wait_exit(TIMEOUT) == 0
        view.wait_tray(False)
        assert tree(home) == dict(bundle, **{"uninstall.exe": tree(home)["uninstall.exe"]})

        second = start_from_run_value(wine, sessions)
        assert is_hidden(second)
        assert wine_run(wine, *command(wine, apps["QuietUninstallString"])) == 0
        assert second.wait_exit(TIMEOUT) == 0
        wait_until(lambda: not os.path.exists(home) and not os.path.exists(shortcut) and "Tesso"
                   not in wine.reg_values(RUN) and not wine.reg_values(APPS), "uninstalled")
        view.wait_tray(False)
    finally:
        for session in sessions:
            session.close()
        wine.close()
