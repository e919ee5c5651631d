#!/usr/bin/env python3
"""Checks the plain C session (bench/literal_session.c built with -DLITERAL_MAIN) against qrvl_sim:
for every setting of the table below both programs play the same sessions from the same seed and
must count the same successes, failures, per-node successes and sessions ended in each round.

Usage: check_literal.py [--short] QRVL_SIM LITERAL_SESSION
  --short   every setting with a tenth of its sessions (at least one): the same paths in less
            time, for the sanitizer build
Exit status 0 when every setting agrees, 1 on any disagreement or failed run, 2 on bad usage."""

import itertools
import subprocess
import sys

# (nn, nf, pt list, refs, fsf_type, fsf_prob, seed, runs)
HAND_PICKED = [
    # the defaults
    (5, 6, "0.5,0.5,0.5", 1, "none", 0.1, 1, 10000),
    (5, 6, "0.5,0.5,0.5", 1, "binom", 0.1, 1, 10000),
    # seed extremes
    (5, 6, "0.5,0.5,0.5", 1, "none", 0.1, 0, 20000),
    (5, 6, "0.5,0.5,0.5", 1, "binom", 0.3, 4294967295, 20000),
    (50, 8, "0.2,0.4,0.6,0.8", 2, "binom", 0.3, 0, 5000),
    (300, 16, "0.05,0.2,0.5", 1, "none", 0.1, 4294967295, 2000),
    # a single session
    (1, 2, "1", 1, "none", 0.1, 7, 1),
    (5, 6, "0.5", 0, "binom", 0.3, 7, 1),
    (300, 16, "0.01,0.1,0.5,0.9,1", 2, "binom", 0.3, 4294967295, 1),
    # one node: without a dedicated referee nobody ever listens
    (1, 6, "1", 0, "none", 0.1, 3, 1000),
    (1, 6, "0.5,0.5,0.5", 0, "none", 0.1, 3, 1000),
    (1, 6, "0.5,0.5,0.5", 1, "none", 0.1, 3, 1000),
    (1, 6, "0.5,0.5,0.5", 2, "binom", 1, 3, 1000),
    # everybody transmits in round 0: undecided without a dedicated referee
    (5, 6, "1,0.5,0.5", 0, "none", 0.1, 11, 5000),
    (5, 6, "1,1,1", 0, "none", 0.1, 11, 5000),
    (5, 6, "1,1,1,1,1", 1, "none", 0.1, 11, 5000),
    # nobody ever transmits, or only in some rounds
    (5, 6, "0", 1, "none", 0.1, 12, 2000),
    (5, 6, "0,0,0,0,0", 0, "binom", 0.3, 12, 2000),
    (20, 6, "0,0.3,0,0.6", 1, "binom", 0.3, 12, 5000),
    (20, 6, "0.3,0,1", 0, "none", 0.1, 12, 5000),
    # fading that loses every subcarrier: replies read as class 0
    (5, 6, "0.5,0.5,0.5", 1, "binom", 1, 13, 5000),
    (50, 16, "0.3,0.6", 2, "binom", 1, 13, 2000),
    (2, 2, "1,1", 1, "binom", 1, 13, 5000),
    # no fading drawn with probability 0
    (5, 6, "0.5,0.5,0.5", 1, "binom", 0, 14, 10000),
    (100, 12, "0.1,0.3,0.6,1", 0, "binom", 0, 14, 3000),
    # short words, many nodes: protocol failures and collisions
    (300, 2, "0.5,0.5,0.5", 1, "binom", 0.3, 15, 2000),
    (300, 2, "1", 1, "none", 0.1, 15, 2000),
    (300, 3, "0.02,0.1,0.3,0.6,1", 2, "binom", 0.3, 15, 2000),
    # long words
    (17, 16, "0.5,0.5,0.5", 1, "binom", 0.3, 16, 5000),
    (2, 16, "1", 0, "none", 0.1, 16, 20000),
    (3, 14, "0.7,0.7", 1, "binom", 0.3, 16, 20000),
    # a long run at 16 subcarriers: about 2^29 codeword draws, of which a few fall above the last
    # full bucket of 16 and are drawn again (two of them with this seed)
    (300, 16, "1,1,1,1,1", 1, "none", 0.1, 1, 1000000),
]

NNS = [1, 2, 3, 5, 17, 50, 300]
NFS = [2, 3, 4, 6, 8, 11, 16]
PTS = ["0.5", "0.25,1", "1,0.5,0", "0.1,0.3,0.5,0.7", "0.2,0.2,0.5,0.8,1", "0,1", "0.9,0.9,0.9"]
REFS = [0, 1, 2]
CHANNELS = [("none", 0.1), ("binom", 0), ("binom", 0.3), ("binom", 1), ("binom", 0.05)]
SEEDS = [0, 1, 4294967295, 2024, 65536, 123456789]


