"""The stop rules and the histogram bounds of real runs."""

import pytest

from simulator import fields, lines, sim


def nodes_and_summary(*words):
    """Per-node rows (nn, node and successes in columns 0, 3 and 4), then the summary (runs, nn and
    successes in columns 0, 7 and 12)."""
    run = sim(*words, "debug=0", "pdf_nodes=1")
    assert run.status == 0, run.err
    return [fields(line) for line in lines(run.out)]


def test_stop_rules():
    assert nodes_and_summary("runs=777", "nn=4", "seed=3")[5][0] == "777"
    # With RTS/CTS a success takes 1680 us and a collision 120 us; the session that crosses the
    # time limit is the last one, and the limit overrides the frame quota and the count.
    timed = nodes_and_summary("max_time=250", "no_rts=0", "runs=3", "min_frames=2", "seed=5")[6]
    sessions, won = int(timed[0]), int(timed[12])
    assert won * 1680e-6 + (sessions - won) * 120e-6 >= 0.25
    assert (won - 1) * 1680e-6 + (sessions - won) * 120e-6 < 0.25
    # The frame quota stops when the last node below it reaches it, and overrides the count.
    quota = nodes_and_summary("min_frames=4", "nn=6", "runs=2", "seed=9")
    assert min(int(row[4]) for row in quota[1:7]) == 4
    assert int(quota[7][0]) > 24


OVERFLOW = ('Error: Index out of range for "tx_wait" (1/1). Preallocate more memory. '
            "Aborting ...")


@pytest.mark.parametrize("line", [
    # A lone node with a referee wins every session, each after waiting exactly one.
    "nn=1 pt=1 runs=50 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1",
    "centr=1 nn=1 pt=1 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1",
    "adhoc=1 nn=2 ns=200 rssi_min=-60 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1"])
def test_the_waiting_histogram_bounds_a_run(line):
    run = sim(*line.split())
    assert (run.status, run.err, run.out) == (4, OVERFLOW, "")


# The rounds histogram grows with ns: sessions never decided end at round ns however many.
@pytest.mark.parametrize("line,last", [
    ("nn=1 pt=1 runs=50 pdf_tx_wait=1 tx_wait_hist_size=2 debug=0", "   1, 1, 50"),
    ("nn=1 refs=0 ns=4096 runs=2 pdf_slots=1 debug=0", "1, 4096, 6, nan, 4096, 2, 1, 1"),
    ("centr=1 nn=2 ns=5000 rssi_thresh=-20 runs=3 pdf_slots=1 debug=0",
     "2, 5000, 6, nan, 5000, 3, 1, 1")])
def test_histograms_large_enough(line, last):
    run = sim(*line.split())
    assert run.status == 0, run.err
    assert lines(run.out)[-1] == last
