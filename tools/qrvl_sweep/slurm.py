"""Running a study as a Slurm job array: a script whose task i is `qrvl-sweep task`, which runs K
lines of the plan (line i with K = 1), skipping runs already done, checks that the simulator is
the study's, and appends a record per run to finished.tsv. Each task asks for as many CPUs as
the most threads a simulator of the study runs."""

import argparse
import os
import shlex
import sys
from typing import List, Optional

from .directory import StudyDir, study_dir, write_file
from .errors import StudyError, note
from .planned import Planned, load_planned
from .safety import check_plain

# Slurm's own MaxArraySize: array indexes go up to one less.
SLURM_MAX_ARRAY = 1001


def tool_words() -> List[str]:
    """This tool run by this interpreter: the launcher of a checkout, or the package
    installed."""
    launcher = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                            "qrvl-sweep")
    if os.path.isfile(launcher):
        return [sys.executable, launcher]
    return [sys.executable, "-m", "qrvl_sweep"]


def task_line(directory: StudyDir, allow_mixed: bool, per_task: int) -> str:
    """The script's one command: the array task, run by this tool with this interpreter."""
    words = tool_words() + ["task", "-d", directory.path, "--runs-per-task", str(per_task)] + \
        (["--allow-mixed"] if allow_mixed else [])
    task = '"${SLURM_ARRAY_TASK_ID:?SLURM_ARRAY_TASK_ID is not set}"'
    return "exec %s %s" % (shlex.join(words), task)


def runs_per_task(planned: Planned, asked: Optional[int], max_array: int) -> int:
    """K: as asked, raised so that ceil(N / K) tasks fit below the site's MaxArraySize."""
    per_task = asked or 1
    limit = max_array - 1
    if -(-planned.run_count // per_task) > limit:
        per_task = -(-planned.run_count // limit)
        note("%d runs at %d a task need more than the %d array tasks MaxArraySize %d allows; "
             "%d runs a task" % (planned.run_count, asked or 1, limit, max_array, per_task))
    return per_task


def command_slurm(args: argparse.Namespace) -> int:
    for option in args.sbatch or []:
        check_plain("--sbatch", option)
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    if args.max_array < 2:
        raise StudyError("--max-array must be at least 2 (Slurm's MaxArraySize), not %d"
                         % args.max_array)
    per_task = runs_per_task(planned, args.runs_per_task, args.max_array)
    tasks = -(-planned.run_count // per_task)
    path = os.path.abspath(args.output) if args.output else os.path.join(directory.path,
                                                                          "slurm.sh")
    check_plain("the script path", path)
    os.makedirs(directory.slurm, exist_ok=True)
    array = "1-%d" % tasks + ("%%%d" % args.throttle if args.throttle else "")
    lines = [
        "#!/bin/bash",
        "# Slurm job array of the qrvl-sweep study in %s:" % directory.path,
        "# task i runs lines (i - 1) x %d + 1 to i x %d of the plan, skipping runs already done."
        % (per_task, per_task),
        "#SBATCH --job-name=qrvl-sweep",
        "#SBATCH --array=%s" % array,
        "#SBATCH --ntasks=1",
        "#SBATCH --cpus-per-task=%d" % planned.most_threads(),
        "#SBATCH --output=%s" % os.path.join(directory.slurm, "%A_%a.log"),
    ]
    lines += ["#SBATCH %s" % option for option in args.sbatch or []]
    lines.append(task_line(directory, args.allow_mixed, per_task))
    write_file(path, "\n".join(lines) + "\n")
    os.chmod(path, 0o755)
    note("wrote %s for %d runs in %d tasks of %d; submit it with: sbatch %s"
         % (path, planned.run_count, tasks, per_task, path))
    return 0
