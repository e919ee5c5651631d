#!/usr/bin/env python3
"""Coverage of the 95% intervals of studies run to precision targets (run --until), simulated
through the sweep tool's own stopping rule and estimates: per setting, STUDIES studies of one
point (or one pair of points for a diff() target), each run as `run --until` runs it.

  PYTHONPATH=tools bench/tools/stopping_coverage.py [STUDIES]   (default 100000; a Markdown table)

(or with the package installed, see README, without PYTHONPATH)."""

import bisect
import math
import multiprocessing
import random
import sys

from qrvl_sweep.results.aggregate import PointData
from qrvl_sweep.results.stopping import Stages
from qrvl_sweep.results.targets import parse_criterion

SESSIONS = 1000           # sessions behind one replication's Ps
FIRST = 10                # the built-in --min-replications
MAXIMUM = 1000
LOOSE_TO_TIGHT = (4, 15, 40, 100)     # replications a known sd would need at each target
BATCHES = (1, 3, 10)
DATA = ("normal", "Ps at p = 0.9", "Ps at p = 0.99")


def binomial_table(p):
    """The distribution function of the successes in SESSIONS sessions."""
    logs = [math.lgamma(SESSIONS + 1) - math.lgamma(k + 1) - math.lgamma(SESSIONS - k + 1) +
            k * math.log(p) + (SESSIONS - k) * math.log1p(-p) for k in range(SESSIONS + 1)]
    total, table = 0.0, []
    for value in logs:
        total += math.exp(value)
        table.append(total)
    return table


def sampler(kind, rng):
    """(draw one replication's figure, its mean, its standard deviation)."""
    if kind == "normal":
        return (lambda: rng.gauss(0.0, 1.0)), 0.0, 1.0
    p = 0.9 if kind.endswith("0.9") else 0.99
    table, last = binomial_table(p), SESSIONS

    def draw():
        return min(bisect.bisect_left(table, rng.random()), last) / SESSIONS
    return draw, p, math.sqrt(p * (1 - p) / SESSIONS)


def one_study(draw, criterion, stages):
    """Runs one item to its target; returns (its settled estimate, its replications)."""
    values = [draw() for _ in range(stages.first)]
    while True:
        need = stages.needed([criterion], {criterion.figure: values}, len(values))
        if need <= len(values):
            break
        values += [draw() for _ in range(need - len(values))]
    point = PointData({}, figures={criterion.figure: values})
    point.settle([criterion], stages)
    return point.estimate(criterion.figure), len(values)


def setting(job):
    """Coverage and mean replications of one setting."""
    kind, paired, stars, batch, studies, seed = job
    rng = random.Random(seed)
    draw_one, mean, sd = sampler(kind, rng)
    draw, mean, sd = ((lambda: draw_one() - draw_one()), 0.0, sd * math.sqrt(2)) if paired \
        else (draw_one, mean, sd)
    bound = 1.959963984540054 * sd / math.sqrt(stars)
    criterion = parse_criterion("%sPs_ci95<%r" % ("", bound), ["Ps"])
    stages = Stages(FIRST, batch, MAXIMUM)
    covered = total = 0
    for _ in range(studies):
        estimate, count = one_study(draw, criterion, stages)
        covered += abs(estimate.mean - mean) < estimate.ci95
        total += count
    return covered / studies, total / studies


def main():
    studies = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    jobs = [(kind, paired, stars, batch, studies, seed) for seed, (kind, paired, stars, batch)
            in enumerate((k, d, s, b) for d in (False, True) for k in DATA
                         for s in LOOSE_TO_TIGHT for b in BATCHES)]
    with multiprocessing.Pool() as pool:
        results = pool.map(setting, jobs)
    se = 100 * math.sqrt(0.95 * 0.05 / studies)
    print("Coverage of the 95%% intervals (%%), %d studies per setting (standard error %.2f), "
          "first stage %d; target at n* replications of a known sd; mean replications in "
          "brackets\n" % (studies, se, FIRST))
    print("| target on | data | n* | " + " | ".join("batch %d" % b for b in BATCHES) + " |")
    print("|---|---|---|" + "---|" * len(BATCHES))
    for row in range(0, len(jobs), len(BATCHES)):
        kind, paired, stars = jobs[row][:3]
        cells = ["%.2f (%.1f)" % (100 * c, n) for c, n in results[row:row + len(BATCHES)]]
        print("| %s | %s | %d | %s |" % ("difference" if paired else "point", kind, stars,
                                         " | ".join(cells)))
    print("\nLowest coverage: %.2f%%" % (100 * min(c for c, _ in results)))


if __name__ == "__main__":
    main()