def grid():
    """Every node count with every channel and referee count; the other values taken in turn."""
    rows = []
    for i, (nn, (fsf_type, fsf_prob), refs) in enumerate(itertools.product(NNS, CHANNELS, REFS)):
        nf = NFS[i % len(NFS)]
        pt = PTS[(i // 2) % len(PTS)]
        seed = SEEDS[(i // 3) % len(SEEDS)]
        runs = 20000 if nn <= 5 else 5000 if nn <= 50 else 1000
        rows.append((nn, nf, pt, refs, fsf_type, fsf_prob, seed, runs))
    return rows


def words(row):
    nn, nf, pt, refs, fsf_type, fsf_prob, seed, runs = row
    return ["nn=%d" % nn, "nf=%d" % nf, "pt=%s" % pt, "refs=%d" % refs, "runs=%d" % runs,
            "seed=%d" % seed, "fsf_type=%s" % fsf_type, "fsf_prob=%s" % fsf_prob]


def run(program, args):
    done = subprocess.run([program] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          universal_newlines=True, timeout=600)
    if done.returncode != 0:
        raise RuntimeError("%s exited with status %d: %s" % (program, done.returncode,
                                                             done.stderr.strip()[:200]))
    return done.stdout


def fields(line):
    return [f.strip() for f in line.split(",")]


def parse_sim(text, ns):
    """successes, failures, per-node successes and the rounds counts 0..ns from qrvl_sim's tables."""
    lines = [l for l in text.splitlines() if l.strip()]
    result = {"node": {}, "rounds": [0] * (ns + 1)}
    section = None
    header = None
    for line in lines:
        cols = fields(line)
        if cols[:5] == ["nn", "ns", "nf", "node", "successes"]:
            section = "node"
            continue
        if cols[:6] == ["nn", "ns", "nf", "pt[slot]", "slot", "successes"]:
            section = "rounds"
            continue
        if cols and cols[0] == "runs":
            section = "summary"
            header = cols
            continue
        if section == "node":
            result["node"][int(cols[3])] = int(cols[4])
        elif section == "rounds":
            result["rounds"][int(cols[4])] = int(cols[5])
        elif section == "summary":
            values = dict(zip(header, cols))
            result["runs"] = int(values["runs"])
            result["successes"] = int(values["successes"])
            result["failures"] = int(values["failures"])
            section = None
    nodes = result["node"]
    result["node"] = [nodes.get(i, None) for i in range(1, len(nodes) + 1)]
    return result


def parse_literal(text):
    lines = text.splitlines()
    runs, successes, failures = (int(v) for v in fields(lines[0]))
    return {"runs": runs, "successes": successes, "failures": failures,
            "node": [int(v) for v in fields(lines[1])],
            "rounds": [int(v) for v in fields(lines[2])]}


def check(sim, literal, row):
    args = words(row)
    ns = len(row[2].split(","))
    try:
        ours = parse_sim(run(sim, args + ["pdf_nodes=1", "pdf_slots=1", "debug=1"]), ns)
        theirs = parse_literal(run(literal, args))
    except (OSError, RuntimeError, subprocess.TimeoutExpired, ValueError, IndexError, KeyError) as e:
        return ["run failed: %s" % e]
    problems = []
    for key in ("runs", "successes", "failures"):
        if ours.get(key) != theirs.get(key):
            problems.append("%s: qrvl_sim %s, literal %s" % (key, ours.get(key), theirs.get(key)))
    for key, first in (("node", 1), ("rounds", 0)):
        a, b = ours.get(key), theirs.get(key)
        if len(a) != len(b):
            problems.append("%s: qrvl_sim has %d entries, literal %d" % (key, len(a), len(b)))
            continue
        differ = [i for i in range(len(a)) if a[i] != b[i]]
        if differ:
            shown = ", ".join("[%d] %s/%s" % (i + first, a[i], b[i]) for i in differ[:5])
            problems.append("%s: %d entries differ (qrvl_sim/literal): %s%s"
                            % (key, len(differ), shown, ", ..." if len(differ) > 5 else ""))
    if ours["successes"] + ours["failures"] > ours["runs"]:
        problems.append("qrvl_sim counts more outcomes than sessions")
    if sum(theirs["rounds"]) != theirs["runs"]:
        problems.append("literal rounds counts do not add up to the sessions")
    return problems


def shortened(row):
    return row[:-1] + (max(1, row[-1] // 10),)


def main(argv):
    short = argv[1:2] == ["--short"]
    if short:
        argv = argv[:1] + argv[2:]
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    sim, literal = argv[1], argv[2]
    rows = HAND_PICKED + grid()
    if short:
        rows = [shortened(row) for row in rows]
    bad = 0
    for row in rows:
        problems = check(sim, literal, row)
        label = " ".join(words(row))
        if problems:
            bad += 1
            print("DIFFER  %s" % label)
            for p in problems:
                print("        %s" % p)
        else:
            print("agree   %s" % label)
    print("%d of %d settings agree" % (len(rows) - bad, len(rows)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
