"""Study designs without running anything: zip factors and their points, seeds shared exactly
where --common-seeds says, precision criteria, paired differences against values worked out by
hand, the threads each run takes, and studies planned by an older tool."""

import argparse
import dataclasses
import hashlib
import itertools
import json
import math

import pytest

from qrvl_sweep.directory import StudyDir
from qrvl_sweep.errors import StudyError
from qrvl_sweep.planned import load_planned
from qrvl_sweep.results.pairs import Pairing
from qrvl_sweep.overview import Tally, time_left
from qrvl_sweep.plan import planned_of, runs_of, write_plan
from qrvl_sweep.results.columns import option_columns, option_values, run_option_columns
from qrvl_sweep.results.rank import Ranking, holm, letters
from qrvl_sweep.results.runs import RunResult
from qrvl_sweep.results.stats import Estimate
from qrvl_sweep.slots import cores, parallel_jobs
from qrvl_sweep.slurm import command_slurm
from qrvl_sweep.study import build_study
from qrvl_sweep.results.targets import parse_criterion

SESSIONS = ("centr=0,adhoc=0|centr=1,adhoc=0|adhoc=1", "session=basic,centralized,adhoc")


def plan_args(**given):
    args = dict(study=None, fix=["runs=10"], sweep=[], zip=[], label=[], replications="2",
                seed="7", common_seeds=None, factor_order=None)
    args.update(given)
    return argparse.Namespace(**args)


def planned_runs(simulator, tmp_path, **given):
    study = build_study(plan_args(**given), simulator, 10 ** 6)
    planned = planned_of(study, simulator)
    return planned, list(runs_of(planned, StudyDir(str(tmp_path)), planned.replications))


def test_zip_factor_points_in_order(simulator, tmp_path):
    planned, runs = planned_runs(simulator, tmp_path, sweep=["nn=2,5"], zip=[SESSIONS[0]],
                                 label=[SESSIONS[1]], replications="1",
                                 factor_order=[("zip", SESSIONS[0]), ("sweep", "nn=2,5")])
    assert planned.swept == ["session", "nn"]
    assert [run.values for run in runs] == [
        {"session": s, "nn": nn} for s in ("basic", "centralized", "adhoc") for nn in ("2", "5")]
    assert [run.simulator_command.split()[1:-1] for run in runs[:2]] + [
        runs[4].simulator_command.split()[1:-1]] == [
        ["runs=10", "centr=0", "adhoc=0", "nn=2"], ["runs=10", "centr=0", "adhoc=0", "nn=5"],
        ["runs=10", "adhoc=1", "nn=2"]]
    assert planned.option_words == ["runs", "centr", "adhoc"]
    assert planned.every_option({"session": "adhoc", "nn": "2"})["centr"] == "0"


def test_zip_levels_hold_list_values_and_study_file_sections(simulator, tmp_path):
    path = tmp_path / "s.study"
    path.write_text("replications = 1\ncommon_seeds = sched\n[fixed]\nruns = 10\n"
                    "[zip sched]\nflat = pt=0.5,0.50, pn=1,1\nfalling = pt=0.6,0.4\n")
    planned, runs = planned_runs(simulator, tmp_path, study=str(path), fix=[])
    [factor] = planned.factors
    assert [(level.label, level.options) for level in factor.levels] == [
        ("flat", (("pt", "0.5,0.5"), ("pn", "1,1"))), ("falling", (("pt", "0.6,0.4"),))]
    assert planned.common_seeds == ("sched",) and runs[0].seed == runs[1].seed


