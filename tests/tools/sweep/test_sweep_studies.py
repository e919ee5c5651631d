"""Studies run for real: precision targets, gathered tables (long, SQLite, load) with every
option as a column, Slurm tasks of several runs, status and show on a half-finished study, and
plots of several figures and of any gathered CSV."""

import csv
import math
import os
import shlex
import statistics
import sqlite3
import subprocess
import sys
import warnings
from pathlib import Path

import pytest
from conftest import DESCRIBE, SIM, plan, rows, runs, sim_output, slurm_task, tool, wrapper

import qrvl_sweep

pytestmark = pytest.mark.e2e


def test_precision_run_by_the_two_stage_rule(tmp_path):
    # One node sending in every round always succeeds (Ps = 1, no spread to tell); sending with
    # probability 0.5 it fails now and then.
    study = tmp_path / "study"
    args = ["--fix", "runs=200", "--fix", "nn=1", "--sweep", "pt=1,1,1|0.5,0.5,0.5", "--seed",
            "5"]
    plan(study, *args, "-r", "3")
    for extra, message in ((["--batch", "2"], "go with --until"),
                           (["--until", "Ps_ci95<1", "--max-replications", "2"], "below the 3"),
                           (["--until", "Ps_ci95<1", "--max-replications", "9"],
                            "below the first stage of 10"),
                           (["--until", "Ps_ci95<1", "--max-replications", "9",
                             "--min-replications", "1"], "at least 2"),
                           (["--until", "diff(pt=0.3).Ps_ci95<1", "--max-replications", "12",
                             "--min-replications", "4"], "pt has no level 0.3")):
        assert message in tool("run", "-d", study, *extra, status=2).stderr
    err = tool("run", "-d", study, "--until", "Ps_ci95<0.05", "--until", "Ps_rel95<0.5",
               "--max-replications", "12", "--batch", "2", "--min-replications", "4").stderr
    assert "1 of 2 points meet Ps_ci95<0.05 and Ps_rel95<0.5" in err
    tool("gather", "-d", study, "--runs-csv", tmp_path / "runs.csv")
    summary = {row["pt"]: row for row in csv.DictReader(open(study / "summary.csv"))}
    assert summary["1,1,1"]["replications"] == "12" and summary["1,1,1"]["first_stage"] == ""
    assert summary["1,1,1"]["target"] == "not met: Ps_ci95<0.05, Ps_rel95<0.5"
    varying = [float(r["Ps"]) for r in csv.DictReader(open(tmp_path / "runs.csv"))
               if r["pt"] == "0.5,0.5,0.5"]
    s0 = statistics.stdev(varying[:4])
    needed = next(n for n in range(4, 13, 2) if 3.18244630528 * s0 / math.sqrt(n) < 0.05 or
                  n == 12)
    row = summary["0.5,0.5,0.5"]
    assert (row["target"], row["first_stage"], row["replications"]) == ("met", "4", str(needed))
    assert float(row["Ps_ci95"]) == pytest.approx(3.18244630528 * s0 / math.sqrt(needed))
    # The same seeds as a study planned with 12 replications.
    again = tmp_path / "again"
    plan(again, *args, "-r", "12")
    planned12 = {(r["pt"], r["replication"]): r["seed"] for r in runs(again)}
    assert all(planned12[(r["pt"], r["replication"])] == r["seed"] for r in runs(study))


@pytest.fixture(scope="module")
def paired(tmp_path_factory):
    """A small paired study, run and gathered."""
    top = tmp_path_factory.mktemp("paired")
    study = top / "paired"
    plan(study, "--fix", "runs=30", "--fix", "nf=8", "--sweep", "nn=3,6", "--sweep",
         "fsf_fbk=class,perf", "--fix", "fsf_type=binom", "--common-seeds", "fsf_fbk", "-r", "3")
    tool("run", "-d", study)
    return top, study


def no_repeats(names):
    folded = [name.lower() for name in names]
    return len(set(folded)) == len(folded)


