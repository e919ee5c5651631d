"""qrvl_sim's progress line: drawn only on a terminal, erased before anything else is written."""

import os, pty, re, select, subprocess, tempfile, time, tty, unittest

SIM = os.environ.get("QRVL_SIM") or os.path.join(os.path.dirname(__file__), "../../build/qrvl_sim")
NOTE = b"# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
PROGRESS = re.compile(rb"# run \d+: +([0-9.]+)% done, (\d+) s")


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
                self.assertRegex(stderr, rb"\A" + re.escape(NOTE) + rb"// simtime [0-9.e+-]+ sec\Z")
                self.assertEqual(stdout, self.out)

    def test_shown_and_erased_on_a_terminal(self):
        # Stopped by sessions, and by simulated time at debug 1 (nothing else on standard error;
        # a session lasts about 1.5 ms of simulated time and max_time is in ms).
        max_time = "max_time=%d" % (int(self.args[0].split("=")[1]) * 1.5)
        for args in (self.args, [max_time, "seed=5", "nn=8", "debug=1"]):
            with self.subTest(args[0].split("=")[0]):
                (stdout, terminal, status, _), args = long_run(args, "terminal")
                self.assertEqual(status, 0)
                draws = [(float(share), int(s)) for share, s in PROGRESS.findall(terminal)]
                self.assertTrue(draws, msg=repr(terminal[:300]))
                self.assertEqual(draws, sorted(draws))  # shares only grow
                self.assertTrue(0 <= draws[0][0] and draws[-1][0] <= 100)
                self.assertGreaterEqual(min(seconds for _, seconds in draws), 1)
                pipe_stdout, pipe_stderr = ((self.out, self.err) if args == self.args
                                            else run(args, "pipe")[:2])
                self.assertEqual(screen(terminal), screen(pipe_stderr))
                self.assertEqual(stdout, pipe_stdout)
