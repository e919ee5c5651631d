"""The program's ends: results that could not be written fail with status 6, standard output comes
before the last diagnostics, an interrupted run reports the sessions it made, standard error by
debug level, the seed line, --version, and the memory of large runs."""

import os
import re
import signal
import subprocess
import time

import pytest

from simulator import SIM, fields, lines, peak_kib, sim

NOTE = "# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
COMMANDS = [["seed=1", "runs=1000", "debug=0"],
            ["seed=1", "runs=100", "nn=20000", "pdf_nodes=1", "debug=0"],
            ["-h"], ["--version"], ["--describe"]]
LOST = [("full", "No space left on device"), ("closed", "Bad file descriptor"),
        ("broken-pipe", "Broken pipe")]


@pytest.mark.parametrize("where,reason", LOST, ids=[where for where, _ in LOST])
@pytest.mark.parametrize("words", COMMANDS, ids=lambda words: words[-1].strip("-"))
def test_results_that_could_not_be_written_fail_with_status_6(words, where, reason):
    if where == "full":
        with open("/dev/full", "wb") as full:
            run = sim(*words, stdout=full)
    else:
        run = sim(*words, stdout=where)
    assert (run.status, run.err) == (6, "Error: could not write the results: %s\n" % reason)
    assert sim(*words, stdout=subprocess.DEVNULL).status == 0


def test_standard_output_comes_before_the_last_diagnostics():
    merged = sim("seed=5", "runs=300", merged=True)
    report = sim("seed=5", "runs=300", "debug=1").out
    assert merged.status == 0
    assert re.fullmatch(re.escape(NOTE + "# seed 5\n" + report) + r"// simtime [0-9.e+-]+ sec",
                        merged.out), merged.out


@pytest.mark.parametrize("stop,number", [("runs=2000000000", signal.SIGINT),
                                         ("max_time=2000000000", signal.SIGTERM),
                                         ("min_frames=2000000000", signal.SIGHUP)])
def test_an_interrupted_run_reports_the_sessions_it_made(stop, number):
    run = sim("seed=3", "progress=0", stop, signals=[number])
    assert run.status == 128 + number, run.err
    made = re.fullmatch(re.escape(NOTE) + r"# seed 3\n# interrupted after (\d+) sessions\n"
                        r"// simtime [0-9.e+-]+ sec", run.err)
    assert made, run.err
    summary = fields(lines(run.out)[1])
    assert summary[0] == made.group(1)
    assert float(summary[14]) == pytest.approx(int(summary[12]) / int(summary[0]), rel=1e-5)


def deliver_together(how):
    """A long run stopped as timeout or a batch system stops it: a signal to the process and at
    once another to its process group. Returns the status and standard output."""
    words = ["runs=2000000000", "seed=1", "debug=0"]
    if how == "timeout":
        done = subprocess.run(["timeout", "0.2", SIM, *words], capture_output=True, timeout=60)
        return done.returncode, done.stdout.decode()
    number = signal.SIGINT if how == "interrupt" else signal.SIGTERM
    process = subprocess.Popen([SIM, *words], stdout=subprocess.PIPE, start_new_session=True)
    time.sleep(0.2)
    process.send_signal(number)
    os.killpg(process.pid, number)
    out, _ = process.communicate(timeout=60)
    return process.returncode, out.decode()


@pytest.mark.parametrize("how,status", [("timeout", 124), ("interrupt", 130), ("terminate", 143)])
def test_signals_sent_together_are_one_request_and_the_report_is_kept(how, status):
    for _ in range(3):
        returned, out = deliver_together(how)
        assert returned == status
        assert len(fields(out)) == 38 + 9 and int(fields(out)[0]) > 0, out


def test_standard_error_by_debug_level():
    quiet = [sim("seed=21", "runs=200", level) for level in ("debug=-1", "debug=0", "debug=1")]
    assert [run.err for run in quiet] == ["", "", ""]
    for stop in ("runs=200", "max_time=-1", "min_frames=2"):
        run = sim("seed=21", stop)
        assert run.status == 0
        assert re.search(r"\n// simtime [0-9.e+-]+ sec\Z", run.err), run.err
    assert sim("seed=21", "runs=200").out == quiet[2].out


def test_the_seed_line_repeats_a_clock_seeded_run_and_version_needs_no_run():
    clock = sim("runs=500", "fsf_type=rssi")
    seed = re.search(r"^# seed (\d+)$", clock.err, re.M).group(1)
    assert sim("runs=500", "fsf_type=rssi", "seed=" + seed).out == clock.out
    version = sim("--version", "nn=0")
    assert (version.status, version.err) == (0, "")
    assert re.fullmatch(r"qrvl_sim 2\.3 \(build 234\)( revision \S+)?\n", version.out)
    assert sim("--version", "-h").out.startswith("\nQRVL Simulator v2.3.234\n")


def test_large_runs_allocate_what_their_session_reads():
    # A basic run keeps no node-pair tables: 3.1 GB at nn 20000 before.
    assert peak_kib("nn=20000", "runs=20", "seed=1", "debug=0") < 256 * 1024
    # Set-ups beyond the machine's memory are refused before anything is filled.
    for words, parts in [(["adhoc=1", "nn=2000000"], r"node-pair gains 2.38e\+05 GiB \(nn=2000000\)"),
                         (["ns=2147483647", "tx_wait_hist_size=2147483647"],
                          r"per-round lists 80 GiB \(ns=2147483647\), waiting-time histogram "
                          r"16 GiB \(tx_wait_hist_size=2147483647\)")]:
        run = sim(*words, "runs=1", "debug=0")
        assert (run.status, run.out) == (1, "")
        assert re.fullmatch(r"Error: the set-up needs [0-9.e+]+ GiB of memory, more than the "
                            r"[0-9.e+]+ GiB of this machine: %s\.\n" % parts, run.err), run.err


def test_without_rounds_every_session_ends_at_index_0():
    run = sim("ns=0", "runs=40", "debug=1", "pdf_slots=1", "pdf_nodes=1", "nn=2", "seed=3")
    out = lines(run.out.replace("-nan", "nan"))
    assert len(out) == 7
    assert out[1] == "2, 0, 6, 1, 0, 0, 1, nan"
    assert len(fields(out[4])) == 38
    assert out[6] == "2, 0, 6, nan, 0, 40, 1, 1"
