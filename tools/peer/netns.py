"""A network namespace of our own with veth pairs of chosen hardware addresses.

Wine's IP Helper lists the Linux interfaces of the namespace its wineserver runs in, so a test
that runs the whole Wine session inside such a namespace (prefix `exec_prefix()` to the
command) knows exactly which adapters the program must see.

    with Namespace([VethPair("wk0", "00:1a:2b:3c:4d:5e", "wk0p", "00:1a:2b:3c:4d:5f")]) as ns:
        subprocess.run(ns.exec_prefix() + ["scripts/wine-run", "prog.exe"])

The namespace (and with it every interface in it) is deleted on close, also after a failure.
Creating one needs CAP_SYS_ADMIN; `unavailable_reason()` says why it cannot be done here.
"""

import os
import subprocess
from dataclasses import dataclass


@dataclass
class VethPair:
    """Both ends live in the namespace, so both are listed; each end is up or down."""

    name: str
    mac: str
    peer: str
    peer_mac: str
    up: bool = True
    peer_up: bool = True


class NamespaceError(RuntimeError):
    pass


def _ip(*args, check=True):
    result = subprocess.run(["ip"] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, timeout=30)
    if check and result.returncode != 0:
        raise NamespaceError("ip %s: %s" % (" ".join(args), result.stderr.strip()))
    return result


def unavailable_reason():
    """None when a namespace can be created here, otherwise why not."""
    name = "tesso-probe-%d" % os.getpid()
    try:
        result = _ip("netns", "add", name, check=False)
    except (OSError, subprocess.SubprocessError) as error:
        return "cannot run ip: %s" % error
    if result.returncode != 0:
        return "ip netns add failed: %s" % result.stderr.strip()
    _ip("netns", "del", name, check=False)
    return None


class Namespace:
    def __init__(self, pairs, name=None, loopback_up=True):
        self.name = name or "tesso-%d" % os.getpid()
        self.pairs = list(pairs)
        self.loopback_up = loopback_up
        self._created = False

    def start(self):
        _ip("netns", "add", self.name)
        self._created = True
        try:
            if self.loopback_up:
                _ip("-n", self.name, "link", "set", "lo", "up")
            for pair in self.pairs:
                _ip("-n", self.name, "link", "add", pair.name, "address", pair.mac, "type", "veth",
                    "peer", "name", pair.peer, "address", pair.peer_mac)
                if pair.up:
                    _ip("-n", self.name, "link", "set", pair.name, "up")
                if pair.peer_up:
                    _ip("-n", self.name, "link", "set", pair.peer, "up")
        except BaseException:
            self.close()
            raise
        return self

    def exec_prefix(self):
        """Runs a command inside the namespace."""
        return ["ip", "netns", "exec", self.name]

    def close(self):
        if self._created:
            _ip("netns", "del", self.name, check=False)
            self._created = False

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()
