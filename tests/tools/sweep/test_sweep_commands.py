"""The tool as a researcher uses it: plans refused before anything runs, real studies run,
resumed, gathered and plotted, failed runs named and run again, provenance, the lock, signals
and text that must not reach a shell or gnuplot as code."""

import csv
import hashlib
import os
import shlex
import signal
import subprocess
import time
from pathlib import Path

import pytest
from conftest import COMMAND, SIM, plan, rows, runs, sim_output, tool, wrapper

from qrvl_sweep.directory import study_dir
from qrvl_sweep.lock import StudyLock

pytestmark = pytest.mark.e2e


def words(line):
    """The simulator command of a plan line, without the redirections."""
    return shlex.split(line.split(" >", 1)[0])


REFUSED_PLANS = [
    (["--fix", "runs=1e5"], "runs=1e5: not a whole decimal number: the simulator would read it "
                            "as 1 and would run 1 session; write 100000"),
    (["--sweep", "nn=1:3:1.5"], "plans nn=2.5, and nn takes whole numbers"),
    (["--sweep", "pdf_rounds=0,1"], "did you mean 'pdf_slots'?"),
    (["--fix", "adaptive=1", "--sweep", "ad_size=0,5"], "ad_size=0: must be at least 1 when "
                                                        "adaptive is on"),
    (["-r", "100000000"], "give --max-runs 100000000"),
    (["-r", "9" * 5000], "more than 1000000; give --max-runs"),
    (["--sweep", "nn=1:1001", "--sweep", "nf=1:1000"], "1001000 runs (1001000 points x 1 "
                                                        "replications), more than 1000000"),
    (["--sweep", "nn=1:20", "--max-runs", "10"], "more values than the 10 runs"),
    (["--fix", "seed=5"], "seed= is set by"),
    (["--fix", "ad_runs=1:2\ntouch injected"], "control character"),
    (["--sim", "/bin/tr\nue"], "control character"),
    (["--sim", "/bin/true"], "did not describe the simulator"),
]


@pytest.mark.parametrize("args,message", REFUSED_PLANS)
def test_refused_plans_leave_nothing(tmp_path, args, message):
    result = tool("plan", "-d", tmp_path / "study", "--sim", SIM, "-r", "1", *args, status=2,
                  cwd=tmp_path)
    assert message in result.stderr
    assert "Traceback" not in result.stderr
    assert sorted(os.listdir(tmp_path)) == []


def test_a_refused_study_file_names_its_line(tmp_path):
    tmp_path.joinpath("s.study").write_text("replications = 1\n[fixed]\nruns = 1e5\n")
    result = plan(tmp_path / "study", "--study", tmp_path / "s.study", status=2)
    assert "s.study:3: runs=1e5" in result.stderr and not (tmp_path / "study").exists()


@pytest.mark.parametrize("make,command,message", [
    (lambda d: d.joinpath("study").write_text("x"), ["gather"], "is not a directory"),
    (lambda d: d.joinpath("study").mkdir(), ["run"], "holds no planned study"),
    (lambda d: d.joinpath("study").mkdir() or d.joinpath("study", "study.json").write_text(
        '{"format": 2, "seed": 1}'), ["gather"], "plan the study again"),
    (lambda d: d.joinpath("study").mkdir() or d.joinpath("study", "study.json").write_bytes(
        b"\xff\xfe{"), ["run"], "cannot read"),
    (lambda d: None, ["plot", "--x", "nn", "--title", "a\nb"], "control character"),
    (lambda d: None, ["slurm", "--sbatch=--time=1\n#x"], "control character"),
])
def test_unusable_directories_and_arguments(tmp_path, make, command, message):
    make(tmp_path)
    result = tool(command[0], "-d", tmp_path / "study", *command[1:], status=2)
    assert message in result.stderr and "Traceback" not in result.stderr


@pytest.mark.parametrize("args,message", [
    (["run", "-d", "s", "--untill", "Ps_ci95<1"], "unrecognized arguments: --untill Ps_ci95<1; "
                                                  "did you mean --until?"),
    (["gahter", "-d", "s"], "did you mean 'gather'?"),
    (["plot", "--csv", "t.csv", "--x", "nodes"], "has no column nodes (did you mean nn?)"),
    (["plot", "--csv", "t.csv", "--x", "nn", "--y", "Pss"], "(did you mean --y Ps?)"),
    (["plot", "--csv", "t.csv", "--x", "nn", "--where", "fsf_fbk=class"], "(did you mean fbk?)"),
    (["plan", "-d", "s", "--sim", SIM, "-r", "1", "--fix", "fsf_type=bin"], "did you mean binom?"),
    (["run", "-d", "s", "-j", "-1"], "must be a whole number (0: as many as GNU parallel"),
])
def test_names_refused_with_the_name_meant(tmp_path, args, message):
    (tmp_path / "t.csv").write_text("nn,fbk,Ps_mean\n2,class,0.5\n")
    if args[0] == "run":
        plan(tmp_path / "s", "-r", "1")
    result = tool(*args, status=2, cwd=tmp_path)
    assert message in result.stdout + result.stderr and "Traceback" not in result.stderr


