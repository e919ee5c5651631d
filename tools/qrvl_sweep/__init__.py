"""Replicated parameter studies of qrvl_sim: plan, run (GNU parallel or Slurm), gather, plot.

A study is a set of fixed options, swept options (their cartesian product makes the points), a
number of replications and a base seed. Every replication of every point is one qrvl_sim process
with its own seed and output file, so a study runs on any number of cores or hosts and resumes
after an interruption. The option words, their kinds and the summary columns come from the
simulator's own `--describe`.
"""

PROG = "qrvl-sweep"
VERSION = "1.2"


from .api import (gather_study, load_diffs, load_runs, load_summary, plan_study,  # noqa: E402
                  run_study)
from .errors import StudyError  # noqa: E402

__all__ = ["plan_study", "run_study", "gather_study", "load", "load_runs", "load_summary",
           "load_diffs", "StudyError", "PROG", "VERSION"]


def load(directory, as_list=False):
    """The done runs of the study in directory: a pandas DataFrame, or a list of dicts (one per
    run: every option, the replication, seed, simulator version, host, wall seconds and every
    summary column, None where a run does not define it) with as_list=True or, with a warning
    naming the interpreter, where pandas is missing."""
    return load_runs(directory, as_list)