REFUSED_ZIPS = [
    (dict(zip=[SESSIONS[0]], label=[]), "1 --zip; name each zip factor"),
    (dict(zip=[SESSIONS[0]], label=["session=a,b"]), "2 labels for the 3 option sets"),
    (dict(zip=["centr=0|centr=1"], label=["grp=a,a"]), "has the label a twice"),
    (dict(zip=["centr=0|centr=00"], label=["grp=a,b"]), "set the same options"),
    (dict(zip=["centr=0,centr=1"], label=["grp=a"]), "sets an option twice"),
    (dict(zip=["centr=0|centr=2"], label=["grp=a,b"]), "centr=2: a flag takes 0 or 1"),
    (dict(zip=["centr=0|bogus=1"], label=["grp=a,b"]), "unknown option word 'bogus'"),
    (dict(zip=["centr=0|1"], label=["grp=a,b"]), "'1' in 'centr=0|1' is not of the form"),
    (dict(zip=["centr=0|centr=1"], label=["NN=a,b"]), "taken by the column or option 'nn'"),
    (dict(zip=["centr=0|centr=1"], label=["Ps=a,b"]), "taken by the column or option 'Ps'"),
    (dict(zip=["centr=0|centr=1"], label=["replication=a,b"]), "taken by the column"),
    (dict(zip=["centr=0|centr=1"], label=["two words=a,b"]), "must be a word"),
    (dict(zip=["nn=2|nn=3"], label=["grp=a,b"], fix=["nn=4"]), "nn is set by the zip factor grp "
                                                             "and is also fixed"),
    (dict(zip=["nn=2|nn=3", "nn=4|nn=5"], label=["grp=a,b", "alt=c,d"]), "both zip factors"),
    (dict(sweep=["nn=2,3"], common_seeds="fsf_fbk"), "fsf_fbk is not a factor of the study"),
]


@pytest.mark.parametrize("given,message", REFUSED_ZIPS)
def test_refused_zip_factors_and_common_seeds(simulator, given, message):
    with pytest.raises(StudyError) as caught:
        build_study(plan_args(**given), simulator, 10 ** 6)
    assert message in str(caught.value)


def full_key_seed(run_options, replication):
    """The seed of the documented rule for a study without common seeds (no collisions)."""
    key = "\n".join("%s=%s" % (w, run_options[w]) for w in sorted(run_options))
    text = "qrvl-sweep seed\n7\n%s\n%d\n0" % (key, replication)
    return int.from_bytes(hashlib.sha256(text.encode()).digest()[:4], "big")


COMMON = [
    ([], set()),
    (["fsf_fbk"], {"fsf_fbk"}),
    (["fsf_fbk", "session"], {"fsf_fbk", "session"}),
    (["session"], {"session"}),
    (["nn", "fsf_fbk", "session"], {"nn", "fsf_fbk", "session"}),
]


@pytest.mark.parametrize("common,shared", COMMON)
def test_seeds_shared_exactly_where_common_seeds_says(simulator, tmp_path, common, shared):
    planned, runs = planned_runs(
        simulator, tmp_path, sweep=["nn=2,3", "fsf_fbk=class,hamm74,perf"], zip=[SESSIONS[0]],
        label=[SESSIONS[1]], common_seeds=",".join(common) if common else None)
    for a, b in itertools.combinations(runs, 2):
        differing = {name for name in a.values if a.values[name] != b.values[name]}
        same = a.replication == b.replication and differing <= shared
        assert (a.seed == b.seed) == same, (a.values, b.values, a.replication, b.replication)
    if not common:
        for run in runs:
            assert run.seed == full_key_seed(planned.options_of(run.values), run.replication)


def test_common_seed_groups_keep_seeds_apart_on_collision(simulator, tmp_path, monkeypatch):
    from qrvl_sweep import seeds
    monkeypatch.setattr(seeds, "seed_candidate", lambda base, key, r, k: k)
    _, runs = planned_runs(simulator, tmp_path, sweep=["nn=2,3", "fsf_fbk=class,perf"],
                           common_seeds="fsf_fbk")
    by_nn = {}
    for run in runs:
        by_nn.setdefault((run.values["nn"], run.replication), set()).add(run.seed)
    assert all(len(group) == 1 for group in by_nn.values())
    assert len({seed for group in by_nn.values() for seed in group}) == 4