def test_a_study_planned_run_resumed_and_gathered(tmp_path):
    study = tmp_path / "study"
    study_file = tmp_path / "nn.study"
    study_file.write_bytes(b"\xef\xbb\xbfreplications = 2\nseed = 2024\n[fixed]\nruns = 200\n"
                     b"fsf_type = binom\nfsf_prob = 0.20\n[sweep]\nfsf_fbk = class, hamm74\n"
                     b"nn = 2, 02, 5:10:5\n")
    assert "planned 12 runs (6 points x 2 replications)" in plan(study, "--study", study_file).stderr
    planned = runs(study)
    lines = Path(study, "plan.txt").read_text().splitlines()
    for r, line in zip(planned, lines):
        assert words(line) == [SIM, "runs=200", "fsf_type=binom", "fsf_prob=0.2",
                               "fsf_fbk=" + r["fsf_fbk"], "nn=" + r["nn"], "seed=" + r["seed"]]
    Path(planned[0]["output"]).write_text("")          # an empty output is not done
    assert "12 of 12 runs done" in tool("run", "-d", study).stderr
    for r, line in zip(planned, lines):
        assert Path(r["output"]).read_bytes() == sim_output(*words(line)[1:])
    assert "--retry-failed changes nothing" in tool("run", "-d", study, "--retry-failed").stderr
    # A lost output runs again, here through --sshloginfile (":" is this host).
    os.remove(planned[5]["output"])
    assert "no file" in tool("run", "-d", study, "--sshloginfile", tmp_path / "none",
                             status=2).stderr
    (tmp_path / "hosts").write_text(":\n")
    assert "12 of 12 runs done" in tool("run", "-d", study, "--sshloginfile",
                                        tmp_path / "hosts").stderr
    # Provenance: the simulator in study.json, one record per run.
    import json
    described = json.loads(Path(study, "study.json").read_text())["simulator"]
    assert described["sha256"] == hashlib.sha256(Path(SIM).read_bytes()).hexdigest()
    assert described["path"] == SIM and described["version"].startswith("qrvl_sim ")
    records = rows(Path(study, "finished.tsv"), "\t")
    assert sorted(r["seed"] for r in records) == sorted([r["seed"] for r in planned] +
                                                        [planned[5]["seed"]])
    for record in records:
        assert record["status"] == "0" and record["host"] and record["start"].endswith("Z")
        assert float(record["seconds"]) >= 0 and record["sha256"] == described["sha256"]
        assert record["command"] in lines
    tool("gather", "-d", study, "--runs-csv", tmp_path / "runs.csv")
    summary = rows(Path(study, "summary.csv"))
    assert [(r["fsf_fbk"], r["nn"], r["replications"]) for r in summary] == [
        (fbk, nn, "2") for fbk in ("class", "hamm74") for nn in ("2", "5", "10")]
    per_run = list(csv.DictReader(open(tmp_path / "runs.csv")))
    assert {r["version"] for r in per_run} == {described["version"]}
    for point in summary:
        values = [float(r["Ps"]) for r in per_run
                  if (r["fsf_fbk"], r["nn"]) == (point["fsf_fbk"], point["nn"])]
        assert float(point["Ps_mean"]) == pytest.approx(sum(values) / 2, rel=1e-9)
    # More replications keep the old lines and run only the new ones.
    plan(study, "--study", study_file, "-r", "3")
    assert Path(study, "plan.txt").read_text().splitlines()[:12] == lines
    assert "18 of 18 runs done" in tool("run", "-d", study).stderr
    assert len(rows(Path(study, "finished.tsv"), "\t")) == 19


def test_failed_and_empty_runs_named_and_run_again(tmp_path):
    broken = tmp_path / "broken"
    sim = wrapper(tmp_path / "sim", 'case "$*" in *nn=3*) if [ -e %s ]; then exit 0; fi;; '
                  '*nn=4*) if [ -e %s ]; then echo "cannot write" >&2; exit 6; fi;; esac\n'
                  'exec "$SIM" "$@"' % (broken, broken))
    study = tmp_path / "study"
    plan(study, "--fix", "runs=50", "--sweep", "nn=2:4", "-r", "2", sim=sim)
    broken.write_text("")
    result = tool("run", "-d", study, status=1)
    for r in runs(study):
        bad = r["nn"] in ("3", "4")
        assert Path(r["output"]).exists() == (r["nn"] != "4")
        mention = "point nn=%s, replication %s" % (r["nn"], r["replication"])
        assert (mention in result.stderr) == bad
        assert ("%s runs=50 nn=%s seed=%s" % (sim, r["nn"], r["seed"]) in result.stderr) == bad
    assert "ended with status 0, but its output" in result.stderr and " is empty" in result.stderr
    assert "failed (exit status 6)" in result.stderr and "| cannot write" in result.stderr
    assert "2 of 6 runs done, 4 failed" in result.stderr
    gathered = tool("gather", "-d", study, status=1).stderr
    assert gathered.count(": empty (point nn=3") == 2 and gathered.count(": missing") == 2
    assert [r["nn"] for r in rows(Path(study, "summary.csv"))] == ["2"]
    broken.unlink()
    assert "6 of 6 runs done" in tool("run", "-d", study).stderr
    records = rows(Path(study, "finished.tsv"), "\t")
    assert len(records) == 10 and [r["status"] for r in records[-4:]] == ["0"] * 4


