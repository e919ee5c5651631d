"""Tests of the sweep tool $QRVL_SWEEP (default tools/qrvl-sweep) with the simulator $QRVL_SIM."""

import hashlib, math, os, shlex, signal, subprocess, tempfile, time, unittest
from pathlib import Path

TOP = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SIM = os.path.abspath(os.environ.get("QRVL_SIM", os.path.join(TOP, "build", "qrvl_sim")))
TOOL = os.path.abspath(os.environ.get("QRVL_SWEEP", os.path.join(TOP, "tools", "qrvl-sweep")))


def tool(*args, check=0):
    result = subprocess.run([TOOL, *args], stdin=subprocess.DEVNULL, capture_output=True,
                            text=True, timeout=300)
    if check is not None and result.returncode != check:
        raise AssertionError("%s: status %d\n%s" % (args, result.returncode, result.stderr))
    return result


def sim(*words):
    return subprocess.run([SIM, *words], capture_output=True, check=True, timeout=120).stdout


def rows(path, separator=","):
    lines = Path(path).read_text().splitlines()
    return [dict(zip(lines[0].split(separator), line.split(separator))) for line in lines[1:]]


def words(line):  # the simulator command of a plan line, without the redirections
    return shlex.split(line.split(" >", 1)[0])


class Workspace(unittest.TestCase):
    def setUp(self):
        root = self.enterContext(tempfile.TemporaryDirectory(prefix="qrvl-sweep-test-"))
        self.path = lambda name: os.path.join(root, name)
        self.dir = self.path("study")

    def plan(self, *args, directory=None, simulator=SIM, check=0):
        return tool("plan", "-d", directory or self.dir, "--sim", simulator, *args, check=check)

    def runs(self, directory=None):
        return rows(os.path.join(directory or self.dir, "runs.tsv"), "\t")

    def lines(self, directory=None):
        return Path(os.path.join(directory or self.dir, "plan.txt")).read_text().splitlines()


