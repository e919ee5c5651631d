"""Replicated parameter studies of qrvl_sim: plan, run (GNU parallel or Slurm), gather, plot.

A study is a set of fixed options, swept options (their cartesian product makes the points), a
number of replications and a base seed. Every replication of every point is one qrvl_sim process
with its own seed and output file, so a study runs on any number of cores or hosts and resumes
after an interruption. The option words, their kinds and the summary columns come from the
simulator's own `--describe`.
"""

PROG = "qrvl-sweep"


def load(directory):
    """The done runs of the study in directory: a pandas DataFrame when pandas is installed, else
    a list of dicts, one per run, with every option, the replication, seed, simulator version,
    host, wall seconds and every summary column (None where a run does not define it)."""
    from .results import load as load_runs
    return load_runs(directory)
