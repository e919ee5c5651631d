"""The progress line of a long qrvl_sim run: drawn on standard error only when it is a terminal,
and erased before anything else is written there, so that standard error is otherwise exactly what
a run without a terminal writes.

The simulator is $QRVL_SIM (default build/qrvl_sim)."""

import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import time
import tty
import unittest

sys.dont_write_bytecode = True

TOP = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SIM = os.path.abspath(os.environ.get("QRVL_SIM", os.path.join(TOP, "build", "qrvl_sim")))

NOTE = b"# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
SIMTIME = re.compile(rb"// simtime [0-9.e+-]+ sec")
PROGRESS = re.compile(rb"# run (\d+): +([0-9.]+)% done, (\d+) s")
TARGET_SECONDS = 2.5


def run_with_stderr_on_terminal(args):
    """Runs the simulator with standard error on a pseudo-terminal (no output processing, so the
    bytes are the program's own); returns (stdout, the terminal's bytes, status)."""
    master, slave = pty.openpty()
    tty.setraw(slave)
    process = subprocess.Popen([SIM] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=slave)
    os.close(slave)
    received, stdout = bytearray(), bytearray()
    streams = [master, process.stdout.fileno()]
    while streams:
        ready, _, _ = select.select(streams, [], [], 60)
        if not ready:
            process.kill()
            raise AssertionError("the simulator wrote nothing for a minute")
        for stream in ready:
            try:
                chunk = os.read(stream, 65536)
            except OSError:  # the terminal's other side is closed
                chunk = b""
            if chunk:
                (received if stream == master else stdout).extend(chunk)
            else:
                streams.remove(stream)
    os.close(master)
    process.stdout.close()
    return bytes(stdout), bytes(received), process.wait(timeout=60)


def run_with_stderr_on_pipe(args):
    result = subprocess.run([SIM] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=300)
    return result.stdout, result.stderr, result.returncode


def run_with_stderr_on_file(args):
    with tempfile.TemporaryFile() as errors:
        result = subprocess.run([SIM] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=errors, timeout=300)
        errors.seek(0)
        return result.stdout, errors.read(), result.returncode


def render(data):
    """What a terminal shows after the bytes: carriage returns go back to the line start and later
    characters overwrite earlier ones. Returns the lines (trailing blanks dropped) and the column
    the cursor is left at."""
    lines, line, column = [], [], 0
    for byte in data:
        if byte == 0x0A:
            lines.append(bytes(line).rstrip(b" "))
            line, column = [], 0
        elif byte == 0x0D:
            column = 0
        else:
            if column < len(line):
                line[column] = byte
            else:
                line.append(byte)
            column += 1
    lines.append(bytes(line).rstrip(b" "))
    return lines, column


def normalise(text):
    return SIMTIME.sub(b"// simtime T sec", text)


def long_run_options(extra):
    """Options for a run of about TARGET_SECONDS of wall-clock time on this machine, measured from
    a short run (the same options with fewer sessions)."""
    count = 20000
    while True:
        started = time.monotonic()
        run_with_stderr_on_pipe(["runs=%d" % count, "seed=3"] + extra)
        elapsed = time.monotonic() - started
        if elapsed > 0.3 or count >= 1 << 26:
            break
        count *= 4
    return ["runs=%d" % min(int(count * TARGET_SECONDS / elapsed) + 1, 2 ** 31 - 1),
            "seed=3"] + extra


def long_run(runner, args, index):
    """Runs until a run lasts at least 1.5 s of wall-clock time (the progress line may appear from
    1 s on), doubling the count at args[index] when the machine turned out faster than measured.
    Returns the runner's result and the arguments used."""
    for _ in range(5):
        started = time.monotonic()
        result = runner(args)
        if time.monotonic() - started >= 1.5:
            break
        name, value = args[index].split("=")
        args = args[:index] + ["%s=%d" % (name, min(int(value) * 2, 2 ** 31 - 1))] + \
            args[index + 1:]
    return result, args


class ProgressLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.args = long_run_options(["nn=8"])

    def test_terminal_shows_then_erases_the_line(self):
        (stdout, terminal, status), args = long_run(run_with_stderr_on_terminal, self.args, 0)
        self.assertEqual(status, 0)
        draws = PROGRESS.findall(terminal)
        self.assertTrue(draws, msg="no progress line in %r" % terminal[:300])
        shares = [float(share) for _, share, _ in draws]
        self.assertEqual(shares, sorted(shares))
        self.assertTrue(all(0.0 <= share <= 100.0 for share in shares))
        self.assertTrue(all(int(seconds) >= 1 for _, _, seconds in draws))
        # The note comes before the loop; the progress text starts on the line after it.
        self.assertTrue(terminal.startswith(NOTE + b"\r# run "), msg=repr(terminal[:200]))
        # When the wall-clock line comes, the progress line is gone: a blank line, cursor at 0.
        before, simtime, after = terminal.rpartition(b"// simtime ")
        self.assertTrue(simtime)
        shown, column = render(before)
        self.assertEqual(column, 0)
        self.assertEqual(shown, [NOTE.rstrip(b"\n"), b""])
        self.assertFalse(PROGRESS.search(after))
        # What remains on the screen is what a run without a terminal writes.
        pipe_stdout, pipe_stderr, pipe_status = run_with_stderr_on_pipe(args)
        self.assertEqual(pipe_status, 0)
        self.assertEqual(b"\n".join(render(normalise(terminal))[0]), normalise(pipe_stderr))
        self.assertEqual(stdout, pipe_stdout)

    def test_no_progress_on_a_pipe_or_a_file(self):
        for runner in (run_with_stderr_on_pipe, run_with_stderr_on_file):
            (stdout, errors, status), _ = long_run(runner, self.args, 0)
            self.assertEqual(status, 0)
            self.assertRegex(errors, rb"\A" + re.escape(NOTE) + rb"// simtime [0-9.e+-]+ sec\Z")
            self.assertNotIn(b"\r", errors)
            self.assertEqual(len(stdout.splitlines()), 2)

    def test_time_limited_run_on_a_terminal(self):
        # The same under the simulated-time stop rule, at debug 1 (nothing else on standard
        # error). A session lasts about 1.5 ms of simulated time, and max_time is in ms.
        sessions = int(self.args[0].split("=")[1])
        args = ["max_time=%d" % max(1, int(sessions * 1.5)), "seed=5", "nn=8", "debug=1"]
        (stdout, terminal, status), args = long_run(run_with_stderr_on_terminal, args, 0)
        self.assertEqual(status, 0)
        self.assertTrue(PROGRESS.search(terminal), msg=repr(terminal[:300]))
        shown, column = render(terminal)
        self.assertEqual((shown, column), ([b""], 0))
        pipe_stdout, pipe_stderr, _ = run_with_stderr_on_pipe(args)
        self.assertEqual(pipe_stderr, b"")
        self.assertEqual(stdout, pipe_stdout)


if __name__ == "__main__":
    unittest.main()