def test_a_changed_simulator_is_refused_unless_mixed(tmp_path):
    sim = wrapper(tmp_path / "sim", 'exec "$SIM" "$@"')
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2,3", "-r", "2", sim=sim)
    tool("run", "-d", study)
    planned_sha = hashlib.sha256(Path(sim).read_bytes()).hexdigest()
    with open(sim, "a") as handle:
        handle.write("# rebuilt\n")
    new_sha = hashlib.sha256(Path(sim).read_bytes()).hexdigest()
    first = runs(study)[0]["output"]
    os.remove(first)
    refused = tool("run", "-d", study, status=2).stderr
    assert planned_sha in refused and new_sha in refused and not os.path.exists(first)
    assert new_sha in plan(study, "--fix", "runs=20", "--sweep", "nn=2,3", "-r", "2",
                           sim=sim, status=2).stderr
    tool("run", "-d", study, "--allow-mixed")
    records = rows(Path(study, "finished.tsv"), "\t")
    assert [r["sha256"] for r in records] == [planned_sha] * 4 + [new_sha]
    # One version line, two binaries: the point nn=2 says so.
    assert "1 points mix runs of several simulator binaries" in tool("gather", "-d",
                                                                    study).stderr
    versions = [r["version"] for r in rows(study / "summary.csv")]
    assert versions[0].endswith(" (2 binaries)") and "binaries" not in versions[1]


def test_injection_attempts_leave_no_file(tmp_path):
    study = tmp_path / "a'b;$(touch made-by-dir) `touch made-by-tick`"
    plan(study, "--fix", "runs=20", "--sweep",
         "ad_runs=1:2;touch made-by-value|$(touch made-by-subst)", "-r", "1")
    tool("run", "-d", study, status=None, cwd=tmp_path)
    tool("gather", "-d", study, "--partial", status=None, cwd=tmp_path)
    tool("plot", "-d", study, "--x", "ad_runs", "--title",
         "x' noenhanced; system('touch made-by-gnuplot'); set title 'y", status=None, cwd=tmp_path)
    for title in ("x\n!touch made-by-bang", "x'\nsystem('touch made-by-system')"):
        assert "control character" in tool("plot", "-d", study, "--x", "ad_runs", "--title",
                                           title, status=2, cwd=tmp_path).stderr
    tool("plan", "-d", tmp_path / "x\ntouch made-by-newline\n", "--sim", SIM, "-r", "1",
         status=2, cwd=tmp_path)
    made = [str(p) for p in tmp_path.rglob("made-by-*")] + [
        str(p) for p in Path.cwd().glob("made-by-*")]
    assert made == []
    assert sorted(os.listdir(tmp_path)) == [study.name]


def test_a_second_run_is_told_who_holds_the_study(tmp_path):
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "-r", "2")
    with StudyLock(study_dir(str(study)), "a test holding the study"):
        for command in (["run"], ["plan", "--sim", SIM, "-r", "3"]):
            err = tool(command[0], "-d", study, *command[1:], status=1).stderr
            assert "is in use by a test holding the study (pid %d on " % os.getpid() in err
        assert not any(Path(study, "out").iterdir())
    assert "2 of 2 runs done" in tool("run", "-d", study).stderr


def processes_naming(text):
    """The processes whose command line holds text."""
    found = []
    for name in os.listdir("/proc"):
        try:
            if name.isdigit() and text.encode() in Path("/proc", name, "cmdline").read_bytes():
                found.append(int(name))
        except OSError:
            pass
    return found


@pytest.mark.parametrize("number", [signal.SIGTERM, signal.SIGINT, signal.SIGHUP])
def test_a_signal_stops_parallel_and_its_jobs(tmp_path, number):
    slow = tmp_path / "slow"
    slow.write_text("")
    sim = wrapper(tmp_path / "sim", 'if [ -e %s ]; then sleep 60; fi\nexec "$SIM" "$@"' % slow)
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2:7", "-r", "1", sim=sim)
    process = subprocess.Popen([*COMMAND, "run", "-d", study, "-j", "2", "--until", "Ps_ci95<1",
                                "--max-replications", "10"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while len(list(Path(study, "out").glob("*.part*"))) < 2 and time.monotonic() < deadline:
        time.sleep(0.05)
    process.send_signal(number)
    err = process.communicate(timeout=60)[1]
    assert process.returncode == 128 + number, err
    assert "'qrvl-sweep run -d %s -j 2 --max-replications 10 --until 'Ps_ci95<1'' resumes " \
        "the study" % study in err
    assert processes_naming(str(study)) == []
    slow.unlink()
    assert "6 of 6 runs done" in tool("run", "-d", study).stderr
    assert not list(Path(study, "out").glob("*.part*"))