class Plans(Workspace):
    def test_seeds_are_derived_stable_and_distinct(self):
        study = ["--fix", "runs=10", "--sweep", "nn=2:51", "--sweep", "fsf_fbk=class,hamm74",
                 "--seed", "5", "-r"]
        self.plan(*study, "10")
        runs = self.runs()
        self.assertEqual(len({r["seed"] for r in runs}), 1000)
        for r in runs:  # SHA-256 of the base seed, the sorted options and the replication
            text = "qrvl-sweep seed\n5\nfsf_fbk=%s\nnn=%s\nruns=10\n%s\n0" % (
                r["fsf_fbk"], r["nn"], r["replication"])
            digest = hashlib.sha256(text.encode()).digest()
            self.assertEqual(int(r["seed"]), int.from_bytes(digest[:4], "big"))
        old = self.lines()  # planned again with more replications: the old lines stay
        self.plan(*study, "12")
        self.assertEqual((self.lines()[:1000], len(self.lines())), (old, 1200))

    def test_plan_contents(self):
        self.plan("--fix", "runs=100", "--fix", "fsf_type=binom", "--sweep", "nn=2:10:4",
                  "--sweep", "fsf_fbk=class,hamm74", "-r", "2")
        runs, lines = self.runs(), self.lines()
        self.assertEqual([(r["replication"], r["nn"], r["fsf_fbk"]) for r in runs],
                         [(rep, nn, fbk) for rep in "12" for nn in ("2", "6", "10")
                          for fbk in ("class", "hamm74")])
        for line, r in zip(lines, runs):
            self.assertEqual(words(line), [SIM, "runs=100", "fsf_type=binom", "nn=" + r["nn"],
                                           "fsf_fbk=" + r["fsf_fbk"], "seed=" + r["seed"]])
            self.assertEqual(os.path.dirname(r["output"]), os.path.join(self.dir, "out"))
            self.assertIn(shlex.quote(r["output"]), line)
        self.assertEqual(len({r["output"] for r in runs}), 12)
        Path(self.path("study.ini")).write_text("# comment\nreplications = 2\n[fixed]\nruns = 100"
                                                "\nfsf_type = binom\n[sweep]\nnn = 2:10:4\n"
                                                "fsf_fbk = class, hamm74\n")
        self.plan("--study", self.path("study.ini"), directory=self.path("file"))
        self.assertEqual([line.replace(self.path("file"), self.dir)
                          for line in self.lines(self.path("file"))], lines)
        self.plan("--sweep", "fsf_prob=0.1:0.3:0.1", "--sweep", "nn=8:2:-3,20", "--sweep",
                  "pt=0.5,0.4|0.3", "-r", "1", directory=self.path("values"))
        self.assertEqual([list(dict.fromkeys(r[name] for r in self.runs(self.path("values"))))
                          for name in ("fsf_prob", "nn", "pt")],
                         [["0.1", "0.2", "0.3"], ["8", "5", "2", "20"], ["0.5,0.4", "0.3"]])

    def test_bad_studies_rejected(self):
        for number, (args, message) in enumerate((
                (["--sweep", "nnn=2,3", "-r", "2"], "unknown option word 'nnn'"),
                ("replications = 2\n[fixed]\nbogus = 1\n", "unknown option word 'bogus'"),
                (["--fix", "seed=3", "-r", "2"], "seed= is set by"),
                (["--sweep", "nn=", "-r", "2"], "the sweep of nn has no values"),
                (["--sweep", "nn=10:2", "-r", "2"], "the range 10:2 of nn is empty"),
                ("replications = 2\n[sweep]\nfsf_fbk =\n", "the sweep of fsf_fbk has no values"),
                (["--sweep", "nn=2,3", "-r", "0"], "at least 1"),
                (["--sweep", "nn=2,3"], "no number of replications"),
                ("replications = 0\n[sweep]\nnn = 2\n", "at least 1"))):
            with self.subTest(args):
                if isinstance(args, str):  # a study file
                    Path(self.path("bad.ini")).write_text(args)
                    args = ["--study", self.path("bad.ini")]
                result = self.plan(*args, directory=self.path("bad%d" % number), check=None)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(self.path("bad%d/plan.txt" % number)))


