"""Shared set-up of the sweep tool's tests: the simulator, the tool as a command, and a
hand-written --describe document for the unit tests (the package is found through the
pythonpath of pyproject.toml)."""

import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

from qrvl_sweep.describe import parse_describe

HERE = Path(__file__).resolve().parent
TOP = HERE.parents[2]

SIM = os.path.abspath(os.environ.get("QRVL_SIM", TOP / "build" / "qrvl_sim"))
TOOL = os.path.abspath(os.environ.get("QRVL_SWEEP", TOP / "tools" / "qrvl-sweep"))
# The tool (a Python script) run by the interpreter running the tests, as its Slurm tasks are.
COMMAND = [sys.executable, TOOL]
DESCRIBE = HERE / "describe.json"


@pytest.fixture(scope="session")
def simulator():
    """The options and columns of the hand-written --describe document."""
    return parse_describe(json.loads(DESCRIBE.read_text()), str(DESCRIBE))


def tool(*args, status=0, cwd=None):
    """Runs the tool; checks its exit status unless status is None."""
    result = subprocess.run([*COMMAND, *map(str, args)], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, timeout=300, cwd=cwd)
    if status is not None and result.returncode != status:
        raise AssertionError("%s: status %d, not %d\n%s" % (args, result.returncode, status,
                                                           result.stderr))
    return result


def plan(directory, *args, sim=SIM, status=0):
    """Plans a study in directory with the simulator sim."""
    return tool("plan", "-d", directory, "--sim", sim, *args, status=status)


def runs(directory):
    """The planned runs of a study, from its runs.tsv."""
    return rows(Path(directory, "runs.tsv"), "\t")


def slurm_task(script, number):
    """Runs array task number of a Slurm script."""
    return subprocess.run(["bash", script], capture_output=True, text=True, timeout=120,
                          env=dict(os.environ, SLURM_ARRAY_TASK_ID=str(number)))


def sim_output(*words):
    """The simulator's standard output for these option words."""
    return subprocess.run([SIM, *words], capture_output=True, check=True, timeout=120).stdout


def rows(path, separator=","):
    lines = Path(path).read_text().splitlines()
    return [dict(zip(lines[0].split(separator), line.split(separator))) for line in lines[1:]]


def wrapper(path, body, describe=None):
    """A stand-in simulator at path: a shell script answering --describe (with the document
    describe, if given) and --version through the real simulator and running body otherwise
    (with $SIM the real one)."""
    told = 'exec cat %s' % describe if describe else 'exec "$SIM" "$@"'
    Path(path).write_text('#!/bin/sh\nSIM=%s\ncase "$1" in --describe) %s;; --version) exec '
                          '"$SIM" "$@";; esac\n%s\n' % (SIM, told, body))
    os.chmod(path, 0o755)
    return str(path)
