"""Tests of tools/qrvl-sweep: studies, seeds, plans, GNU parallel runs with interruption and resume,
the Slurm script, gathering with confidence intervals, and plots.

The simulator is $QRVL_SIM (default build/qrvl_sim); the tool is $QRVL_SWEEP (default
tools/qrvl-sweep)."""

import hashlib
import importlib.machinery
import importlib.util
import math
import os
import re
import shlex
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True

TOP = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SIM = os.path.abspath(os.environ.get("QRVL_SIM", os.path.join(TOP, "build", "qrvl_sim")))
TOOL = os.path.abspath(os.environ.get("QRVL_SWEEP", os.path.join(TOP, "tools", "qrvl-sweep")))


def load_tool():
    loader = importlib.machinery.SourceFileLoader("qrvl_sweep", TOOL)
    spec = importlib.util.spec_from_loader("qrvl_sweep", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


sweep = load_tool()

# The 38 fixed summary columns, as the report writes them.
COLUMNS = ("runs B DATA APP sifs difs ts nn refs nf ns failures successes ns_max Ps Pc S D D_an "
           "D_net Ps_node Pc_node S_node runtime nn_succ nn_succ_percentage min_frames T T_app "
           "fsf_num fsf_prob fsf_tau rssi_min rssi_max rssi_avg rssi_thresh pps pps_node").split()


def tool(*args, cwd=None, check=None):
    """Runs the tool; returns (status, stdout, stderr)."""
    result = subprocess.run([TOOL] + list(args), cwd=cwd, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            universal_newlines=True, timeout=300)
    if check is not None and result.returncode != check:
        raise AssertionError("%s %s: status %d, expected %d\n%s" % (
            TOOL, " ".join(args), result.returncode, check, result.stderr))
    return result.returncode, result.stdout, result.stderr


def read_runs(directory):
    """runs.tsv as a list of dicts."""
    with open(os.path.join(directory, "runs.tsv"), encoding="utf-8") as handle:
        lines = handle.read().splitlines()
    names = lines[0].split("\t")
    return [dict(zip(names, line.split("\t"))) for line in lines[1:]]


def read_plan(directory):
    with open(os.path.join(directory, "plan.txt"), encoding="utf-8") as handle:
        return handle.read().splitlines()


def simulator_words(line):
    """The simulator's argument words of a plan line."""
    words = shlex.split(line.split(" >", 1)[0])
    return words[0], words[1:]


def direct_run(args):
    return subprocess.run([SIM] + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=True, timeout=120).stdout


def read_csv(path):
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().splitlines()
    header = lines[0].split(",")
    return [dict(zip(header, line.split(","))) for line in lines[1:]]


def write_slow_simulator(directory, delay):
    """A simulator that takes a while: sleeps, then runs the real one."""
    path = os.path.join(directory, "slow_sim")
    with open(path, "w") as handle:
        handle.write("#!/bin/sh\nsleep %s\nexec %s \"$@\"\n" % (delay, shlex.quote(SIM)))
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


def expected_seed(base, options, replication):
    """The seed derivation as documented: SHA-256 over base seed, sorted options and replication."""
    key = "\n".join("%s=%s" % (name, options[name]) for name in sorted(options))
    text = "qrvl-sweep seed\n%d\n%s\n%d\n0" % (base, key, replication)
    return int.from_bytes(hashlib.sha256(text.encode()).digest()[:4], "big")


class Workspace(unittest.TestCase):
    def setUp(self):
        self.temporary = tempfile.TemporaryDirectory(prefix="qrvl-sweep-test-")
        self.root = self.temporary.name

    def tearDown(self):
        self.temporary.cleanup()

    def path(self, *names):
        return os.path.join(self.root, *names)


class OptionWords(unittest.TestCase):
    def test_option_words_are_the_simulators(self):
        with open(os.path.join(TOP, "src", "config", "option_table.cpp"), encoding="utf-8") as f:
            words = re.findall(r'^\s*\{"([A-Za-z_]+)=",', f.read(), re.M)
        self.assertEqual(len(words), 58)
        self.assertEqual(list(sweep.OPTION_WORDS), words)


class StudentT(unittest.TestCase):
    # Two-sided 95% quantiles t(0.975, df) from the standard tables.
    TABLE = {1: 12.7062047362, 2: 4.30265272975, 3: 3.18244630528, 4: 2.7764451052,
             5: 2.57058183661, 9: 2.2621571628, 10: 2.22813885196, 19: 2.09302405441,
             29: 2.04522964213, 30: 2.0422724563, 100: 1.98397151852}

    def test_table_values(self):
        for df, expected in self.TABLE.items():
            self.assertAlmostEqual(sweep.student_t_quantile(0.975, df), expected, delta=2e-9,
                                   msg="df=%d" % df)

    def test_closed_forms_and_limit(self):
        # df 1 is the Cauchy distribution; df 2 has t = (2p-1) / sqrt(2p(1-p)).
        self.assertAlmostEqual(sweep.student_t_quantile(0.9, 1), math.tan(0.4 * math.pi),
                               delta=1e-9)
        self.assertAlmostEqual(sweep.student_t_quantile(0.8, 2), 0.6 / math.sqrt(0.32),
                               delta=1e-9)
        self.assertAlmostEqual(sweep.student_t_quantile(0.975, 100000), 1.95996398454,
                               delta=1e-4)

    def test_half_width(self):
        mean, sd, half = sweep.describe([0.5, 0.6, 0.7, 0.8])
        self.assertAlmostEqual(mean, 0.65, delta=1e-12)
        self.assertAlmostEqual(sd, math.sqrt(0.05 / 3), delta=1e-12)
        self.assertAlmostEqual(half, 3.18244630528 * math.sqrt(0.05 / 3) / 2, delta=1e-9)
        mean, sd, half = sweep.describe([7.0])
        self.assertEqual(mean, 7.0)
        self.assertTrue(math.isnan(sd) and math.isnan(half))


class Seeds(Workspace):
    def plan(self, name, *args, check=0):
        return tool("plan", "-d", self.path(name), "--sim", SIM, *args, check=check)

    def seeds(self, name):
        return {(r["point"], int(r["replication"])): int(r["seed"])
                for r in read_runs(self.path(name))}

    def test_seeds_follow_the_documented_derivation(self):
        self.plan("a", "--fix", "runs=50", "--sweep", "nn=2,7", "--sweep", "fsf_fbk=class,perf",
                  "-r", "3", "--seed", "41")
        runs = read_runs(self.path("a"))
        self.assertEqual(len(runs), 12)
        for run in runs:
            options = {"runs": "50", "nn": run["nn"], "fsf_fbk": run["fsf_fbk"]}
            self.assertEqual(int(run["seed"]), expected_seed(41, options, int(run["replication"])),
                             msg=str(run))

    def test_seeds_are_stable_and_distinct(self):
        study = ("--fix", "runs=10", "--sweep", "nn=2:51", "--sweep", "fsf_fbk=class,hamm74",
                 "-r", "10", "--seed", "5")
        self.plan("a", *study)
        self.plan("b", *study)
        first, second = self.seeds("a"), self.seeds("b")
        self.assertEqual(first, second)
        self.assertEqual(len(first), 1000)
        self.assertEqual(len(set(first.values())), 1000)
        with open(self.path("a", "plan.txt")) as a, open(self.path("b", "plan.txt")) as b:
            self.assertEqual(a.read().replace(self.path("a"), ""),
                             b.read().replace(self.path("b"), ""))

    def test_other_base_seed_gives_other_seeds(self):
        self.plan("a", "--sweep", "nn=2,3", "-r", "4", "--seed", "1")
        self.plan("b", "--sweep", "nn=2,3", "-r", "4", "--seed", "2")
        self.assertFalse(set(self.seeds("a").values()) & set(self.seeds("b").values()))

    def test_more_replications_keep_the_old_seeds_and_lines(self):
        self.plan("a", "--sweep", "nn=2:5", "--fix", "runs=20", "-r", "3")
        old_seeds, old_plan = self.seeds("a"), read_plan(self.path("a"))
        self.plan("a", "--sweep", "nn=2:5", "--fix", "runs=20", "-r", "5")
        new_seeds, new_plan = self.seeds("a"), read_plan(self.path("a"))
        self.assertEqual(len(new_seeds), 20)
        for key, seed in old_seeds.items():
            self.assertEqual(new_seeds[key], seed)
        self.assertEqual(new_plan[:len(old_plan)], old_plan)

    def test_seed_depends_on_the_options_not_on_how_they_are_given(self):
        self.plan("a", "--fix", "nn=4", "--sweep", "runs=30,40", "-r", "2")
        self.plan("b", "--sweep", "nn=4", "--fix", "runs=30", "-r", "2")
        a = {(r["runs"], r["replication"]): r["seed"] for r in read_runs(self.path("a"))}
        b = {("30", r["replication"]): r["seed"] for r in read_runs(self.path("b"))}
        self.assertEqual(a[("30", "1")], b[("30", "1")])
        self.assertEqual(a[("30", "2")], b[("30", "2")])


class Plans(Workspace):
    def test_plan_contents(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100", "--fix", "fsf_type=binom",
             "--sweep", "nn=2:10:4", "--sweep", "fsf_fbk=class,hamm74", "-r", "2", check=0)
        lines, runs = read_plan(directory), read_runs(directory)
        self.assertEqual(len(lines), 12)
        combinations = set()
        for line, run in zip(lines, runs):
            program, words = simulator_words(line)
            self.assertEqual(program, SIM)
            self.assertEqual(words, ["runs=100", "fsf_type=binom", "nn=" + run["nn"],
                                     "fsf_fbk=" + run["fsf_fbk"], "seed=" + run["seed"]])
            self.assertTrue(run["output"].startswith(os.path.join(directory, "out") + os.sep))
            self.assertIn(shlex.quote(run["output"]), line)
            combinations.add((run["nn"], run["fsf_fbk"], run["replication"]))
        self.assertEqual(combinations, {(nn, fbk, r) for nn in ("2", "6", "10")
                                        for fbk in ("class", "hamm74") for r in ("1", "2")})
        # Replication-major order: the first six lines are replication 1.
        self.assertEqual([r["replication"] for r in runs], ["1"] * 6 + ["2"] * 6)
        self.assertEqual(len(set(r["output"] for r in runs)), 12)

    def test_plan_line_writes_its_output(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=200", "--sweep", "nn=3,9",
             "-r", "1", check=0)
        line, run = read_plan(directory)[1], read_runs(directory)[1]
        subprocess.run(["sh", "-c", line], check=True, timeout=120)
        with open(run["output"], "rb") as handle:
            self.assertEqual(handle.read(), direct_run(["runs=200", "nn=9", "seed=" + run["seed"]]))
        self.assertEqual([n for n in os.listdir(os.path.join(directory, "out")) if ".part" in n],
                         [])

    def test_ranges_lists_and_files(self):
        directory = self.path("study")
        with open(self.path("book.txt"), "w") as handle:
            handle.write("01\n10\n")
        tool("plan", "-d", directory, "--sim", SIM, "--sweep", "fsf_prob=0.1:0.3:0.1",
             "--sweep", "pt=0.5,0.4|0.3,0.2,0.1", "--fix", "codebook=book.txt",
             "--fix", "classes=book.txt", "-r", "1", cwd=self.root, check=0)
        runs = read_runs(directory)
        self.assertEqual(sorted(set(r["fsf_prob"] for r in runs)), ["0.1", "0.2", "0.3"])
        self.assertEqual(sorted(set(r["pt"] for r in runs)), ["0.3,0.2,0.1", "0.5,0.4"])
        _, words = simulator_words(read_plan(directory)[0])
        self.assertIn("codebook=" + self.path("book.txt"), words)

    def test_study_file_equals_command_line(self):
        with open(self.path("study.ini"), "w") as handle:
            handle.write("# feedback schemes\nreplications = 3\nseed = 9\n\n[fixed]\nruns = 50\n"
                         "fsf_type = binom\n\n[sweep]\nnn = 2, 5:20:5\nfsf_fbk = class, hamm74\n")
        tool("plan", "-d", self.path("a"), "--sim", SIM, "--study", self.path("study.ini"),
             check=0)
        tool("plan", "-d", self.path("b"), "--sim", SIM, "--fix", "runs=50", "--fix",
             "fsf_type=binom", "--sweep", "nn=2,5:20:5", "--sweep", "fsf_fbk=class,hamm74",
             "-r", "3", "--seed", "9", check=0)
        a = [line.replace(self.path("a"), "") for line in read_plan(self.path("a"))]
        b = [line.replace(self.path("b"), "") for line in read_plan(self.path("b"))]
        self.assertEqual(len(a), 5 * 2 * 3)
        self.assertEqual(a, b)


class BadStudies(Workspace):
    def rejects(self, args, *fragments, study_file=None):
        if study_file is not None:
            with open(self.path("study.ini"), "w") as handle:
                handle.write(study_file)
            args = ["--study", self.path("study.ini")] + list(args)
        status, _, err = tool("plan", "-d", self.path("s"), "--sim", SIM, *args)
        self.assertNotEqual(status, 0, msg=err)
        for fragment in fragments:
            self.assertIn(fragment, err)
        self.assertFalse(os.path.exists(self.path("s", "plan.txt")))

    def test_unknown_option_word(self):
        self.rejects(["--sweep", "nnn=2,3", "-r", "2"], "unknown option word 'nnn'", "'nn'")
        self.rejects(["--fix", "fsf_feedback=class", "-r", "2"], "'fsf_feedback'")
        self.rejects([], "unknown option word 'bogus'",
                     study_file="replications = 2\n[fixed]\nbogus = 1\n")

    def test_empty_sweeps(self):
        self.rejects(["--sweep", "nn=", "-r", "2"], "the sweep of nn has no values")
        self.rejects(["--sweep", "nn=2,,3", "-r", "2"], "empty value")
        self.rejects(["--sweep", "nn=10:2", "-r", "2"], "the range 10:2 of nn is empty")
        self.rejects(["--sweep", "nn=2:10:0", "-r", "2"], "step of 0")
        self.rejects([], "the sweep of fsf_fbk has no values",
                     study_file="replications = 2\n[sweep]\nfsf_fbk =\n")

    def test_replications_below_one(self):
        self.rejects(["--sweep", "nn=2,3", "-r", "0"], "at least 1")
        self.rejects(["--sweep", "nn=2,3", "-r", "-4"], "at least 1")
        self.rejects(["--sweep", "nn=2,3", "-r", "two"], "whole number")
        self.rejects(["--sweep", "nn=2,3"], "replications")
        self.rejects([], "at least 1", study_file="replications = 0\n[sweep]\nnn = 2\n")

    def test_other_mistakes(self):
        self.rejects(["--fix", "seed=3", "-r", "2"], "seed=")
        self.rejects(["--fix", "debug=3", "-r", "2"], "debug=3")
        self.rejects(["--fix", "nn=2", "--sweep", "nn=3,4", "-r", "2"], "nn is given twice")
        self.rejects(["--sweep", "nn=2,3,2", "-r", "2"], "twice")
        self.rejects(["--fix", "nn", "-r", "2"], "OPTION=VALUE")
        self.rejects(["-r", "2", "--seed", "4294967296"], "32 bits")
        self.rejects([], "unknown section", study_file="replications = 2\n[sweeps]\nnn = 2\n")
        self.rejects([], "unknown study setting 'replication'",
                     study_file="replication = 2\n")
        status, _, err = tool("plan", "-d", self.path("s"), "--sim", self.path("none"), "-r", "1")
        self.assertNotEqual(status, 0)
        self.assertIn("no simulator", err)


class Runs(Workspace):
    def completed_lines(self, joblog):
        done = set()
        try:
            with open(joblog) as handle:
                for line in handle:
                    fields = line.split("\t")
                    if fields[0].isdigit() and fields[6] == "0" and fields[7] == "0":
                        done.add(int(fields[0]))
        except FileNotFoundError:
            pass
        return done

    def test_run_interrupted_and_resumed(self):
        directory = self.path("study")
        slow = write_slow_simulator(self.root, 0.3)
        tool("plan", "-d", directory, "--sim", slow, "--fix", "runs=300",
             "--sweep", "nn=2,5,8", "-r", "4", check=0)
        runs = read_runs(directory)
        joblog = os.path.join(directory, "joblog")
        process = subprocess.Popen(
            [TOOL, "run", "-d", directory, "-j", "2"], stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True,
            preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
        deadline = time.monotonic() + 120
        while len(self.completed_lines(joblog)) < 3 and process.poll() is None:
            self.assertLess(time.monotonic(), deadline, "no run completed")
            time.sleep(0.05)
        os.killpg(process.pid, signal.SIGINT)
        _, err = process.communicate(timeout=120)
        self.assertNotEqual(process.returncode, 0, msg=err)
        self.assertIn(b"resumes", err)
        done = [r for r in runs if os.path.exists(r["output"])]
        self.assertGreaterEqual(len(done), 3)
        self.assertLess(len(done), len(runs))
        before = {r["output"]: os.stat(r["output"]).st_ino for r in done}

        status, _, err = tool("run", "-d", directory, "-j", "2")
        self.assertEqual(status, 0, msg=err)
        self.assertIn("12 of 12 runs done", err)
        self.assertEqual(self.completed_lines(joblog), set(range(1, 13)))
        for output, inode in before.items():
            self.assertEqual(os.stat(output).st_ino, inode, msg="%s ran again" % output)
        lines = read_plan(directory)
        for line, run in zip(lines, runs):
            _, words = simulator_words(line)
            with open(run["output"], "rb") as handle:
                self.assertEqual(handle.read(), direct_run(words), msg=run["output"])
        self.assertEqual([n for n in os.listdir(os.path.join(directory, "out")) if ".part" in n],
                         [])

    def test_added_replications_run_alone(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100", "--sweep", "nn=2,4",
             "-r", "2", check=0)
        tool("run", "-d", directory, check=0)
        before = {r["output"]: os.stat(r["output"]).st_ino for r in read_runs(directory)}
        # A new plan with more replications and another point: old outputs count as done.
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100", "--sweep", "nn=2,3,4",
             "-r", "3", check=0)
        status, _, err = tool("run", "-d", directory)
        self.assertEqual(status, 0, msg=err)
        runs = read_runs(directory)
        self.assertEqual(len(runs), 9)
        self.assertTrue(all(os.path.exists(r["output"]) for r in runs))
        for output, inode in before.items():
            self.assertEqual(os.stat(output).st_ino, inode, msg="%s ran again" % output)

    def test_outputs_made_outside_parallel_count_as_done(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100", "--sweep", "nn=2,4",
             "-r", "2", check=0)
        run = read_runs(directory)[2]
        subprocess.run(["sh", "-c", read_plan(directory)[2]], check=True, timeout=120)
        inode = os.stat(run["output"]).st_ino
        status, _, err = tool("run", "-d", directory)
        self.assertEqual(status, 0, msg=err)
        self.assertEqual(os.stat(run["output"]).st_ino, inode)
        # Outputs deleted after a run are run again.
        os.remove(run["output"])
        status, _, err = tool("run", "-d", directory)
        self.assertEqual(status, 0, msg=err)
        self.assertIn("gone", err)
        self.assertTrue(os.path.exists(run["output"]))

    def test_failing_point_is_named_and_others_kept(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100",
             "--sweep", "fsf_fbk=class,bogus,perf", "-r", "2", check=0)
        status, _, err = tool("run", "-d", directory)
        self.assertNotEqual(status, 0)
        runs = read_runs(directory)
        for run in runs:
            if run["fsf_fbk"] == "bogus":
                self.assertFalse(os.path.exists(run["output"]))
                self.assertIn("point fsf_fbk=bogus, replication %s (exit status 3)"
                              % run["replication"], err)
                self.assertIn("%s runs=100 fsf_fbk=bogus seed=%s" % (SIM, run["seed"]), err)
            else:
                self.assertTrue(os.path.exists(run["output"]), msg=run["output"])
                self.assertNotIn("fsf_fbk=%s seed=%s" % (run["fsf_fbk"], run["seed"]), err)
        self.assertIn("4 of 6 runs done, 2 failed", err)
        status, _, err = tool("gather", "-d", directory)
        self.assertNotEqual(status, 0)
        self.assertEqual(err.count("missing (point fsf_fbk=bogus"), 2)
        rows = read_csv(os.path.join(directory, "summary.csv"))
        self.assertEqual([row["fsf_fbk"] for row in rows], ["class", "perf"])

    def test_sshloginfile_passes_through(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=50", "--sweep", "nn=2,3",
             "-r", "1", check=0)
        status, _, err = tool("run", "-d", directory, "--sshloginfile", self.path("no-such-file"))
        self.assertNotEqual(status, 0)
        self.assertIn("no-such-file", err)
        with open(self.path("hosts"), "w") as handle:
            handle.write(":\n")  # the local machine, without ssh
        status, _, err = tool("run", "-d", directory, "--sshloginfile", self.path("hosts"))
        self.assertEqual(status, 0, msg=err)
        self.assertTrue(all(os.path.exists(r["output"]) for r in read_runs(directory)))


class Slurm(Workspace):
    def test_array_script_runs_one_line(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100", "--sweep", "nn=2:4",
             "-r", "2", check=0)
        status, _, err = tool("slurm", "-d", directory, "--sbatch=--time=00:05:00",
                              "--throttle", "3")
        self.assertEqual(status, 0, msg=err)
        script = os.path.join(directory, "slurm.sh")
        with open(script) as handle:
            text = handle.read()
        self.assertIn("#SBATCH --array=1-6%3\n", text)
        self.assertIn("#SBATCH --time=00:05:00\n", text)
        runs = read_runs(directory)

        def task(number):
            environment = dict(os.environ, SLURM_ARRAY_TASK_ID=str(number))
            return subprocess.run(["bash", script], env=environment, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, universal_newlines=True, timeout=120)

        result = task(4)
        self.assertEqual(result.returncode, 0, msg=result.stderr)
        for index, run in enumerate(runs, 1):
            self.assertEqual(os.path.exists(run["output"]), index == 4, msg=run["output"])
        _, words = simulator_words(read_plan(directory)[3])
        with open(runs[3]["output"], "rb") as handle:
            self.assertEqual(handle.read(), direct_run(words))
        result = task(4)
        self.assertEqual(result.returncode, 0)
        self.assertIn("already there", result.stdout)
        result = task(7)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("no line 7", result.stderr)
        environment = dict(os.environ)
        environment.pop("SLURM_ARRAY_TASK_ID", None)
        result = subprocess.run(["bash", script], env=environment, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, universal_newlines=True, timeout=60)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("SLURM_ARRAY_TASK_ID", result.stderr)


def summary_fields(values):
    """The 38 summary values of a made-up run, with the given figures."""
    base = dict(zip(COLUMNS, "1000 6000000 8184 0 1.6e-05 2.4e-05 8e-06 2 1 6 3 0 970 3 0.97 0.03 "
                             "0.85 0.016 0.016 0.0016 0.097 0.903 0.085 1.55 10 100 0 5.1e+06 "
                             "5.1e+06 1 0.1 0.75 -99 -52 -62 -82 625 62.5".split()))
    base.update({name: repr(value) for name, value in values.items()})
    return [base[name] for name in COLUMNS]


NODE_TABLE = "nn, ns, nf, node, successes, Ps, Pt, pdf\n2, 3, 6, 1, 5, 0.5, 0.5, 0.5\n" \
             "2, 3, 6, 2, 5, 0.5, 0.5, 0.5\n"
ROUND_TABLES = "nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n2, 3, 6, 0.5, 0, 6, 0.6, 0.6\n" \
               "2, 3, 6, nan, 3, 4, 0.4, 1\ntxwait, prob, num\n   0, 0, 0\n   1, 1, 8\n"
PER_ROUND = ", 0.5, 0.5, 0.5, 0, 0, 0, 1, 1, 1"
HEADER = ", ".join(COLUMNS) + "".join(", %s[%d]" % (n, i) for n in ("pt", "tau", "pn")
                                      for i in range(3))


def output_text(values, style):
    """A run's standard output in one of the forms the debug levels and tables give."""
    line = ", ".join(summary_fields(values))
    if style == "debug2":
        return HEADER + "\n" + line + PER_ROUND + "\n"
    if style == "debug0-tables":
        return NODE_TABLE + line + PER_ROUND + "\n" + ROUND_TABLES
    if style == "debug-1":
        return line + "\n"
    if style == "debug1-tables":
        return NODE_TABLE + HEADER + "\n" + line + PER_ROUND + "\n" + ROUND_TABLES
    raise ValueError(style)


class Gather(Workspace):
    STYLES = ("debug2", "debug0-tables", "debug-1", "debug1-tables")
    VALUES = {
        "2": [{"Ps": 0.5, "S": 0.1, "D": 1.0, "T": 1e6, "pps": 100.0},
              {"Ps": 0.6, "S": 0.1, "D": 2.0, "T": 2e6, "pps": 100.0},
              {"Ps": 0.7, "S": 0.1, "D": 3.0, "T": 3e6, "pps": 100.0},
              {"Ps": 0.8, "S": 0.1, "D": 4.0, "T": 6e6, "pps": 104.0}],
        "3": [{"Ps": 0.9, "S": 0.8, "D": 0.25, "T": 5e6, "pps": 600.0},
              {"Ps": 0.9, "S": 0.82, "D": 0.5, "T": 5e6, "pps": 600.0},
              {"Ps": 0.9, "S": 0.9, "D": 0.75, "T": 5e6, "pps": 601.0},
              {"Ps": 0.9, "S": 0.84, "D": 0.5, "T": 5e6, "pps": 603.0}],
    }

    def make_study(self, name="study", replications=4):
        directory = self.path(name)
        tool("plan", "-d", directory, "--sim", SIM, "--sweep", "nn=2,3",
             "-r", str(replications), check=0)
        runs = read_runs(directory)
        for run in runs:
            replication = int(run["replication"])
            with open(run["output"], "w") as handle:
                handle.write(output_text(self.VALUES[run["nn"]][replication - 1],
                                         self.STYLES[replication - 1]))
        return directory, runs

    def test_means_and_half_widths_by_hand(self):
        directory, _ = self.make_study()
        status, _, err = tool("gather", "-d", directory)
        self.assertEqual(status, 0, msg=err)
        rows = read_csv(os.path.join(directory, "summary.csv"))
        self.assertEqual([row["nn"] for row in rows], ["2", "3"])
        t3 = 3.18244630528  # t(0.975, 3): four replications
        expected = {
            ("2", "Ps"): (0.65, math.sqrt(0.05 / 3)),
            ("2", "S"): (0.1, 0.0),
            ("2", "D"): (2.5, math.sqrt(5.0 / 3)),
            ("2", "T"): (3e6, math.sqrt(14.0 / 3) * 1e6),
            ("2", "pps"): (101.0, 2.0),
            ("3", "Ps"): (0.9, 0.0),
            ("3", "S"): (0.84, math.sqrt(0.0056 / 3)),
            ("3", "D"): (0.5, math.sqrt(0.125 / 3)),
            ("3", "T"): (5e6, 0.0),
            ("3", "pps"): (601.0, math.sqrt(6.0 / 3)),
        }
        for row in rows:
            self.assertEqual(row["replications"], "4")
            for figure in ("Ps", "S", "D", "T", "pps"):
                mean, sd = expected[(row["nn"], figure)]
                what = "nn=%s %s" % (row["nn"], figure)
                self.assertAlmostEqual(float(row[figure + "_mean"]), mean,
                                       delta=1e-9 * max(1.0, abs(mean)), msg=what)
                self.assertAlmostEqual(float(row[figure + "_sd"]), sd,
                                       delta=1e-9 * max(1.0, sd), msg=what)
                self.assertAlmostEqual(float(row[figure + "_ci95"]), t3 * sd / 2.0,
                                       delta=1e-8 * max(1.0, sd), msg=what)

    def test_three_replications_and_chosen_figures(self):
        directory, _ = self.make_study(replications=3)
        tool("gather", "-d", directory, "--figures", "S,nn_succ", "-o", self.path("s.csv"),
             check=0)
        rows = read_csv(self.path("s.csv"))
        self.assertEqual(list(rows[0]), ["nn", "replications", "S_mean", "S_sd", "S_ci95",
                                         "nn_succ_mean", "nn_succ_sd", "nn_succ_ci95"])
        row = rows[1]
        sd = math.sqrt(0.0028)  # S = 0.8, 0.82, 0.9
        self.assertAlmostEqual(float(row["S_mean"]), 0.84, delta=1e-12)
        self.assertAlmostEqual(float(row["S_ci95"]), 4.30265272975 * sd / math.sqrt(3),
                               delta=1e-9)
        self.assertEqual(float(row["nn_succ_mean"]), 10.0)
        status, _, err = tool("gather", "-d", directory, "--figures", "Ps,Bogus")
        self.assertNotEqual(status, 0)
        self.assertIn("Bogus", err)

    def test_missing_and_malformed_outputs_are_named(self):
        directory, runs = self.make_study()
        line = ", ".join(summary_fields({}))
        broken = {
            "missing": None,
            "malformed: a summary line of 20 fields under a header of 47":
                HEADER + "\n" + ", ".join(line.split(", ")[:20]) + "\n",
            "malformed: a summary header and no summary line": HEADER + "\n",
            "malformed: a summary line with the non-numeric field 'abc'":
                line.replace("0.97", "abc") + "\n",
            "malformed: 2 lines that look like summary lines": line + "\n" + line + "\n",
            "malformed: no summary line": NODE_TABLE,
        }
        victims = [r for r in runs if r["nn"] == "3"] + [r for r in runs if r["nn"] == "2"][:2]
        for (problem, text), run in zip(broken.items(), victims):
            if text is None:
                os.remove(run["output"])
            else:
                with open(run["output"], "w") as handle:
                    handle.write(text)
        status, _, err = tool("gather", "-d", directory)
        self.assertNotEqual(status, 0)
        for (problem, _), run in zip(broken.items(), victims):
            self.assertIn("%s: %s" % (run["output"], problem), err)
            self.assertIn("(point nn=%s, replication %s)" % (run["nn"], run["replication"]), err)
        self.assertIn("6 of 8 runs have no usable output", err)
        self.assertEqual(read_csv(os.path.join(directory, "summary.csv")), [])
        # With --partial the points are averaged over the usable runs, and say how many.
        status, _, err = tool("gather", "-d", directory, "--partial")
        self.assertEqual(status, 0, msg=err)
        self.assertIn("missing", err)
        rows = read_csv(os.path.join(directory, "summary.csv"))
        self.assertEqual([(r["nn"], r["replications"]) for r in rows], [("2", "2")])
        self.assertAlmostEqual(float(rows[0]["Ps_mean"]), 0.75, delta=1e-12)

    def test_real_outputs_at_every_debug_level(self):
        plain = direct_run(["nn=7", "runs=500", "seed=11", "debug=-1"]).decode()
        expected = [float(f) for f in plain.strip().split(", ")]
        self.assertEqual(len(expected), 38)
        for extra in ([], ["pdf_nodes=1", "pdf_slots=1", "pdf_tx_wait=1"]):
            for level in ("2", "1", "0", "-1", "-2"):
                text = direct_run(["nn=7", "runs=500", "seed=11", "debug=" + level] + extra)
                summary = sweep.read_summary(text.decode())
                self.assertEqual([summary[c] for c in COLUMNS], expected,
                                 msg="debug=%s %s" % (level, extra))


class Plot(Workspace):
    def test_png_and_svg(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=200",
             "--sweep", "nn=2,6,10", "--sweep", "fsf_fbk=class,hamm74", "-r", "3", check=0)
        tool("run", "-d", directory, check=0)
        tool("gather", "-d", directory, check=0)
        status, _, err = tool("plot", "-d", directory, "--x", "nn", "--by", "fsf_fbk", "--y", "S")
        self.assertEqual(status, 0, msg=err)
        base = os.path.join(directory, "plots", "S-vs-nn-by-fsf_fbk")
        with open(base + ".png", "rb") as handle:
            png = handle.read()
        self.assertTrue(png.startswith(b"\x89PNG\r\n\x1a\n"))
        self.assertGreater(len(png), 2000)
        with open(base + ".svg", encoding="utf-8") as handle:
            self.assertIn("<svg", handle.read())
        # Two lines of three points each, with their half-widths.
        with open(base + ".dat") as handle:
            blocks = [b for b in handle.read().split("\n\n\n") if b.strip()]
        self.assertEqual(len(blocks), 2)
        self.assertEqual([len(b.strip().splitlines()) for b in blocks], [4, 4])

    def test_plot_mistakes(self):
        directory = self.path("study")
        tool("plan", "-d", directory, "--sim", SIM, "--fix", "runs=100",
             "--sweep", "nn=2,4", "--sweep", "fsf_fbk=class,perf", "-r", "2", check=0)
        status, _, err = tool("plot", "-d", directory, "--x", "nn")
        self.assertNotEqual(status, 0)
        self.assertIn("gather", err)
        tool("run", "-d", directory, check=0)
        tool("gather", "-d", directory, check=0)
        status, _, err = tool("plot", "-d", directory, "--x", "runs")
        self.assertNotEqual(status, 0)
        self.assertIn("runs is not a swept option", err)
        status, _, err = tool("plot", "-d", directory, "--x", "nn")
        self.assertNotEqual(status, 0)
        self.assertIn("fsf_fbk takes 2 values", err)
        status, _, err = tool("plot", "-d", directory, "--x", "nn", "--where", "fsf_fbk=perf",
                              "-o", self.path("one"))
        self.assertEqual(status, 0, msg=err)
        self.assertGreater(os.path.getsize(self.path("one.png")), 0)


if __name__ == "__main__":
    unittest.main()