def test_every_table_names_each_option_once(paired):
    top, study = paired
    tool("gather", "-d", study, "--runs-csv", top / "runs.csv", "--figures", "all")
    tool("gather", "-d", study, "--format", "long", "--figures", "Ps,D")
    per_run = list(csv.DictReader(open(top / "runs.csv")))
    long = list(csv.DictReader(open(study / "long.csv")))
    summary = list(csv.reader(open(study / "summary.csv")))
    for header in (list(per_run[0]), list(long[0]), summary[0]):
        assert no_repeats(header)
        assert {"nn", "fsf_fbk", "runs", "nf", "fsf_type", "version"} <= set(header)
    assert {"replication", "seed", "nn_out", "runs_out"} <= set(per_run[0])
    assert {(r["rng"], r["threads"]) for r in per_run} == {("mt", "1")}
    assert len(long) == 2 * len(per_run) == 2 * 12
    for row in long:
        [match] = [r for r in per_run if (r["seed"], r["fsf_fbk"]) == (row["seed"],
                                                                       row["fsf_fbk"])]
        figure = row["figure"]
        expected = "nan" if figure == "D" and match["nn_succ"] == "0" else match[figure]
        assert (row["value"], row["nn"], row["runs"]) == (expected, match["nn"], "30")


def test_sqlite_holds_runs_points_and_differences_of_several_studies(paired):
    top, study = paired
    other = top / "other"
    plan(other, "--fix", "runs=30", "--sweep", "nn=3", "--zip", "centr=0|centr=1",
         "--label", "mode=basic,central", "-r", "2")
    tool("run", "-d", other)
    database = top / "all.db"
    tool("gather", "-d", study, "--sqlite", database, "--diff-vs", "fsf_fbk=class",
         "-o", top / "diff.csv")
    tool("gather", "-d", other, "--sqlite", database, "--study-name", "modes")
    tool("gather", "-d", study, "--sqlite", database)       # again: replaces its own rows
    with sqlite3.connect(database) as db:
        counts = dict(db.execute("SELECT study, COUNT(*) FROM runs GROUP BY study"))
        assert counts == {"paired": 12, "modes": 4}
        seeds = list(db.execute("SELECT study, COUNT(DISTINCT seed) FROM runs "
                                "GROUP BY study, nn, replication"))
        assert {count for study_name, count in seeds if study_name == "paired"} == {1}
        assert {count for study_name, count in seeds if study_name == "modes"} == {2}
        columns = [row[1] for row in db.execute("PRAGMA table_info(runs)")]
        assert no_repeats(columns)
        assert {"nn", "fsf_fbk", "centr", "mode", "replication", "seed", "version", "host",
                "seconds", "Ps", "nn_out", "pps_node", "rssi_eager_gains"} <= set(columns)
        # Every option with its value, given or built in, across both studies.
        assert set(db.execute("SELECT study, fsf_fbk, centr, nf FROM runs WHERE nn = 3")) == {
            ("paired", "class", 0, 8), ("paired", "perf", 0, 8), ("modes", "class", 0, 6),
            ("modes", "class", 1, 6)}
        per_run = list(db.execute("SELECT fsf_fbk, nn, replication, Ps FROM runs "
                                  "WHERE study = 'paired'"))
        points = dict(((f, n), m) for f, n, m in db.execute(
            "SELECT fsf_fbk, nn, Ps_mean FROM points WHERE study = 'paired'"))
        for key, mean in points.items():
            values = [ps for f, n, _, ps in per_run if (f, n) == key]
            assert mean == pytest.approx(sum(values) / 3)
        diffs = list(db.execute("SELECT nn, fsf_fbk, vs, replications, Ps_mean FROM diffs"))
        assert [row[:4] for row in sorted(diffs)] == [(3, "perf", "fsf_fbk=class", 3),
                                                     (6, "perf", "fsf_fbk=class", 3)]
        for nn, _, _, _, mean in diffs:
            by_rep = {(f, r): ps for f, n, r, ps in per_run if n == nn}
            assert mean == pytest.approx(sum(by_rep["perf", r] - by_rep["class", r]
                                             for r in (1, 2, 3)) / 3)
        indexes = [row[1] for row in db.execute("PRAGMA index_list(runs)")]
        assert "runs_by_study_nn_fsf_fbk" in indexes and "runs_by_study_nn_mode" in indexes
        assert [row[0] for row in db.execute("SELECT study FROM studies ORDER BY study")] == [
            "modes", "paired"]
    diff = list(csv.DictReader(open(top / "diff.csv")))
    assert [(r["nn"], r["fsf_fbk"], r["vs"]) for r in diff] == [
        ("3", "perf", "fsf_fbk=class"), ("6", "perf", "fsf_fbk=class")]


