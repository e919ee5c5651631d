"""qrvl_sim's progress line: without the progress option drawn only on a terminal and erased before
anything else is written; progress=SECONDS writes whole lines every SECONDS seconds anywhere, and
progress=0 writes none even on a terminal."""

import os, pty, re, select, subprocess, tempfile, time, tty, unittest

from simulator import SIM

NOTE = b"# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
SEED = b"# seed 3\n"
# Sessions, share done, sessions per second, seconds left and the running Ps.
PROGRESS = re.compile(rb"# progress: (\d+) sessions, +([0-9.]+)% done, (\d+) sessions/s, "
                      rb"(\d+) s left, Ps ([0-9.]+)")


def run(args, where):
    """Standard output, standard error, status and seconds of a run with standard error on a raw
    pseudo-terminal, a pipe or a file."""
    started, (master, slave) = time.monotonic(), pty.openpty()
    tty.setraw(slave)
    with tempfile.TemporaryFile() as file, subprocess.Popen(
            [SIM, *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr={"terminal": slave, "pipe": subprocess.PIPE}.get(where, file)) as process:
        os.close(slave)
        out = process.stdout.fileno()
        err = {"terminal": master, "pipe": process.stderr and process.stderr.fileno()}.get(where)
        got, streams = {out: bytearray(), err: bytearray()}, [s for s in (out, err) if s]
        while streams:
            ready = select.select(streams, [], [], 60)[0]
            if not ready:  # hung: the status tells
                process.kill()
            for stream in ready:
                try:
                    chunk = os.read(stream, 65536)
                except OSError:  # the terminal's other side is closed
                    chunk = b""
                got[stream].extend(chunk)
                if not chunk:
                    streams.remove(stream)
        file.seek(0)
        errors = bytes(got[err]) if err else file.read()
    os.close(master)
    return bytes(got[out]), errors, process.returncode, time.monotonic() - started


def long_run(args, where):
    """A run of at least 1.5 s (the line may appear after 1 s), scaling up the count in args[0]."""
    for _ in range(8):
        result = run(args, where)
        if result[3] >= 1.5:
            break
        name, value = args[0].split("=")
        factor = min(64.0, max(2.0, 2.5 / max(result[3], 0.01)))
        args = ["%s=%d" % (name, min(int(value) * factor, 2 ** 31 - 1))] + args[1:]
    return result, args


def screen(data):
    """The lines (trailing blanks dropped) and the cursor's column that a terminal shows after
    the bytes; '\\r' goes back to the start of the line, later characters overwrite earlier ones."""
    lines = []
    for text in re.sub(rb"// simtime [0-9.e+-]+ sec", b"// simtime T", data).split(b"\n"):
        line = b""
        for part in text.split(b"\r"):
            line = part + line[len(part):]
        lines.append(line.rstrip(b" "))
    return lines, len(part)


class ProgressLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        (cls.out, cls.err, _, _), cls.args = long_run(["runs=200000", "seed=3", "nn=8"], "pipe")

    def test_absent_on_a_pipe_or_a_file(self):
        for where, (stdout, stderr) in (("pipe", (self.out, self.err)),
                                        ("file", run(self.args, "file")[:2])):
            with self.subTest(where):
                self.assertRegex(stderr, rb"\A" + re.escape(NOTE + SEED) +
                                 rb"// simtime [0-9.e+-]+ sec\Z")
                self.assertEqual(stdout, self.out)

    def test_shown_and_erased_on_a_terminal(self):
        # Stopped by sessions, and by simulated time at debug 1 (nothing else on standard error;
        # a session lasts about 1.5 ms of simulated time and max_time is in ms).
        max_time = "max_time=%d" % (int(self.args[0].split("=")[1]) * 1.5)
        for args in (self.args, [max_time, "seed=5", "nn=8", "debug=1"]):
            with self.subTest(args[0].split("=")[0]):
                (stdout, terminal, status, _), args = long_run(args, "terminal")
                self.assertEqual(status, 0)
                draws = [(int(n), float(share)) for n, share, *_ in PROGRESS.findall(terminal)]
                self.assertTrue(draws, msg=repr(terminal[:300]))
                self.assertEqual(draws, sorted(draws))  # sessions and shares only grow
                self.assertTrue(0 <= draws[0][1] and draws[-1][1] <= 100)
                pipe_stdout, pipe_stderr = ((self.out, self.err) if args == self.args
                                            else run(args, "pipe")[:2])
                self.assertEqual(screen(terminal), screen(pipe_stderr))
                self.assertEqual(stdout, pipe_stdout)


class ProgressOption(unittest.TestCase):
    def test_whole_lines_on_a_pipe_and_none_when_zero(self):
        (stdout, err, status, seconds), args = long_run(
            ["runs=200000", "seed=3", "nn=8", "progress=0.2"], "pipe")
        self.assertEqual(status, 0)
        lines = [line for line in err.split(b"\n") if line.startswith(b"# progress")]
        self.assertTrue(lines, msg=repr(err[:300]))
        self.assertNotIn(b"\r", err)
        for line in lines:
            sessions, share, rate, left, ps = PROGRESS.fullmatch(line).groups()
            runs = int(args[0].split("=")[1])
            self.assertAlmostEqual(float(share), 100 * int(sessions) / runs, delta=0.0501)
            self.assertTrue(0.9 < float(ps) <= 1 and int(rate) > 0)
        self.assertLessEqual(len(lines), seconds / 0.2 + 1)
        self.assertEqual(err.replace(b"\n".join(lines) + b"\n", b"").split(b"// simtime")[0],
                         NOTE + SEED)
        quiet, _ = long_run(args[:3] + ["progress=0"], "terminal")
        self.assertNotIn(b"# progress", quiet[1])
        self.assertEqual(quiet[0], stdout)
