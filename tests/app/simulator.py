"""Running the real qrvl_sim ($QRVL_SIM, default build/qrvl_sim) for the command-line tests: one
call with the option words, where standard output goes, and signals to send once it runs."""

import os
import signal
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

TOP = Path(__file__).resolve().parents[2]
SIM = os.path.abspath(os.environ.get("QRVL_SIM") or TOP / "build" / "qrvl_sim")
DATA = TOP / "tests" / "data"


@dataclass
class Run:
    status: int   # exit status, or -N when ended by signal N
    out: str
    err: str


def sim(*words, stdout=subprocess.PIPE, merged=False, signals=(), timeout=120):
    """Runs the simulator; stdout may be a file object, subprocess.DEVNULL, "closed" or
    "broken-pipe" (a pipe nobody reads, SIGPIPE ignored); merged sends both streams to one pipe;
    signals are sent one after the other, a little apart, once standard error shows the seed line
    (the run loop is then about to start, its signal handlers in place)."""
    extra = {}
    if stdout == "closed":
        extra["preexec_fn"] = lambda: os.close(1)
        stdout = None
    elif stdout == "broken-pipe":
        reader, writer = os.pipe()
        os.close(reader)
        extra["preexec_fn"] = lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)
        stdout = writer
    process = subprocess.Popen([SIM, *words], stdin=subprocess.DEVNULL, stdout=stdout,
                               stderr=subprocess.STDOUT if merged else subprocess.PIPE, **extra)
    if "preexec_fn" in extra and isinstance(stdout, int):
        os.close(stdout)
    early = b""
    while signals and b"# seed " not in early:
        line = process.stderr.readline()
        if not line:
            break
        early += line
    for number in signals:
        time.sleep(0.05)
        process.send_signal(number)
    out, err = process.communicate(timeout=timeout)
    return Run(process.returncode, (out or b"").decode(), (early + (err or b"")).decode())


def peak_kib(*words):
    """The peak resident size of a run, from the kernel's record of the ended child."""
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execv(SIM, [SIM, *words])
    _, status, usage = os.wait4(pid, 0)
    assert os.waitstatus_to_exitcode(status) == 0
    return usage.ru_maxrss


def lines(text):
    return text.splitlines()


def fields(line):
    return [field.strip() for field in line.split(",")]