@pytest.mark.parametrize("args,message", [
    (["--diff-vs", "runs=30"], "runs is not a factor of the study (its factors: nn, fsf_fbk)"),
    (["--diff-vs", "fsf_fbk=hamm74"], "fsf_fbk has no level hamm74"),
    (["--diff-vs", "nn=3", "--format", "long"], "does not go with --format long"),
    (["--sqlite", "/nonexistent/x.db"], "cannot open the database"),
    (["--sqlite", "{top}/text.db"], "cannot write the database"),
    (["--figures", "Ps,Qs"], "unknown column 'Qs'"),
])
def test_refused_gathers(paired, args, message):
    top, study = paired
    Path(top, "text.db").write_text("not a database, but long enough to be read as one " * 4)
    result = tool("gather", "-d", study, *[a.format(top=top) for a in args], status=2)
    assert message in result.stderr and "Traceback" not in result.stderr


def test_a_study_from_python(tmp_path):
    study = tmp_path / "study"
    qrvl_sweep.plan_study(study, replications=2, fix={"runs": 30, "pt": [0.5, 0.4]},
                          sweep={"nn": "3,6", "fsf_fbk": ["class", "perf"]},
                          common_seeds=["fsf_fbk"], sim=SIM)
    qrvl_sweep.run_study(study, jobs=2)
    with pytest.raises(qrvl_sweep.StudyError, match="at least 1"):
        qrvl_sweep.plan_study(tmp_path / "other", replications=0, sim=SIM)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        loaded = qrvl_sweep.load(study)
    try:
        import pandas
        assert isinstance(loaded, pandas.DataFrame) and not caught
    except ImportError:
        assert isinstance(loaded, list) and sys.executable in str(caught[0].message)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        loaded = qrvl_sweep.load(study, as_list=True)
    first = loaded[0]
    assert (first["nn"], first["fsf_fbk"], first["pt"], first["replication"]) == (3, "class",
                                                                                  "0.5,0.4", 1)
    output = Path(runs(study)[0]["output"]).read_text().splitlines()
    summary = [line for line in output if line.count(",") >= 37 and line[0].isdigit()][0]
    assert first["Ps"] == float(summary.split(",")[14]) and first["seconds"] >= 0
    assert all((row["D"] is None) == (row["nn_succ"] == 0) for row in loaded)
    points = qrvl_sweep.load_summary(study, as_list=True)
    assert [(p["nn"], p["fsf_fbk"], p["replications"]) for p in points] == [
        (3, "class", 2), (3, "perf", 2), (6, "class", 2), (6, "perf", 2)]
    assert points[0]["Ps_mean"] == pytest.approx((loaded[0]["Ps"] + loaded[4]["Ps"]) / 2)
    diffs = qrvl_sweep.load_diffs(study, "fsf_fbk=class", as_list=True)
    assert [(d["nn"], d["vs"], d["Ps_mean"]) for d in diffs] == [
        (3, "fsf_fbk=class", 0), (6, "fsf_fbk=class", 0)]     # unfaded, codings do the same


