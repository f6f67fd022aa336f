import io
import json
import os
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

from peer.console import Console  # noqa: E402
from peer.session import HostSession  # noqa: E402

FAKE = [sys.executable, os.path.join(HERE, "fake_engine.py")]


@pytest.fixture
def session():
    s = HostSession.spawn(FAKE)
    yield s
    s.close()


@pytest.fixture
def con(session, tmp_path):
    """A console printing JSON records into con.out, saving bytes under tmp_path."""
    console = Console(session, out=io.StringIO(), as_json=True, save_dir=str(tmp_path), timeout=10)
    console.out_records = lambda kind: [r for r in map(json.loads, console.out.getvalue(
        ).splitlines()) if r["type"] == kind]
    return console