@pytest.mark.parametrize("text,estimate,holds", [
    ("Ps_ci95<0.002", Estimate(10, 0.8, 0.01, 0.0019), True),
    ("Ps_ci95<0.002", Estimate(10, 0.8, 0.01, 0.002), False),
    ("Ps_ci95<=0.002", Estimate(10, 0.8, 0.01, 0.002), True),
    ("Ps_ci95<0.002", Estimate(1, 0.8, math.nan, math.nan), False),
    ("Ps_ci95<0.002", Estimate(3, 1.0, 0.0, 0.0), False),     # all equal: no spread told
    ("S_rel95<0.01", Estimate(10, 0.5, 0.01, 0.004), True),
    ("S_rel95<0.01", Estimate(10, -0.5, 0.01, 0.006), False),
    ("D_rel95<0.5", Estimate(2, 0.0, 0.1, 0.2), False),
    ("Pc_rel95<0.01", Estimate(4, 0.0, 0.0, 0.0), False),
])
def test_criteria_at_their_bounds(simulator, text, estimate, holds):
    assert parse_criterion(text, simulator.columns).holds(estimate) == holds


@pytest.mark.parametrize("text,message", [
    ("Ps<0.002", "is not of the form"), ("Ps_ci95>0.1", "is not of the form"),
    ("Pss_ci95<0.1", "unknown figure 'Pss' (did you mean 'Ps'?)"),
    ("ps_ci95<0.1", "did you mean 'Ps'?"), ("Ps_ci95<0", "must be a positive number"),
    ("Ps_ci95<nan", "must be a positive number"), ("Ps_ci95<x", "must be a positive number"),
])
def test_refused_criteria(simulator, text, message):
    with pytest.raises(StudyError) as caught:
        parse_criterion(text, simulator.columns)
    assert message in str(caught.value)


class FakeRun:
    def __init__(self, point, replication, values):
        self.point, self.replication, self.values = point, replication, values


def result(nn, fbk, replication, ps, d, succ=3):
    run = FakeRun("%s-%s" % (nn, fbk), replication, {"nn": nn, "fsf_fbk": fbk})
    return RunResult(run, {"Ps": ps, "D": d, "nn_succ": succ}, None, None)


def test_paired_differences_against_hand_values(simulator, tmp_path):
    planned, _ = planned_runs(simulator, tmp_path, sweep=["nn=2,5", "fsf_fbk=class,perf"],
                              common_seeds="fsf_fbk")
    pairing = Pairing(planned, "fsf_fbk=CLASS", ["Ps", "D"])
    assert pairing.vs == "fsf_fbk=class"
    runs = [result("2", "class", 1, 0.75, 0.010), result("2", "perf", 1, 0.80, 0.012),
            result("2", "class", 2, 0.80, 0.011), result("2", "perf", 2, 0.90, 0.0, succ=0),
            result("2", "class", 3, 0.72, 0.009), result("2", "perf", 3, 0.70, 0.008),
            result("5", "class", 1, 0.5, 0.02), result("5", "perf", 1, 0.6, 0.02),
            result("5", "perf", 2, 0.7, 0.03)]      # replication 2 of class at nn=5 is lost
    for item in runs:
        pairing.add(item)
    from qrvl_sweep.results.aggregate import PointData
    complete = {key: PointData({"nn": key[0], "fsf_fbk": key[2:]}) for key in
                ("2-class", "2-perf", "5-class", "5-perf")}
    found = dict(pairing.points(complete))
    assert sorted(found) == ["2-perf", "5-perf"]
    ps = found["2-perf"].estimate("Ps")
    differences = [0.05, 0.10, -0.02]
    mean = sum(differences) / 3
    sd = math.sqrt(sum((d - mean) ** 2 for d in differences) / 2)
    assert (ps.n, ps.mean, ps.sd) == (3, pytest.approx(mean), pytest.approx(sd))
    assert ps.ci95 == pytest.approx(4.30265272975 * sd / math.sqrt(3))
    d = found["2-perf"].estimate("D")       # replication 2 of perf leaves D undefined
    assert (d.n, d.mean) == (2, pytest.approx((0.002 - 0.001) / 2))
    assert found["2-perf"].runs == 3 and found["5-perf"].runs == 1
    assert found["5-perf"].estimate("Ps").mean == pytest.approx(0.1)
    assert found["2-perf"].values["vs"] == "fsf_fbk=class"


