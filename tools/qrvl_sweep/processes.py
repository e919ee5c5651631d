"""Stopping a process and everything it started, so that no job outlives a stopped run."""

import os
import signal
import subprocess
from typing import Dict, List


def descendants(pid: int) -> List[int]:
    """The processes below pid (Linux /proc), so that none outlives a stopped run."""
    children: Dict[int, List[int]] = {}
    try:
        names = os.listdir("/proc")
    except OSError:
        return []
    for name in names:
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name, encoding="utf-8", errors="replace") as handle:
                parent = int(handle.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        children.setdefault(parent, []).append(int(name))
    found, stack = [], [pid]
    while stack:
        for child in children.get(stack.pop(), []):
            found.append(child)
            stack.append(child)
    return found


def stop(process: "subprocess.Popen[bytes]") -> None:
    """Stops parallel and every job below it: TERM, then KILL for what remains."""
    below = descendants(process.pid)
    for pid in [process.pid] + below:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    try:
        process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    for pid in below + descendants(process.pid):
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
