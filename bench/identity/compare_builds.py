#!/usr/bin/env python3
"""Compares two builds of qrvl_sim on a list of command lines: standard output and exit status
must be byte for byte the same (standard error holds timings, so it is not compared).

Usage: compare_builds.py OLD_BINARY NEW_BINARY [SETTINGS_FILE]
The settings default to settings.txt beside this script, one command line per line ('#' starts a
comment). Exit status 0 when every line agrees, 1 otherwise (the differing lines are listed)."""

import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor


def run(binary, line):
    done = subprocess.run([binary, *line.split()], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=600)
    return done.returncode, done.stdout


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    old, new = sys.argv[1:3]
    settings = sys.argv[3] if len(sys.argv) == 4 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "settings.txt")
    lines = [line.strip() for line in open(settings) if line.strip() and not line.startswith("#")]
    with ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        results = list(pool.map(lambda line: (line, run(old, line), run(new, line)), lines))
    differing = [line for line, a, b in results if a != b]
    for line in differing:
        print("differs: %s" % line)
    print("%d of %d command lines agree" % (len(lines) - len(differing), len(lines)))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