@pytest.mark.parametrize("text,message", [
    ("nn", "not of the form"), ("runs=10", "runs is not a factor"),
    ("fsf_fbk=hamm74", "fsf_fbk has no level hamm74"),
])
def test_refused_references(simulator, tmp_path, text, message):
    planned, _ = planned_runs(simulator, tmp_path, sweep=["nn=2,5", "fsf_fbk=class,perf"])
    with pytest.raises(StudyError) as caught:
        Pairing(planned, text, ["Ps"])
    assert message in str(caught.value)


def test_holm_and_letters():
    assert holm([0.01, 0.04, 0.03]) == pytest.approx([0.03, 0.06, 0.06])
    assert letters(list("ABCD"), [("A", "C"), ("A", "D"), ("B", "D")]) == {
        "A": "a", "B": "ab", "C": "bc", "D": "c"}
    assert letters(list("AB"), []) == {"A": "a", "B": "a"}


NOISE = [0.011, -0.004, 0.007, -0.012, 0.002, -0.006]


@pytest.mark.parametrize("common,means,expected", [
    # perf ties class (within 0.001, far inside the replications' spread), hamm74 is lower
    ("fsf_fbk", {"class": 0.8, "perf": 0.801, "hamm74": 0.7},
     [("perf", "a", ""), ("class", "a", ""), ("hamm74", "b", "")]),
    (None, {"class": 0.8, "perf": 0.801, "hamm74": 0.7},
     [("perf", "a", ""), ("class", "a", ""), ("hamm74", "b", "")]),
    # 0.006 apart: told on common seeds, within the spread of independent runs
    ("fsf_fbk", {"class": 0.8, "perf": 0.806, "hamm74": 0.7},
     [("perf", "a", "best"), ("class", "b", ""), ("hamm74", "c", "")]),
    (None, {"class": 0.8, "perf": 0.806, "hamm74": 0.7},
     [("perf", "a", ""), ("class", "a", ""), ("hamm74", "b", "")]),
    ("fsf_fbk", {"class": 0.9, "perf": 0.8, "hamm74": 0.7},
     [("class", "a", "best"), ("perf", "b", ""), ("hamm74", "c", "")]),
])
def test_rank_says_ties_and_differences(simulator, tmp_path, common, means, expected):
    planned, _ = planned_runs(simulator, tmp_path, sweep=["nn=2", "fsf_fbk=class,hamm74,perf"],
                              common_seeds=common)
    ranking = Ranking(planned, "Ps", "fsf_fbk", lower_is_better=False)
    for replication, noise in enumerate(NOISE, 1):
        for level, mean in means.items():
            own = NOISE[(replication + len(level)) % 6]
            shift = noise + own / 4 if common else own
            ranking.add(result("2", level, replication, mean + shift, 0.01))
    rows = ranking.rows()
    assert [(row[1], row[-2], row[-1]) for row in rows] == expected
    assert [row[2] for row in rows] == [1, 2, 3]
    worst = Ranking(planned, "Ps", "fsf_fbk", lower_is_better=True)
    worst.values = ranking.values
    assert worst.rows()[0][1] == expected[-1][0]


