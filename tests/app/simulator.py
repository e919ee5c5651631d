# Running the real qrvl_sim ($QRVL_SIM, default build/qrvl_sim) for the command-line tests: one
# call with the option words, where standard output goes, and signals to send once it runs.
import collections
import functools
import json
import os
import signal
import subprocess
import time
from pathlib import Path

TOP = Path(__file__).resolve().parents[2]
SIM = os.path.abspath(os.environ.get("QRVL_SIM") or TOP / "build" / "qrvl_sim")
DATA = TOP / "tests" / "data"
NOTE = "# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
SIMTIME = r"// simtime [0-9.e+-]+ sec"
# The random streams after the seed line, and the run's own interval of Ps after its report.
STREAMS = "# rng mt\n"
INTERVAL = r"# Ps 95% interval: [^\n]+\n"


# A run's exit status (-N when ended by signal N), standard output and standard error.
Run = collections.namedtuple("Run", "status out err")


# Runs the simulator. stdout may be a file object, subprocess.DEVNULL, "full" (/dev/full), "closed"
# or "broken-pipe" (a pipe nobody reads, SIGPIPE ignored); merged sends both streams to one pipe.
# Signals are sent one after the other, `after` seconds apart, from when standard error shows the
# seed line (the run loop is then about to start, its signal handlers in place).
def sim(*words, stdout=subprocess.PIPE, merged=False, signals=(), after=0.05, timeout=120):
    given, preexec = None, None
    if stdout == "full":
        given = stdout = os.open("/dev/full", os.O_WRONLY)
    elif stdout == "closed":
        stdout, preexec = None, lambda: os.close(1)
    elif stdout == "broken-pipe":
        reader, given = os.pipe()
        os.close(reader)
        stdout, preexec = given, lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)
    process = subprocess.Popen([SIM, *words], stdin=subprocess.DEVNULL, stdout=stdout,
                               stderr=subprocess.STDOUT if merged else subprocess.PIPE,
                               preexec_fn=preexec)
    if given is not None:
        os.close(given)
    early = b""
    # Read from the descriptor itself: what a buffered reader took in would be lost to communicate.
    while signals and b"# seed " not in early and (chunk := os.read(process.stderr.fileno(), 4096)):
        early += chunk
    for number in signals:
        time.sleep(after)
        process.send_signal(number)
    out, err = process.communicate(timeout=timeout)
    return Run(process.returncode, (out or b"").decode(), (early + (err or b"")).decode())


def fields(line):
    return [field.strip() for field in line.split(",")]


@functools.cache
def described():
    return json.loads(sim("--describe").out)
