"""Sweep expansion, unknown-word suggestions, the seed rule and the building of a study."""

import argparse

import pytest

from qrvl_sweep import seeds
from qrvl_sweep.errors import StudyError
from qrvl_sweep.study import build_study
from qrvl_sweep.sweeps import expand_sweep

EXPANDED = [
    ("nn", "2,5:20:5", ["2", "5", "10", "15", "20"]),
    ("nn", "1,01", ["1"]),
    ("nn", "2:10:4,6,10", ["2", "6", "10"]),
    ("nn", "8:2:-3,20", ["8", "5", "2", "20"]),
    ("nn", "1:3.5", ["1", "2", "3"]),
    ("nn", "5:5", ["5"]),
    ("fsf_prob", "0.05:0.3:0.05", ["0.05", "0.1", "0.15", "0.2", "0.25", "0.3"]),
    ("fsf_prob", "0:1:0.1", ["0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9",
                             "1"]),
    ("fsf_prob", "0.1,0.10,1e-1", ["0.1"]),
    ("rssi_avg", "-70:-60:2.5", ["-70", "-67.5", "-65", "-62.5", "-60"]),
    ("fsf_fbk", "class, HAMM74,hamm74", ["class", "hamm74"]),
    ("pt", "0.5,0.4|0.3", ["0.5,0.4", "0.3"]),
    ("pt", "0.5,0.5|0.50,.5", ["0.5,0.5"]),
    ("ad_runs", "500:2,1000:20|10:3", ["500:2,1000:20", "10:3"]),
]


@pytest.mark.parametrize("word,text,values", EXPANDED)
def test_sweep_values(simulator, word, text, values):
    assert expand_sweep(simulator.options[word], text, "--sweep", 10 ** 6) == values


REFUSED = [
    ("nn", "1:3:1.5", "plans nn=2.5, and nn takes whole numbers"),
    ("nn", "2,1e1", "nn=1e1: not a whole decimal number"),
    ("nn", "1e400:2", "is empty"),
    ("nn", "1:1e400", "more values than the 1000000 runs"),
    ("fsf_prob", "1e-400:1e400:1e-400", "more values than the 1000000 runs"),
    ("fsf_prob", "0:1e9999999", "more values than the 1000000 runs"),
    ("nn", "10:2", "the range 10:2 of nn is empty"),
    ("nn", "1:5:0", "a step of 0"),
    ("nn", "", "has no values"),
    ("nn", "2,,3", "an empty value"),
    ("nn", "0:3", "nn=0: must not be zero"),
    ("fsf_tau", "0.5:1.5:0.5", "fsf_tau=1.5: must lie in [0, 1]"),
    ("ts", "1e300:1e309:1e308", "ts=inf: not a finite decimal number"),
    ("fsf_type", "binom,bogus", "fsf_type=bogus: not one of"),
    ("pt", "0.5|", "an empty value"),
    ("nn", "1,2\n3", "control character"),
]


@pytest.mark.parametrize("word,text,message", REFUSED)
def test_refused_sweeps(simulator, word, text, message):
    with pytest.raises(StudyError) as caught:
        expand_sweep(simulator.options[word], text, "--sweep", 10 ** 6)
    assert message in str(caught.value)


@pytest.mark.parametrize("word,meant", [
    ("pdf_rounds", "pdf_slots"), ("Nn", "nn"), ("NN", "nn"), ("PDF_ROUNDS", "pdf_slots"),
    ("fsf_tpye", "fsf_type"), ("nnn", "nn"), ("data", "DATA"), ("zzzzzzzz", None),
])
def test_suggestions_know_spellings_and_case(simulator, word, meant):
    assert simulator.suggest(word) == meant


def plan_args(**given):
    args = dict(study=None, fix=[], sweep=[], zip=[], label=[], replications="2", seed=None)
    args.update(given)
    return argparse.Namespace(**args)


def test_study_from_file_and_command_line(simulator, tmp_path):
    book = tmp_path / "book.txt"
    study_file = tmp_path / "s.study"
    study_file.write_bytes(b"\xef\xbb\xbf# comment\nreplications = 3\nseed = 7\n[fixed]\n"
                           b"runs = 2000\ncodebook = book.txt\n[sweep]\nnn = 2, 5:10:5\n"
                           b"fsf_prob = 0.1\n")
    study = build_study(plan_args(study=str(study_file), fix=["fsf_prob=0.30"],
                                  sweep=["fsf_fbk=class,perf"], replications=None), simulator,
                        10 ** 6)
    assert study.fixed == {"runs": "2000", "codebook": str(book), "fsf_prob": "0.3"}
    assert study.sweep == {"nn": ["2", "5", "10"], "fsf_fbk": ["class", "perf"]}
    assert (study.replications, study.seed, study.run_count()) == (3, 7, 18)


