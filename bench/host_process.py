"""What the benches read of a Windows program's Linux process under Wine, from /proc."""

import os


def find_pid(leader, name):
    """The process in `leader`'s session (the one `wine PROGRAM` started) whose command line
    holds `name` (bytes); `leader` itself when there is none."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                session = int(f.read().rsplit(")", 1)[1].split()[3])
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                cmdline = f.read()
        except (OSError, ValueError):
            continue
        if session == leader and name in cmdline:
            return int(entry)
    return leader


def peak_mib(pid):
    """Peak resident memory (VmHWM) in MiB."""
    with open("/proc/%d/status" % pid) as f:
        fields = dict(line.split(":", 1) for line in f)
    return int(fields["VmHWM"].split()[0]) / 1024.0


def cpu_ticks(pid):
    """User and system time in clock ticks."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
