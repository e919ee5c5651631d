"""Gathering a study: every run's summary line, one CSV row per point with the mean, sample
standard deviation and Student-t 95% half-width of each figure over its replications (each
replication of equal weight), and optionally one row per run.

D, D_an and D_net are undefined (printed as 0) for a run in which no node succeeded twice
(nn_succ = 0): they are averaged over the other runs, and a column `<figure>_n` says over how
many."""

import csv
import math
import os
import sys
from dataclasses import dataclass, field

from . import PROG
from .directory import debug_level, load_planned, read_runs, study_dir
from .errors import StudyError, note
from .records import latest_records
from .safety import check_plain
from .stats import estimate
from .summary import Layout, read_output

DEFAULT_FIGURES = ("Ps", "S", "D", "T", "pps")
# Figures that a run without a node of two successes does not define.
NEEDS_TWO_SUCCESSES = frozenset(("D", "D_an", "D_net"))


def format_value(x):
    if math.isnan(x):
        return "nan"
    if math.isinf(x):
        return "inf" if x > 0 else "-inf"
    return "%.10g" % x


def defined(figure, summary):
    """Whether a run's value of figure means something."""
    return figure not in NEEDS_TWO_SUCCESSES or summary.get("nn_succ", 1) > 0


@dataclass
class PointData:
    """The replications gathered for one point."""
    values: dict
    runs: int = 0
    figures: dict = field(default_factory=dict)

    def add(self, summary, figures):
        self.runs += 1
        for figure in figures:
            if defined(figure, summary):
                self.figures.setdefault(figure, []).append(summary[figure])

    def row(self, swept, figures):
        row = [self.values[word] for word in swept] + [str(self.runs)]
        for figure in figures:
            result = estimate(self.figures.get(figure, []))
            row += [format_value(result.mean), format_value(result.sd), format_value(result.ci95)]
            if figure in NEEDS_TWO_SUCCESSES:
                row.append(str(result.n))
        return row


def header(swept, figures):
    names = list(swept) + ["replications"]
    for figure in figures:
        names += [figure + "_mean", figure + "_sd", figure + "_ci95"]
        if figure in NEEDS_TWO_SUCCESSES:
            names.append(figure + "_n")
    return names


def parse_figures(text, columns):
    figures = [f.strip() for f in text.split(",") if f.strip()]
    if not figures:
        raise StudyError("--figures names no column")
    for figure in figures:
        if figure not in columns:
            raise StudyError("--figures: unknown column '%s' (the summary columns are: %s)"
                             % (figure, ", ".join(columns)))
    return list(dict.fromkeys(figures))


def open_output(path):
    if path == "-":
        return sys.stdout
    check_plain("the output file", path)
    try:
        return open(path + ".tmp", "w", encoding="utf-8", newline="")
    except OSError as error:
        raise StudyError("cannot write %s: %s" % (path, error.strerror))


def close_output(handle, path):
    if handle is not sys.stdout:
        handle.close()
        os.replace(path + ".tmp", path)


class RunsTable:
    """The optional table of one row per run, with the version of the simulator that made it."""

    def __init__(self, path, swept, columns, records):
        self.path, self.records = path, records
        self.handle = open_output(path) if path else None
        if self.handle:
            self.writer = csv.writer(self.handle, lineterminator="\n")
            self.writer.writerow(list(swept) + ["replication", "seed", "version"] + list(columns))

    def add(self, run, summary, columns):
        if self.handle:
            record = self.records.get(run.output)
            self.writer.writerow(list(run.values.values()) + [
                run.replication, run.seed, record.version if record else ""] +
                [format_value(summary[column]) for column in columns])

    def close(self):
        if self.handle:
            close_output(self.handle, self.path)


def command_gather(args):
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    figures = parse_figures(args.figures, planned.columns)
    points, problems = {}, 0
    runs_table = RunsTable(args.runs_csv, planned.swept, planned.columns,
                           latest_records(directory.finished) if args.runs_csv else {})
    for run in read_runs(directory.runs_tsv, directory.plan):
        point = points.setdefault(run.point, PointData(run.values))
        summary, problem = read_output(run.output, Layout(planned.columns,
                                                          debug_level(planned, run)))
        if problem:
            problems += 1
            sys.stderr.write("%s: %s: %s (%s, replication %d)\n" % (
                PROG, run.output, problem, run.describe_point(), run.replication))
            continue
        point.add(summary, figures)
        runs_table.add(run, summary, planned.columns)
    runs_table.close()
    output = args.output or directory.summary
    handle = open_output(output)
    writer = csv.writer(handle, lineterminator="\n")
    writer.writerow(header(planned.swept, figures))
    written = 0
    for point in points.values():
        if point.runs and (point.runs == planned.replications or args.partial):
            writer.writerow(point.row(planned.swept, figures))
            written += 1
    close_output(handle, output)
    if problems:
        left_out = len(points) - written
        note("%d of %d runs have no usable output; %s" % (
            problems, planned.run_count,
            "%d points left out of %s" % (left_out, output) if left_out else
            "their points are averaged over the runs that have one"))
        return 0 if args.partial else 1
    note("%d points, %d runs: %s" % (written, planned.run_count, output))
    return 0
