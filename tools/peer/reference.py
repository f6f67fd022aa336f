"""The channel reference's examples (docs/channels.md) run against a host program.

An example is a fenced block whose info string is `tesso-peer`. In it, a line that starts with
"> " is a console command and the lines after it, up to the next command, are what the console
prints for it; "…" in such a line stands for any text within that line (for what depends on the
machine). Every block of the document runs, in document order, in one session of the console,
and its printed lines are compared with the block's; engine events, the host's standard error
and the end of the link are not compared.
"""

import io
import re

from .bare_display import start_session
from .console import Console

_BLOCK = re.compile(r"^```tesso-peer\n(.*?)^```$", re.M | re.S)
_NOT_COMPARED = ("event ", "stderr: ", "link closed")


def blocks(markdown):
    """[[(command, [expected lines])] for each block], in document order."""
    found = []
    for block in _BLOCK.findall(markdown):
        steps = []
        for line in block.splitlines():
            if line.startswith("> "):
                steps.append((line[2:], []))
            elif line.strip():
                if not steps:
                    raise ValueError("an example block starts without a command: %r" % line)
                steps[-1][1].append(line)
        found.append(steps)
    return found


def examples(markdown):
    """[(command, [expected lines])], in document order."""
    return [step for steps in blocks(markdown) for step in steps]


def matches(expected, printed):
    pattern = ".*".join(re.escape(part) for part in expected.split("…"))
    return re.fullmatch(pattern, printed) is not None


def check(markdown, exe, **session_options):
    """[(commands, expected lines, printed lines)] for every block whose output differs.

    A block's output is compared as a whole: a host message may be printed while a later
    command of the block runs.
    """
    out = io.StringIO()
    console = Console(out=out)
    session = start_session(exe, listener=console.on_session, **session_options)
    console.session = session
    differences = []
    try:
        for steps in blocks(markdown):
            start = len(out.getvalue())
            for command, _ in steps:
                try:
                    console.execute(command)
                except Exception as e:  # a failed command is a difference like any other
                    console.emit({}, "failed: %s: %s" % (type(e).__name__, e))
            session.flush_listeners()
            printed = [line for line in out.getvalue()[start:].splitlines()
                       if not line.startswith(_NOT_COMPARED)]
            expected = [line for _, lines in steps for line in lines]
            if len(printed) != len(expected) or not all(map(matches, expected, printed)):
                differences.append(([command for command, _ in steps], expected, printed))
    finally:
        session.close()
    return differences
