"""The run list: one Run per line of the plan (runs.tsv beside plan.txt, or todo.tsv beside
todo.txt for a session of GNU parallel), written and read back; every command checks it against
study.json before it trusts it."""

import csv
import shlex
from dataclasses import dataclass
from typing import IO, Dict, Iterator, List

from .directory import StudyDir
from .errors import StudyError
from .factors import point_words
from .planned import Planned
from .tsv import read_rows, write_row

RUN_COLUMNS = ["line", "point", "replication", "seed", "output"]


@dataclass(frozen=True)
class Run:
    """One replication of one point: a line of the plan."""
    line: int
    point: str           # the point's id
    replication: int
    seed: int
    output: str
    values: Dict[str, str]      # factor name -> label
    command: str         # the plan line

    @property
    def errors(self) -> str:
        return self.output[:-len(".csv")] + ".err"

    @property
    def simulator_command(self) -> str:
        """The simulator's command line, without the redirections of the plan line."""
        redirect = " >" + shlex.quote(self.output[:-len(".csv")] + ".part")
        at = self.command.find(redirect)
        return self.command[:at] if at >= 0 else self.command

    def describe_point(self) -> str:
        if not self.values:
            return "the single point"
        return "point " + point_words(self.values)


def header(planned: Planned) -> List[str]:
    return RUN_COLUMNS + planned.swept


def write_run(runs: IO[str], plan: IO[str], run: Run) -> None:
    """Appends a run to an open run list and its line to the open plan."""
    write_row(runs, [run.line, run.point, run.replication, run.seed, run.output] +
              list(run.values.values()))
    plan.write(run.command + "\n")


def parse_run_row(names: List[str], fields: List[str], command: str) -> Run:
    if len(fields) != len(names):
        raise ValueError("%d fields under a header of %d" % (len(fields), len(names)))
    swept = dict(zip(names[len(RUN_COLUMNS):], fields[len(RUN_COLUMNS):]))
    return Run(int(fields[0]), fields[1], int(fields[2]), int(fields[3]), fields[4], swept,
               command)


def read_runs(runs_path: str, plan_path: str) -> Iterator[Run]:
    """Every run of a run list (runs.tsv or todo.tsv) with its plan line, in order."""
    try:
        with open(runs_path, encoding="utf-8", newline="") as runs, \
                open(plan_path, encoding="utf-8") as plan:
            rows = read_rows(runs)
            names: List[str] = next(rows, [])
            if names[:len(RUN_COLUMNS)] != RUN_COLUMNS:
                raise ValueError("the header is not %s" % " ".join(RUN_COLUMNS))
            for number, (fields, command) in enumerate(zip(rows, plan), 2):
                try:
                    yield parse_run_row(names, fields, command.rstrip("\n"))
                except ValueError as error:
                    raise ValueError("line %d: %s" % (number, error))
    except FileNotFoundError as error:
        raise StudyError("%s is missing; plan the study again" % error.filename)
    except UnicodeDecodeError as error:
        raise StudyError("%s or %s is not UTF-8 text (%s); plan the study again"
                         % (runs_path, plan_path, error.reason))
    except (OSError, ValueError, csv.Error) as error:
        raise StudyError("cannot read %s: %s; plan the study again" % (runs_path, error))


def line_count(path: str) -> int:
    """The number of line ends in a file."""
    count = 0
    try:
        with open(path, "rb") as handle:
            for block in iter(lambda: handle.read(1 << 20), b""):
                count += block.count(b"\n")
    except FileNotFoundError:
        raise StudyError("%s is missing; plan the study again" % path)
    except OSError as error:
        raise StudyError("cannot read %s: %s" % (path, error.strerror or error))
    return count


def planned_runs(directory: StudyDir, planned: Planned) -> Iterator[Run]:
    """Every run of the study in plan order, once runs.tsv and plan.txt are checked to list
    exactly the runs study.json plans: a lost or added line is refused, not skipped."""
    listed, lines = line_count(directory.runs_tsv) - 1, line_count(directory.plan)
    if listed != planned.run_count or lines != planned.run_count:
        raise StudyError("the study plans %d runs, but %s lists %d and %s has %d lines; plan "
                         "the study again (runs already done are kept)" % (
                             planned.run_count, directory.runs_tsv, max(listed, 0),
                             directory.plan, lines))
    for number, run in enumerate(read_runs(directory.runs_tsv, directory.plan), 1):
        if run.line != number:
            raise StudyError("%s: line %d names plan line %d; plan the study again"
                             % (directory.runs_tsv, number + 1, run.line))
        yield run