@pytest.mark.parametrize("jobs,threads,remote,expected", [
    (None, 1, False, None), (None, 1, True, None), ("8", 2, False, "4"), ("3", 2, False, "1"),
    ("1", 4, False, "1"), ("0", 4, False, "0"), ("8", 3, True, "2"),
    (None, 2, False, str(max(1, cores() // 2))),
])
def test_simulators_at_once_leave_each_thread_a_core(jobs, threads, remote, expected):
    assert parallel_jobs(jobs, threads, remote) == expected


def test_threaded_runs_on_other_hosts_need_their_cores_said():
    with pytest.raises(StudyError, match="need -j N, the cores of each host"):
        parallel_jobs(None, 2, True)


@pytest.mark.parametrize("given,threads", [
    (dict(), [1, 1]),
    (dict(fix=["rng=keyed", "threads=3"]), [3, 3]),
    (dict(fix=["rng=keyed"], sweep=["fsf_fbk=class,perf", "threads=1,4"]), [1, 4, 1, 4]),
    (dict(zip=["rng=keyed,threads=2,fsf_fbk=class|fsf_fbk=perf"], label=["mode=fast,slow"],
          sweep=[]), [2, 1]),
])
def test_threads_of_each_run_and_the_slurm_cpus_per_task(simulator, tmp_path, given, threads):
    given.setdefault("sweep", ["fsf_fbk=class,perf"])
    study = build_study(plan_args(replications="1", **given), simulator, 10 ** 6)
    directory = StudyDir(str(tmp_path))
    planned, _ = write_plan(study, simulator, directory)
    runs = list(runs_of(planned, directory, 1))
    assert [planned.threads_of(run.values) for run in runs] == threads
    command_slurm(argparse.Namespace(dir=str(tmp_path), sbatch=None, max_array=1001, output=None,
                                     runs_per_task=None, throttle=None, allow_mixed=False))
    assert "\n#SBATCH --cpus-per-task=%d\n" % max(threads) in (tmp_path / "slurm.sh").read_text()


def test_runs_of_a_simulator_without_rng_record_its_one_stream(simulator, tmp_path):
    older = dataclasses.replace(simulator, options={
        word: option for word, option in simulator.options.items()
        if word not in ("rng", "threads")})
    planned, runs = planned_runs(older, tmp_path, sweep=["nn=2,3"])
    assert {"rng", "threads"} <= set(option_columns(planned, every=True))
    assert run_option_columns(planned)[-2:] == ["rng", "threads"]
    values = option_values(planned, runs[0].values)
    assert (values["rng"], values["threads"], planned.most_threads()) == ("mt", "1", 1)


@pytest.mark.parametrize("data,message", [
    ({"format": 2, "seed": 5, "replications": 3, "simulator": {"path": "/sim"},
      "fixed": [["runs", "10"]], "sweep": [["nn", ["2", "3"]], ["pt", ["0.5,0.4", "1"]]]},
     "plan the study again, keeping the runs already done: qrvl-sweep plan -d {dir} --sim /sim "
     "-r 3 --seed 5 --fix=runs=10 --sweep=nn=2,3 '--sweep=pt=0.5,0.4|1'"),
    ({"seed": 1, "fixed": {"runs": 1}}, "--seed 1 ... (with its options)"),
    ([1], "qrvl-sweep plan -d {dir} ... (with its options)"),
])
def test_unreadable_studies_say_how_to_plan_them_again(tmp_path, data, message):
    (tmp_path / "study.json").write_text(json.dumps(data))
    with pytest.raises(StudyError) as caught:
        load_planned(StudyDir(str(tmp_path)))
    assert message.format(dir=tmp_path) in str(caught.value)


def test_time_left_gives_threaded_runs_their_cores():
    points = {"a": Tally(done=1, pending=2, seconds=[10.0]),
              "b": Tally(done=1, pending=2, seconds=[10.0], threads=2)}
    everything = Tally(done=2, pending=4, seconds=[10.0, 10.0])
    assert "time left: about 15 s with 4 jobs at once, a run of T threads taking T (40 s of " \
        "run time" in time_left(points, everything, 4)
