"""The first session of a two-node ad hoc run is won by either node with probability 1/2, with the
generators seeded from the clock and with consecutive seeds: the streams of one run are not
functions of each other, nor of a nearby run's (coupled streams make one node win nearly all)."""

import math

import pytest

from simulator import fields, lines, sim


@pytest.mark.parametrize("seeded", [False, True], ids=["clock", "consecutive"])
def test_first_ad_hoc_session_is_won_evenly(seeded):
    wins = [0, 0]
    for r in range(300):
        run = sim("adhoc=1", "nn=2", "runs=1", "pdf_nodes=1", "debug=0",
                  *(["seed=%d" % (7000 + r)] if seeded else []))
        rows = lines(run.out)
        for node in range(2):
            wins[node] += int(fields(rows[1 + node])[4])
    n = sum(wins)
    assert n > 100  # most first sessions succeed
    assert abs(wins[0] - n / 2) <= 5 * math.sqrt(n / 4)
