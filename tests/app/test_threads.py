# Keyed runs shared among threads: the output is the same for every number of threads, under each
# stop rule and session kind; an interrupted threaded run reports the sessions booked in order;
# lazily drawn gains are those drawn eagerly; and the run's notes on standard error.
import re
import signal

import pytest

from simulator import NOTE, SIMTIME, STREAMS, fields, sim

KINDS = {"basic": ["nn=20"], "binom": ["nn=30", "nf=8", "fsf_type=binom", "fsf_prob=0.2"],
         "rssi": ["nn=10", "fsf_type=rssi", "tau=0.2,0,0.1"], "adhoc": ["adhoc=1", "nn=12"],
         "centr": ["centr=1", "nn=16", "interleave=2"]}
STOPS = {"runs": ["runs=5000", "pdf_tx_wait=1"], "schedule": ["runs=4100", "ad_runs=900:5,3000:25"],
         "time": ["max_time=20000"], "frames": ["min_frames=80"]}


@pytest.mark.parametrize("stop", STOPS)
@pytest.mark.parametrize("kind", KINDS)
def test_every_number_of_threads_gives_the_same_output(kind, stop):
    words = ["seed=11", "rng=keyed", "debug=1", *KINDS[kind], *STOPS[stop]]
    outputs = [sim(*words, "threads=%d" % n) for n in (1, 2, 3, 8)]
    assert [run.status for run in outputs] == [0] * 4, outputs[0].err
    assert all(run.out == outputs[0].out for run in outputs), kind + " " + stop
    assert int(fields(outputs[0].out.splitlines()[1])[0]) > 1024  # more than one block


# The mt run with the same seed differs: keyed draws are another stream.
def test_keyed_draws_differ_from_the_sequential_stream_and_gains_drawn_early_are_the_same():
    words = ["seed=4", "runs=3000", "adhoc=1", "nn=8", "debug=1"]
    keyed = sim(*words, "rng=keyed")
    assert sim(*words, "rng=keyed", "rssi_eager_gains=1").out == keyed.out
    assert sim(*words).out != keyed.out


# The error stream names the streams, and ends with Ps's interval: Wilson's binomial one where
# sessions are independent, batch means in adaptive mode.
def test_the_run_notes_its_streams_and_the_interval_of_ps():
    mt = sim("seed=5", "runs=4000")
    assert re.fullmatch(re.escape(NOTE + "# seed 5\n" + STREAMS) +
                        r"# Ps 95% interval: ([0-9.]+) \.\. ([0-9.]+) \(binomial, 4000 sessions\)\n" +
                        SIMTIME, mt.err), mt.err
    low, high = map(float, re.search(r"interval: (\S+) \.\. (\S+)", mt.err).groups())
    ps = float(fields(mt.out.splitlines()[1])[14])
    assert low < ps < high and high - low < 0.05
    keyed = sim("seed=5", "runs=4000", "rng=keyed", "threads=3")
    assert "# seed 5\n# rng keyed (layout 1), threads 3\n" in keyed.err
    adaptive = sim("seed=5", "runs=4000", "rng=keyed", "adaptive=1")
    assert re.search(r"\(batch means, \d+ batches of \d+ sessions\)\n", adaptive.err), adaptive.err
    assert "too few sessions" in sim("seed=5", "runs=20", "adaptive=1").err


@pytest.mark.parametrize("stop", ["runs=2000000000", "min_frames=2000000000"])
def test_an_interrupted_threaded_run_reports_the_sessions_booked(stop):
    run = sim("seed=3", "progress=0", "rng=keyed", "threads=2", stop, signals=[signal.SIGINT],
              after=0.5)
    assert run.status == 128 + signal.SIGINT, run.err
    made = int(re.search(r"# interrupted after (\d+) sessions\n", run.err).group(1))
    summary = fields(run.out.splitlines()[1])
    assert int(summary[0]) == made > 0
    assert float(summary[14]) == pytest.approx(int(summary[12]) / made, rel=1e-5)
    # Sessions booked in order: the same first sessions as a run of that length.
    again = sim("seed=3", "rng=keyed", "runs=%d" % made, "debug=1") if "runs" in stop else None
    if again:
        assert fields(again.out.splitlines()[1])[12] == summary[12]
