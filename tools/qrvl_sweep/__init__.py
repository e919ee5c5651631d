"""Replicated parameter studies of qrvl_sim: plan, run (GNU parallel or Slurm), gather, plot.

A study is a set of fixed options, swept options (their cartesian product makes the points), a
number of replications and a base seed. Every replication of every point is one qrvl_sim process
with its own seed and output file, so a study runs on any number of cores or hosts and resumes
after an interruption. The option words, their kinds, rules and the summary columns come from the
simulator's own `--describe`.
"""

from .api import (gather_study, load, load_diffs, load_runs, load_summary, plan_study,
                  run_study)
from .errors import StudyError
from .version import PROG, VERSION

__all__ = ["plan_study", "run_study", "gather_study", "load", "load_runs", "load_summary",
           "load_diffs", "StudyError", "PROG", "VERSION"]
