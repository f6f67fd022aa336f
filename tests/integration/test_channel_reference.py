"""Every example of the channel reference against tesso.exe: each prints its documented lines."""

import os

from conftest import REPO, RUNS_DIR, TESSO
from peer import reference

DOC = os.path.join(REPO, "docs", "channels.md")


def test_every_example_prints_what_the_reference_says():
    with open(DOC, encoding="utf-8") as f:
        markdown = f.read()
    commands = [command.split()[:3] for command, _ in reference.examples(markdown)]
    methods = {tuple(c[1:]) for c in commands if c[0] == "call"}
    assert len(methods) == 15 + 4 + 1 + 1 + 1  # every method, and two unknown names
    assert reference.check(markdown, TESSO, runs_dir=RUNS_DIR) == []