REFUSED_STUDIES = [
    (dict(sweep=["pdf_rounds=0,1"]), "unknown option word 'pdf_rounds' (did you mean "
                                     "'pdf_slots'?)"),
    (dict(fix=["Nn=5"]), "unknown option word 'Nn' (did you mean 'nn'?)"),
    (dict(fix=["seed=3"]), "seed= is set by"),
    (dict(fix=["debug=3"]), "debug=3 makes the simulator dump"),
    (dict(sweep=["debug=0:4"]), "debug=3 makes the simulator dump"),
    (dict(fix=["nn=5", "nn=6"]), "nn is given twice"),
    (dict(fix=["nn"]), "not of the form OPTION=VALUE"),
    (dict(fix=["=5"]), "names no option"),
    (dict(replications="0"), "at least 1"),
    (dict(replications="2.5"), "must be a whole number"),
    (dict(replications=None), "no number of replications"),
    (dict(seed="4294967296"), "at most 4294967295"),
    (dict(seed="-1"), "must be a whole number"),
    (dict(fix=["adaptive=1", "ad_size=0"]), "ad_size=0: must be at least 1 when adaptive is on "
                                            "(the study runs it with adaptive=1)"),
    (dict(sweep=["adaptive=0,1", "ad_size=0,5"]), "ad_size=0"),
    (dict(fix=["threads=2"]), "threads=2: must be 1 unless rng=keyed (the study runs it with "
                              "rng=mt)"),
    (dict(sweep=["rng=keyed,mt", "threads=1:3"]), "threads=2: must be 1 unless rng=keyed"),
    (dict(fix=["threads=0"]), "threads=0: must be at least 1"),
]


@pytest.mark.parametrize("given,message", REFUSED_STUDIES)
def test_refused_studies(simulator, given, message):
    with pytest.raises(StudyError) as caught:
        build_study(plan_args(**given), simulator, 10 ** 6)
    assert message in str(caught.value)


@pytest.mark.parametrize("given", [
    dict(fix=["ad_size=0"]),
    dict(fix=["rng=keyed"], sweep=["threads=1,8"]),
    dict(zip=["adaptive=1,ad_size=5|adaptive=0,ad_size=0"], label=["filter=on,off"]),
    dict(zip=["rng=keyed,threads=4|threads=1"], label=["speed=fast,slow"]),
])
def test_conditional_rules_hold_only_where_their_condition_does(simulator, given):
    build_study(plan_args(**given), simulator, 10 ** 6)


@pytest.mark.parametrize("text,message", [
    (b"replications = 2\n[fixed]\nbogus = 1\n", "unknown option word 'bogus'"),
    (b"replications = 2\n[sweep]\nnn = 1\nnn = 2\n", "nn is given twice"),
    (b"replications = 2\n[other]\n", "unknown section [other]"),
    (b"copies = 2\n", "unknown study setting 'copies'"),
    (b"replications = 2\n[sweep]\nfsf_fbk =\n", "the sweep of fsf_fbk has no values"),
    (b"replications = 2\n[fixed]\nnn = \xe9\n", "is not UTF-8 text"),
])
def test_refused_study_files(simulator, tmp_path, text, message):
    path = tmp_path / "bad.study"
    path.write_bytes(text)
    with pytest.raises(StudyError) as caught:
        build_study(plan_args(study=str(path)), simulator, 10 ** 6)
    assert message in str(caught.value)


def test_colliding_seeds_move_in_replication_then_key_order(monkeypatch):
    # Few possible seeds force collisions: the later run in (replication, key) order moves on.
    monkeypatch.setattr(seeds, "seed_candidate", lambda base, key, r, k: (len(key) + r + k) % 50)
    keys = ["bb", "a", "cc"]
    drawer = seeds.SeedDrawer(1, keys)
    first, second = drawer.replication(1), drawer.replication(2)
    assert first == [3, 2, 4]     # a takes 2, bb 3, and cc (3 too) moves on to 4
    assert second == [6, 5, 7]    # a skips 3 and 4, bb 4 and 5, cc 4, 5 and 6
    again = seeds.SeedDrawer(1, keys)
    assert again.replication(1) == first
    assert len(set(first + second)) == 6