class Runs(Workspace):
    def test_interrupted_resumed_and_extended(self):
        slow = self.path("slow_sim")
        Path(slow).write_text("#!/bin/sh\nsleep 0.3\nexec %s \"$@\"\n" % shlex.quote(SIM))
        os.chmod(slow, 0o755)
        study = ["--fix", "runs=300", "--sweep", "nn=2,5,8", "-r"]
        self.plan(*study, "4", simulator=slow)
        runs = self.runs()
        process = subprocess.Popen(
            [TOOL, "run", "-d", self.dir, "-j", "2"], stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, start_new_session=True,
            preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        while sum(os.path.exists(r["output"]) for r in runs) < 3 and process.poll() is None:
            time.sleep(0.05)
        os.killpg(process.pid, signal.SIGINT)
        err = process.communicate(timeout=120)[1]
        self.assertNotEqual(process.returncode, 0, msg=err)
        self.assertIn("resumes", err)
        done = {r["output"]: os.stat(r["output"]).st_ino
                for r in runs if os.path.exists(r["output"])}
        self.assertTrue(3 <= len(done) < 12)
        self.assertIn("12 of 12 runs done", tool("run", "-d", self.dir, "-j", "2").stderr)
        for line, r in zip(self.lines(), runs):
            self.assertEqual(Path(r["output"]).read_text(), sim(*words(line)[1:]).decode())
        self.assertFalse([n for n in os.listdir(os.path.join(self.dir, "out")) if ".part" in n])
        # A deleted output runs again, here through --sshloginfile (":" is this host).
        first = done.popitem()[0]
        os.remove(first)
        result = tool("run", "-d", self.dir, "--sshloginfile", self.path("nohosts"), check=None)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("nohosts", result.stderr)
        Path(self.path("hosts")).write_text(":\n")
        tool("run", "-d", self.dir, "--sshloginfile", self.path("hosts"))
        self.assertTrue(os.path.exists(first))
        self.plan(*study, "5", simulator=slow)  # added replications run alone
        tool("run", "-d", self.dir)
        self.assertTrue(all(os.path.exists(r["output"]) for r in self.runs()))
        self.assertEqual({o: os.stat(o).st_ino for o in done}, done)

    def test_failing_point_named_and_others_kept(self):
        self.plan("--fix", "runs=100", "--sweep", "fsf_fbk=class,bogus,perf", "-r", "2")
        err = tool("run", "-d", self.dir, check=1).stderr
        for r in self.runs():
            bogus = r["fsf_fbk"] == "bogus"
            self.assertNotEqual(os.path.exists(r["output"]), bogus)
            self.assertEqual("point fsf_fbk=%s, replication %s (exit status 3)"
                             % (r["fsf_fbk"], r["replication"]) in err, bogus)
            self.assertEqual("%s runs=100 fsf_fbk=%s seed=%s" % (SIM, r["fsf_fbk"], r["seed"])
                             in err, bogus)
        err = tool("gather", "-d", self.dir, check=1).stderr
        self.assertEqual(err.count("missing (point fsf_fbk=bogus"), 2)
        self.assertEqual([(r["fsf_fbk"], r["replications"])
                          for r in rows(os.path.join(self.dir, "summary.csv"))],
                         [("class", "2"), ("perf", "2")])

    def test_slurm_script_runs_one_line(self):
        self.plan("--fix", "runs=100", "--sweep", "nn=2:4", "-r", "2")
        tool("slurm", "-d", self.dir, "--throttle", "3")
        script = os.path.join(self.dir, "slurm.sh")
        self.assertIn("#SBATCH --array=1-6%3\n", Path(script).read_text())
        task = lambda number: subprocess.run(
            ["bash", script], capture_output=True, text=True, timeout=120,
            env=dict(os.environ, SLURM_ARRAY_TASK_ID=str(number)))
        self.assertEqual(task(4).returncode, 0)
        runs = self.runs()
        self.assertEqual([os.path.exists(r["output"]) for r in runs], [i == 3 for i in range(6)])
        self.assertEqual(Path(runs[3]["output"]).read_text(),
                         sim(*words(self.lines()[3])[1:]).decode())
        self.assertIn("already there", task(4).stdout)
        self.assertNotEqual(task(7).returncode, 0)

    def test_plot_writes_png(self):
        self.plan("--fix", "runs=200", "--sweep", "nn=2,6", "--sweep", "fsf_fbk=class,hamm74",
                  "-r", "2")
        for command in (["run"], ["gather"], ["plot", "--x", "nn", "--by", "fsf_fbk", "--y", "S"]):
            tool(command[0], "-d", self.dir, *command[1:])
        png = Path(self.dir, "plots", "S-vs-nn-by-fsf_fbk.png").read_bytes()
        self.assertTrue(png.startswith(b"\x89PNG\r\n\x1a\n") and len(png) > 2000)


def output(level, figures={}):
    """Real output at a debug level, with tables, holding the figures; its summary line's index."""
    columns = sim("runs=1", "debug=1").decode().split("\n")[0].split(", ")
    lines = sim("nn=3", "runs=50", "seed=1", "debug=%d" % level, "pdf_nodes=1", "pdf_slots=1",
                "pdf_tx_wait=1").decode().split("\n")
    at = max(i for i, line in enumerate(lines) if line.count(",") >= 37)
    fields = lines[at].split(", ")
    for name, value in figures.items():
        fields[columns.index(name)] = repr(value)
    lines[at] = ", ".join(fields)
    return "\n".join(lines), at


class Gather(Workspace):
    FIGURES = ("Ps", "S", "D", "T", "pps")
    VALUES = {"2": [(0.5, 0.1, 1.0, 1e6, 100.0), (0.6, 0.1, 2.0, 2e6, 100.0),
                    (0.7, 0.1, 3.0, 3e6, 100.0), (0.8, 0.1, 4.0, 6e6, 104.0)],
              "3": [(0.9, 0.8, 0.25, 5e6, 600.0), (0.9, 0.82, 0.5, 5e6, 600.0),
                    (0.9, 0.9, 0.75, 5e6, 601.0), (0.9, 0.84, 0.5, 5e6, 603.0)]}
    # Means and sample standard deviations of VALUES, worked out by hand.
    EXPECTED = {"2": [(0.65, math.sqrt(0.05 / 3)), (0.1, 0), (2.5, math.sqrt(5 / 3)),
                      (3e6, math.sqrt(14 / 3) * 1e6), (101.0, 2.0)],
                "3": [(0.9, 0), (0.84, math.sqrt(0.0056 / 3)), (0.5, math.sqrt(0.125 / 3)),
                      (5e6, 0), (601.0, math.sqrt(2.0))]}

    def setUp(self):
        super().setUp()
        self.plan("--sweep", "nn=2,3", "-r", "4")
        for r in self.runs():
            replication = int(r["replication"])
            Path(r["output"]).write_text(output((2, 0, -1, 1)[replication - 1], dict(
                zip(self.FIGURES, self.VALUES[r["nn"]][replication - 1])))[0])

    def assertClose(self, value, expected):
        self.assertAlmostEqual(float(value), expected, delta=1e-9 * max(1.0, abs(expected)))

    def test_means_and_half_widths(self):
        tool("gather", "-d", self.dir)
        summary = rows(os.path.join(self.dir, "summary.csv"))
        self.assertEqual([(r["nn"], r["replications"]) for r in summary], [("2", "4"), ("3", "4")])
        for r in summary:
            for figure, (mean, sd) in zip(self.FIGURES, self.EXPECTED[r["nn"]]):
                with self.subTest(nn=r["nn"], figure=figure):
                    self.assertClose(r[figure + "_mean"], mean)
                    self.assertClose(r[figure + "_sd"], sd)
                    self.assertClose(r[figure + "_ci95"], 3.18244630528 * sd / 2)  # t(0.975, 3)

    def test_missing_and_malformed_outputs_named(self):
        text, at = output(1)
        lines = text.split("\n")
        broken = [None, "\n".join(lines[:at]), "\n".join(lines[:at] + [lines[at][:80]]),
                  text.replace(lines[at], lines[at].replace(", ", ", x", 1)),
                  output(-1)[0] * 2, "\n".join(lines[:at - 1])]
        victims = self.runs()[1::2] + self.runs()[:4:2]  # all of nn=3, two of nn=2
        for r, content in zip(victims, broken):
            os.remove(r["output"]) if content is None else Path(r["output"]).write_text(content)
        err = tool("gather", "-d", self.dir, check=1).stderr
        for r, content in zip(victims, broken):
            self.assertIn("%s: %s" % (r["output"], "malformed" if content else "missing"), err)
            self.assertIn("(point nn=%s, replication %s)" % (r["nn"], r["replication"]), err)
        self.assertEqual(rows(os.path.join(self.dir, "summary.csv")), [])
        # --partial averages over the runs left: Ps 0.7 and 0.8, t(0.975, 1) = 12.7062047362.
        tool("gather", "-d", self.dir, "--partial")
        [row] = rows(os.path.join(self.dir, "summary.csv"))
        self.assertEqual((row["nn"], row["replications"]), ("2", "2"))
        self.assertClose(row["Ps_mean"], 0.75)
        self.assertClose(row["Ps_ci95"], 12.7062047362 * math.sqrt(0.005) / math.sqrt(2))
