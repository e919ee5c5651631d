# qrvl_sim's progress line: without the progress option drawn only on a terminal and erased before
# anything else is written; progress=SECONDS writes whole lines every SECONDS seconds anywhere, and
# progress=0 writes none even on a terminal. Long runs are interrupted 1.5 s in (a line after 1 s).
import contextlib
import os
import pty
import re
import signal
import subprocess
import time
import tty

import pytest

from simulator import INTERVAL, NOTE, SIM, SIMTIME, STREAMS, sim

RUNS = 100000000
LONG = ["runs=%d" % RUNS, "seed=3", "nn=8"]
ENDING = (re.escape(NOTE + "# seed 3\n" + STREAMS) + r"(# interrupted after \d+ sessions\n)?" +
          INTERVAL + SIMTIME)
# Sessions, share done, sessions per second, seconds left and the running Ps.
PROGRESS = re.compile(r"# progress: (\d+) sessions, +([0-9.]+)% done, (\d+) sessions/s, "
                      r"(\d+) s left, Ps ([0-9.]+)")


# Standard error of a long run on a raw pseudo-terminal, interrupted 1.5 s after the seed line.
def on_terminal(*words):
    master, slave = pty.openpty()
    tty.setraw(slave)
    process = subprocess.Popen([SIM, *words], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=slave)
    os.close(slave)
    err = b""
    while b"# seed" not in err:
        err += os.read(master, 65536)
    time.sleep(1.5)
    process.send_signal(signal.SIGINT)
    with contextlib.suppress(OSError):  # EIO once the terminal's other side is closed
        while chunk := os.read(master, 65536):
            err += chunk
    process.wait(60)
    os.close(master)
    return err.decode()


# Each drawing goes back to the start of the line; the erasure overwrites the widest with blanks.
@pytest.mark.parametrize("stop", ["runs=%d" % RUNS, "max_time=2000000000"])
def test_drawn_and_erased_on_a_terminal(stop):
    err = on_terminal(stop, *LONG[1:])
    drawn = re.fullmatch(re.escape(NOTE + "# seed 3\n" + STREAMS) +
                         r"((?:\r# progress: [^\r\n]*)+)\r( +)\r"
                         r"# interrupted after \d+ sessions\n" + INTERVAL + SIMTIME, err)
    assert drawn, err[:300]
    draws = [(int(n), float(share)) for n, share, *_ in PROGRESS.findall(drawn.group(1))]
    assert draws == sorted(draws) and draws[-1][1] <= 100
    assert len(drawn.group(2)) == max(len(line.rstrip()) for line in drawn.group(1).split("\r"))


def test_none_on_a_pipe_without_the_option_and_whole_lines_every_given_seconds():
    absent = sim(*LONG, signals=[signal.SIGINT], after=1.5)
    assert re.fullmatch(ENDING, absent.err), absent.err
    started = time.monotonic()
    run = sim(*LONG, "progress=0.2", signals=[signal.SIGINT], after=1.5)
    seconds = time.monotonic() - started
    lines = [line for line in run.err.split("\n") if line.startswith("# progress")]
    assert lines and "\r" not in run.err and "progress" not in run.out, run.err
    for line in lines:
        sessions, share, rate, left, ps = PROGRESS.fullmatch(line).groups()
        assert float(share) == pytest.approx(100 * int(sessions) / RUNS, abs=0.0501)
        assert 0.9 < float(ps) <= 1 and int(rate) > 0
    assert len(lines) <= seconds / 0.2 + 1
    assert re.fullmatch(ENDING, run.err.replace("\n".join(lines) + "\n", "")), run.err



def test_none_at_zero_even_on_a_terminal():
    assert "# progress" not in on_terminal(*LONG, "progress=0")
