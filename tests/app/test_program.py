# The program's ends: results or a dump that could not be written fail with status 6, interrupted
# runs report the sessions they made, standard error by debug level and after standard output,
# seeds and their streams, --version, and the memory of large runs.
import math
import os
import re
import signal
import subprocess

import pytest

from simulator import INTERVAL, NOTE, SIM, SIMTIME, STREAMS, fields, sim

COMMANDS = [["seed=1", "runs=1000", "debug=0"],
            ["seed=1", "runs=100", "nn=20000", "pdf_nodes=1", "debug=0"],
            ["-h"], ["--version"], ["--describe"]]
LOST = [("full", "No space left on device"), ("closed", "Bad file descriptor"),
        ("broken-pipe", "Broken pipe")]


@pytest.mark.parametrize("where,reason", LOST, ids=[where for where, _ in LOST])
@pytest.mark.parametrize("words", COMMANDS, ids=lambda words: words[-1].strip("-"))
def test_results_that_could_not_be_written_fail_with_status_6(words, where, reason):
    run = sim(*words, stdout=where)
    assert (run.status, run.err) == (6, "Error: could not write the results: %s\n" % reason)
    assert sim(*words, stdout=subprocess.DEVNULL).status == 0


def test_a_dump_that_could_not_be_written_fails_with_status_6():
    with open("/dev/full", "wb") as full:  # the dump goes to standard error
        assert subprocess.run([SIM, "debug=3"], stderr=full, timeout=60).returncode == 6


# A signal within a second of the first is the same request (timeout and batch systems signal the
# process and its group at once).
@pytest.mark.parametrize("stop,signals", [
    ("runs=2000000000", [signal.SIGINT]), ("max_time=2000000000", [signal.SIGTERM] * 2),
    ("min_frames=2000000000", [signal.SIGHUP, signal.SIGINT])])
def test_an_interrupted_run_reports_the_sessions_it_made(stop, signals):
    run = sim("seed=3", "progress=0", stop, signals=signals)
    assert run.status == 128 + signals[0], run.err
    made = re.fullmatch(re.escape(NOTE + "# seed 3\n" + STREAMS) +
                        r"# interrupted after (\d+) sessions\n" + INTERVAL + SIMTIME, run.err)
    assert made, run.err
    summary = fields(run.out.splitlines()[1])
    assert summary[0] == made.group(1)
    assert float(summary[14]) == pytest.approx(int(summary[12]) / int(summary[0]), rel=1e-5)


# Nothing on standard error up to debug 1; above, the diagnostics end after the report, whatever
# stops the run.
def test_standard_error_by_debug_level_and_after_standard_output():
    quiet = [sim("seed=5", "runs=300", level) for level in ("debug=-1", "debug=0", "debug=1")]
    assert [run.err for run in quiet] == ["", "", ""]
    merged = sim("seed=5", "runs=300", merged=True)
    assert merged.status == 0 and re.fullmatch(
        re.escape(NOTE + "# seed 5\n" + STREAMS + quiet[2].out) + INTERVAL + SIMTIME, merged.out), merged.out
    for stop in ("max_time=-1", "min_frames=2"):
        run = sim("seed=21", stop)
        assert run.status == 0 and re.search(r"\n" + SIMTIME + r"\Z", run.err), run.err


def test_the_seed_line_repeats_a_clock_seeded_run_and_version_needs_no_run():
    clock = sim("runs=500", "fsf_type=rssi")  # received powers come from the second generator
    seed = int(re.search(r"^# seed (\d+)$", clock.err, re.M).group(1))
    assert sim("runs=500", "fsf_type=rssi", "seed=%d" % seed).out == clock.out
    assert sim("runs=500", "fsf_type=rssi", "seed=%d" % (seed ^ 1)).out != clock.out
    version = sim("--version", "nn=0")
    assert (version.status, version.err) == (0, "")
    assert re.fullmatch(r"qrvl_sim 2\.3 \(build 234\)( revision \S+)?\n", version.out)
    assert sim("--version", "-h").out.startswith("\nQRVL Simulator v2.3.234\n")


# The first session of a two-node ad hoc run is won by either node with probability 1/2, with the
# generators seeded from the clock and with consecutive seeds: the streams of one run are not
# functions of each other, nor of a nearby run's (coupled streams make one node win nearly all).
@pytest.mark.parametrize("seeded", [False, True], ids=["clock", "consecutive"])
def test_first_ad_hoc_session_is_won_evenly(seeded):
    # The sanitizer build starts each run in tens of milliseconds: fewer tries there, same paths.
    wins, tries = [0, 0], 60 if os.environ.get("QRVL_SANITIZED") == "1" else 300
    for r in range(tries):
        rows = sim("adhoc=1", "nn=2", "runs=1", "pdf_nodes=1", "debug=0",
                   *(["seed=%d" % (7000 + r)] if seeded else [])).out.splitlines()
        for node in range(2):
            wins[node] += int(fields(rows[1 + node])[4])
    n = sum(wins)
    assert n > tries / 3 and abs(wins[0] - n / 2) <= 5 * math.sqrt(n / 4)  # most sessions succeed


def test_large_runs_allocate_what_their_session_reads():
    # A basic run keeps no node-pair tables: 3.1 GB at nn 20000 before.
    process = subprocess.Popen([SIM, "nn=20000", "runs=20", "seed=1", "debug=0"],
                               stdout=subprocess.DEVNULL)
    _, process.returncode, usage = os.wait4(process.pid, 0)
    assert (process.returncode, usage.ru_maxrss < 256 * 1024) == (0, True)
    # Set-ups beyond the machine's memory are refused before anything is filled.
    for words, parts in [(["adhoc=1", "nn=2000000"],
                          r"node-pair gains 2.38e\+05 GiB \(nn=2000000\)"),
                         (["adhoc=1", "nn=2000", "rng=keyed", "threads=4096"],
                          r"node-pair gains 0.238 GiB \(nn=2000\), in each of 4097 simulations "
                          r"\(threads=4096\)"),
                         (["ns=2147483647", "tx_wait_hist_size=2147483647"],
                          r"per-round lists 80 GiB \(ns=2147483647\), waiting-time histogram "
                          r"16 GiB \(tx_wait_hist_size=2147483647\)")]:
        run = sim(*words, "runs=1", "debug=0")
        assert (run.status, run.out) == (1, "")
        assert re.fullmatch(r"Error: the set-up needs [0-9.e+]+ GiB of memory, more than the "
                            r"[0-9.e+]+ GiB of this machine: %s\.\n" % parts, run.err), run.err
