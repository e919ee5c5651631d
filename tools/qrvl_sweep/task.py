"""One task of a Slurm job array (`qrvl-sweep task -d DIR --runs-per-task K N`): lines
(N - 1) x K + 1 to N x K of the plan one after the other, each skipped when its output is done
by the tool's one rule, each ended run recorded in finished.tsv; the status is 1 when a run of
the task failed."""

import argparse
import itertools
import os
import socket
import subprocess
import sys
import time
from typing import Optional

from .describe import Identity
from .directory import StudyDir, study_dir
from .errors import StudyError, note
from .execute import check_simulator
from .planned import Planned, load_planned
from .results.records import Record, append_records
from .results.runs import read_run_output
from .runlist import Run, planned_runs
from .version import PROG


def run_one(directory: StudyDir, planned: Planned, run: Run, identity: Identity
            ) -> Optional[str]:
    """Runs one plan line; returns why its output is not done (None when it is)."""
    start = time.time()
    status = subprocess.call(["/bin/sh", "-c", run.command], stdin=subprocess.DEVNULL)
    seconds = time.time() - start
    problem = read_run_output(planned, run)[1] if status == 0 else "exit status %d" % status
    append_records(directory.finished, [Record(
        run.output, run.line, run.point, run.replication, run.seed, status,
        socket.gethostname(), time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(start)),
        round(seconds, 3), identity.version, identity.sha256, run.command)])
    return problem


def command_task(args: argparse.Namespace) -> int:
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    per_task = args.runs_per_task or 1
    first = (args.number - 1) * per_task
    if args.number < 1 or first >= planned.run_count:
        raise StudyError("the plan %s has no line %d (it has %d)"
                         % (directory.plan, first + 1, planned.run_count))
    os.makedirs(directory.out, exist_ok=True)
    identity: Optional[Identity] = None
    failed = 0
    for run in itertools.islice(planned_runs(directory, planned), first, first + per_task):
        if read_run_output(planned, run)[0] is not None:
            note("%s is done already" % run.output)
            continue
        identity = identity or check_simulator(directory, planned, args.allow_mixed, False)
        problem = run_one(directory, planned, run, identity)
        if problem is not None:
            failed += 1
            sys.stderr.write("%s: the run at %s, replication %d failed (%s):\n  %s\n" % (
                PROG, run.describe_point(), run.replication, problem, run.simulator_command))
    return 1 if failed else 0