def test_slurm_tasks_run_their_lines_once(tmp_path):
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2:6", "-r", "2")       # 10 runs
    script = Path(study, "slurm.sh")
    assert "4 runs a task" in tool("slurm", "-d", study, "--runs-per-task", "2",
                                   "--max-array", "4").stderr
    assert "#SBATCH --array=1-3\n" in script.read_text()
    tool("slurm", "-d", study, "--runs-per-task", "4", "--throttle", "2",
         "--sbatch=--time=00:10:00")
    text = script.read_text()
    assert "#SBATCH --array=1-3%2\n#SBATCH --ntasks=1\n" in text and "--time=00:10:00\n" in text
    planned, lines = runs(study), Path(study, "plan.txt").read_text().splitlines()
    Path(study, "out").rmdir()                  # the task makes what it needs
    assert slurm_task(script, 2).returncode == 0            # lines 5 to 8
    assert [os.path.exists(r["output"]) for r in planned] == [4 <= i <= 7 for i in range(10)]
    command = shlex.split(lines[5].split(" >", 1)[0])
    assert Path(planned[5]["output"]).read_bytes() == sim_output(*command[1:])
    Path(planned[4]["output"]).write_text("")   # an empty output is run again
    result = slurm_task(script, 2)
    assert result.returncode == 0 and result.stderr.count("done already") == 3
    records = rows(study / "finished.tsv", "\t")
    assert [(r["line"], r["seed"], r["status"]) for r in records] == [
        (str(i + 1), planned[i]["seed"], "0") for i in (4, 5, 6, 7, 4)]
    assert [r["command"] for r in records] == [lines[i] for i in (4, 5, 6, 7, 4)]
    beyond = slurm_task(script, 4)
    assert beyond.returncode == 2 and "no line 13" in beyond.stderr
    assert "10 of 10 runs done" in tool("run", "-d", study).stderr


def test_status_and_show_on_a_half_finished_study(tmp_path):
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2,3", "--sweep", "fsf_fbk=class,perf",
         "-r", "3")
    assert "time left unknown" in tool("status", "-d", study, status=1).stdout
    tool("run", "-d", study)
    planned = runs(study)
    for index in (0, 5, 6, 7):
        os.remove(planned[index]["output"])
    failed = planned[0]["output"]
    Path(failed).write_text("")
    for row in planned[9:]:                     # never ran: no output and no record
        lines = Path(study, "finished.tsv").read_text().splitlines()
        Path(study, "finished.tsv").write_text("\n".join(
            line for line in lines if row["output"] not in line) + "\n")
        os.remove(row["output"])
    out = tool("status", "-d", study, "-j", "2", status=1).stdout.splitlines()
    table = {line.rsplit(None, 3)[0]: line.split()[-3:] for line in out[1:-1]}
    assert table == {
        "nn=2 fsf_fbk=class": ["2", "1", "0"], "nn=2 fsf_fbk=perf": ["1", "1", "1"],
        "nn=3 fsf_fbk=class": ["1", "1", "1"], "nn=3 fsf_fbk=perf": ["1", "1", "1"],
        "all": ["5", "4", "3"]}
    assert out[-1].startswith("7 runs left (4 failed, 3 pending); time left: about ")
    assert "with 2 jobs at once" in out[-1]
    assert "over 5 finished runs" in out[-1]
    shown = tool("show", "-d", study, "--point", "fsf_fbk=PERF", "--point", "nn=03", "-r", "2")
    [row] = [r for r in planned if (r["nn"], r["fsf_fbk"], r["replication"]) == ("3", "perf",
                                                                                "2")]
    assert shown.stdout == "%s runs=20 nn=3 fsf_fbk=perf seed=%s\n" % (SIM, row["seed"])
    assert row["output"] in shown.stderr
    assert subprocess.run(shown.stdout, shell=True, capture_output=True).stdout == \
        sim_output("runs=20", "nn=3", "fsf_fbk=perf", "seed=" + row["seed"])
    assert len(tool("show", "-d", study, "--point", "nn=2,fsf_fbk=class").stdout.split(
        "\n")) == 4
    for point, message in (("nn=2", "give a value of fsf_fbk"), ("nn=4,fsf_fbk=class",
                                                                "nn has no level 4"),
                           ("nn=2,fsf_fbk=class,runs=20", "runs is not a factor"),
                           ("nn=2,fsf_fbk=class,nn=3", "nn is given twice (2 and 3)")):
        assert message in tool("show", "-d", study, "--point", point, status=2).stderr
    assert "replications 1 to 3, not 4" in tool("show", "-d", study, "--point",
                                                 "nn=2,fsf_fbk=class", "-r", "4",
                                                 status=2).stderr
    tool("run", "-d", study)
    assert tool("status", "-d", study).stdout.splitlines()[-1] == "every run is done"


