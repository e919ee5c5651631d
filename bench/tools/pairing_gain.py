#!/usr/bin/env python3
"""How much common seeds narrow the interval of a difference in Ps, per random-number mode.

For each comparison (level A against level B, all else as in SETTING) and each mode (rng=keyed,
rng=mt), replication r runs A with seed 1000 + r, B with the same seed (paired difference
d_r = Ps_A - Ps_B) and B with seed 500000 + r (unpaired difference u_r). The gain is
sd(u) / sd(d): how many times narrower the paired interval is at the same replications.

  bench/tools/pairing_gain.py [SIMULATOR] [--replications N]
  (default simulator build/qrvl_sim, default 200 replications; prints a Markdown table)
"""

import argparse
import concurrent.futures
import math
import os
import statistics
import subprocess
from typing import Dict, List, Tuple

Options = Dict[str, str]

SETTING: Options = {"nn": "20", "nf": "8", "fsf_type": "binom", "fsf_prob": "0.1",
                    "runs": "4000", "debug": "1"}
COMPARISONS: List[Tuple[str, Options, Options]] = [
    ("fsf_prob 0.10 vs 0.12", {"fsf_prob": "0.10"}, {"fsf_prob": "0.12"}),
    ("first-round pt 0.5 vs 0.45", {"pt": "0.5,0.5,0.5"}, {"pt": "0.45,0.5,0.5"}),
    ("fsf_fbk class vs perf", {"fsf_fbk": "class"}, {"fsf_fbk": "perf"}),
    ("fsf_prob 0.100 vs 0.101", {"fsf_prob": "0.100"}, {"fsf_prob": "0.101"}),
    ("nn 20 vs 21", {"nn": "20"}, {"nn": "21"}),
]
MODES = ("keyed", "mt")
PAIRED_SEED, UNPAIRED_SEED = 1000, 500000


def success_probability(simulator: str, options: Options) -> float:
    """Ps of one run: the summary line under the header that debug=1 prints."""
    # The simulator keeps the first of repeated options, so the levels are merged here.
    args = [simulator] + ["%s=%s" % item for item in options.items()]
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    header, summary = out.strip().splitlines()[-2:]
    columns = [name.strip() for name in header.split(",")]
    return float(summary.split(",")[columns.index("Ps")])


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("simulator", nargs="?", default="build/qrvl_sim")
    parser.add_argument("--replications", type=int, default=200)
    args = parser.parse_args()
    reps = args.replications

    # (comparison, mode, replication) -> [Ps_A(s), Ps_B(s), Ps_B(t)]
    results: Dict[Tuple[int, str, int], List[float]] = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
        futures = {}
        for c, (_, level_a, level_b) in enumerate(COMPARISONS):
            for mode in MODES:
                for r in range(reps):
                    runs = ((level_a, PAIRED_SEED + r), (level_b, PAIRED_SEED + r),
                            (level_b, UNPAIRED_SEED + r))
                    for slot, (level, seed) in enumerate(runs):
                        options = {**SETTING, **level, "rng": mode, "seed": str(seed)}
                        future = pool.submit(success_probability, args.simulator, options)
                        futures[future] = (c, mode, r, slot)
        for future in concurrent.futures.as_completed(futures):
            c, mode, r, slot = futures[future]
            results.setdefault((c, mode, r), [math.nan] * 3)[slot] = future.result()

    print("Pairing gain sd(unpaired) / sd(paired) of the Ps difference A - B, %d replications "
          "of %s sessions per comparison\n" % (reps, SETTING["runs"]))
    print("| comparison | ratio rng=keyed | ratio rng=mt | mean paired difference (keyed) |")
    print("|---|---|---|---|")
    for c, (label, _, _) in enumerate(COMPARISONS):
        cells = []
        for mode in MODES:
            rows = [results[(c, mode, r)] for r in range(reps)]
            paired = statistics.stdev(a - b for a, b, _ in rows)
            unpaired = statistics.stdev(a - t for a, _, t in rows)
            cells.append("%.2f" % (unpaired / paired) if paired > 0 else "inf")
        keyed = [a - b for a, b, _ in (results[(c, "keyed", r)] for r in range(reps))]
        mean, se = statistics.mean(keyed), statistics.stdev(keyed) / math.sqrt(reps)
        print("| %s | %s | %+.5f ± %.5f |" % (label, " | ".join(cells), mean, se))
    print("\n(± is the standard error of the mean paired difference)")


if __name__ == "__main__":
    main()
