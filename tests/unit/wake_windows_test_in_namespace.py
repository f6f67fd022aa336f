#!/usr/bin/env python3
"""Runs the wake service's Windows test program under Wine inside a network namespace of its
own, with two veth pairs of chosen hardware addresses (one end down), and tells the program
which adapters it must list. Exit code: the program's; 77 (skipped) when no namespace can be
created here.

    wake_windows_test_in_namespace.py build/win/bin/wake_windows_test.exe [gtest args]
"""

import os
import subprocess
import sys

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))

from peer.netns import Namespace, VethPair, unavailable_reason  # noqa: E402

SKIPPED = 77

# Both ends of the second pair are down: Wine (8) reports an end that is set up as up even
# while its peer is down, where Linux says lower-layer-down.
PAIRS = [
    VethPair("wk0", "00:1a:2b:3c:4d:5e", "wk0p", "00:1a:2b:3c:4d:5f"),
    VethPair("wk1", "02:00:5e:10:00:01", "wk1p", "02:00:5e:10:00:02", up=False, peer_up=False),
]
EXPECTED = "00:1A:2B:3C:4D:5E=up,00:1A:2B:3C:4D:5F=up,02:00:5E:10:00:01=down,02:00:5E:10:00:02=down"


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    reason = unavailable_reason()
    if reason is not None:
        print("skipped: no network namespace can be created here (%s)" % reason)
        return SKIPPED
    env = dict(os.environ)
    env["TESSO_WAKE_EXPECTED"] = EXPECTED
    with Namespace(PAIRS, name="tesso-wake-%d" % os.getpid()) as namespace:
        command = namespace.exec_prefix() + [os.path.join(REPO, "scripts", "wine-run")] + argv[1:]
        return subprocess.run(command, env=env, timeout=600).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv))