def test_plots_of_several_figures_and_of_any_csv(paired):
    top, study = paired
    tool("gather", "-d", study)
    tool("plot", "-d", study, "--x", "nn", "--by", "fsf_fbk", "--y", "S")
    png = Path(study, "plots", "S-vs-nn-by-fsf_fbk.png").read_bytes()
    assert png.startswith(b"\x89PNG\r\n\x1a\n") and len(png) > 2000
    tool("plot", "-d", study, "--x", "nn", "--by", "fsf_fbk", "--y", "Ps,D,T", "-o",
         top / "three")
    script = Path(top, "three.gp").read_text()
    assert "set multiplot layout 1,3" in script and script.count("set yrange [0<*:*<1]") == 2
    for label in ("'Ps'", "'D [s]'", "'T [bit/s]'"):
        assert "set ylabel %s noenhanced" % label in script
    assert Path(top, "three.png").read_bytes().startswith(b"\x89PNG")
    tool("plot", "-d", study, "--x", "nn", "--by", "fsf_fbk", "--logx", "-o", top / "log")
    script = Path(top, "log.gp").read_text()      # ticks at the data, ends off the frame
    assert 'set xtics ("3" 3.0, "6" 6.0)' in script and "set xrange [2.91" in script
    # Two studies in one CSV, as a database query gives them: one line per study and coding.
    header, *body = Path(study, "summary.csv").read_text().splitlines()
    many = top / "many.csv"
    many.write_text("\n".join(["study," + header] + ["s%d,%s" % (k, line) for k in range(10)
                                                      for line in body]) + "\n")
    message = tool("plot", "--csv", many, "--x", "nn", "--by", "fsf_fbk", status=2).stderr
    assert "study takes 10 values (s0, s1, s2, " in message
    assert "choose one with --where study=VALUE or draw a line per value with --by study" in message
    tool("plot", "--csv", many, "--x", "nn", "--by", "study", "--where", "fsf_fbk=perf")
    Path(top, "cut.csv").write_text("\n".join([header] + body + ["class,3"]) + "\n")
    assert "cut.csv:6: 2 fields under a header of" in tool(
        "plot", "--csv", top / "cut.csv", "--x", "nn", "--by", "fsf_fbk", status=2).stderr
    tool("plot", "--csv", many, "--x", "fsf_fbk", "--by", "study", "--where", "nn=3", "-o",
         top / "ten")
    lines = [line for line in Path(top, "ten.gp").read_text().split("\n")
             if "with yerrorlines" in line]
    assert len(lines) == 20      # the SVG's plot line repeats the PNG's
    styles = {line.split("with yerrorlines ")[1].split(" title")[0] for line in lines}
    assert len(styles) == 10
    assert Path(top, "plots", "many-Ps-vs-nn-by-study.png").exists()


def test_runs_of_several_threads_share_the_cores(tmp_path):
    # A simulator describing rng= and threads= (the hand-written document): it runs the real one
    # without them and notes GNU parallel's job slot of each run.
    log = tmp_path / "slots"
    sim = wrapper(tmp_path / "sim", 'echo "$* $PARALLEL_JOBSLOT" >>%s\nfor a do shift; case $a in '
                  'rng=*|threads=*) ;; *) set -- "$@" "$a";; esac; done\nexec "$SIM" "$@"' % log,
                  describe=DESCRIBE)
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--fix", "rng=keyed", "--sweep", "threads=2,1",
         "--sweep", "nn=2:5", "-r", "2", sim=sim)
    assert "8 runs of threads=1, 2 at once" in tool("run", "-d", study, "-j", "2").stderr
    slots = {}
    for line in log.read_text().splitlines():
        slots.setdefault(line.split("threads=")[1].split()[0], set()).add(line.split()[-1])
    assert slots["2"] == {"1"} and slots["1"] <= {"1", "2"}
    tool("gather", "-d", study, "--runs-csv", tmp_path / "runs.csv")
    per_run = list(csv.DictReader(open(tmp_path / "runs.csv")))
    assert sorted((r["rng"], r["threads"]) for r in per_run) == [("keyed", "1")] * 8 + [
        ("keyed", "2")] * 8
