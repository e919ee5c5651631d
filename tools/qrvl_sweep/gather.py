"""Gathering a study: every run's summary line, one CSV row per point with the mean, sample
standard deviation and Student-t 95% half-width of each figure over its replications (each
replication of equal weight), or one row per run and figure (--format long), paired
differences against a reference level (--diff-vs), one row per run (--runs-csv) and an SQLite
database (--sqlite).

D, D_an and D_net are undefined (printed as 0) for a run in which no node succeeded twice
(nn_succ = 0): they are averaged over the other runs, and a column `<figure>_n` says over how
many."""

import csv
import os
import sys

from . import PROG
from .aggregate import (PointData, format_value, header, point_names, point_row,  # noqa: F401
                        target_columns)
from .directory import load_planned, study_dir
from .errors import StudyError, note
from .factors import point_words
from .pairs import Pairing
from .precision import Verdicts
from .rank import Ranking, check_rank
from .results import collect, figure_names, option_columns, option_values
from .safety import check_plain
from .store import Store
from .suggest import nearest
from .targets import criteria_of

DEFAULT_FIGURES = ("Ps", "S", "D", "T", "pps")


def parse_figures(text, columns):
    """The figures --figures names ('all': every summary column)."""
    if text.strip() == "all":
        return list(columns)
    figures = [f.strip() for f in text.split(",") if f.strip()]
    if not figures:
        raise StudyError("--figures names no column")
    for figure in figures:
        if figure not in columns:
            raise StudyError("--figures: unknown column '%s'%s (the summary columns are: %s)"
                             % (figure, nearest(figure, columns, " (did you mean '%s'?)"),
                                ", ".join(columns)))
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


class Table:
    """A CSV file written row by row, put under its name once complete; nothing without path."""

    def __init__(self, path, names):
        self.path = path
        self.handle = open_output(path) if path else None
        if self.handle:
            self.writer = csv.writer(self.handle, lineterminator="\n")
            self.writer.writerow(names)

    def write(self, row):
        if self.handle:
            self.writer.writerow(row)

    def close(self):
        if self.handle:
            close_output(self.handle, self.path)


class RunsTable(Table):
    """One row per run: its options, replication, seed, the version of the simulator that made
    it, and all summary columns as the simulator printed them."""

    def __init__(self, path, planned):
        self.planned, self.options = planned, option_columns(planned)
        super().__init__(path, self.options + ["replication", "seed", "version"] +
                         figure_names(planned))

    def add(self, result):
        values = option_values(self.planned, result.run.values)
        self.write([values.get(c, "") for c in self.options] + [
            result.run.replication, result.run.seed, result.version] +
            [format_value(result.summary[c]) for c in self.planned.columns])


class LongTable(Table):
    """One row per run and figure: options, replication, seed, version, figure and value (nan
    where the run does not define the figure)."""

    def __init__(self, path, planned, figures):
        self.planned, self.figures, self.options = planned, figures, option_columns(planned)
        super().__init__(path, self.options + ["replication", "seed", "version", "figure",
                                               "value"])

    def add(self, result):
        values = option_values(self.planned, result.run.values)
        front = [values.get(c, "") for c in self.options] + [
            result.run.replication, result.run.seed, result.version]
        for figure in self.figures:
            self.write(front + [figure, format_value(result.value(figure))])


def default_output(args, directory):
    if args.output:
        return args.output
    if args.diff_vs:
        return os.path.join(directory.path, "diff-%s.csv" % args.diff_vs.replace("=", "-"))
    if args.rank:
        return os.path.join(directory.path, "rank-%s-by-%s.csv" % (args.rank, args.by))
    return directory.summary if args.format == "wide" else os.path.join(directory.path,
                                                                         "long.csv")


def check_arguments(args):
    if args.format == "long" and args.diff_vs:
        raise StudyError("--diff-vs gives one row per point; it does not go with --format long")
    for what, text in (("--sqlite", args.sqlite), ("--study-name", args.study_name)):
        if text is not None:
            check_plain(what, text)


def command_gather(args):
    check_arguments(args)
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    figures = parse_figures(args.figures, planned.columns)
    criteria = criteria_of(planned)
    wanted = list(dict.fromkeys(figures + [c.figure for c in criteria]))
    pairing = Pairing(planned, args.diff_vs, wanted) if args.diff_vs else None
    ranked = check_rank(args, planned.columns)
    ranking = Ranking(planned, ranked, args.by, args.lower_is_better) if ranked else None
    verdicts = Verdicts(planned, criteria, wanted)
    store = Store(args.sqlite, args.study_name or os.path.basename(directory.path), planned,
                  directory) if args.sqlite else None
    output = default_output(args, directory)
    runs_table = RunsTable(args.runs_csv, planned) if args.runs_csv else None
    long_table = LongTable(output, planned, figures) if args.format == "long" else None
    points, problems = {}, 0
    for result in collect(directory, planned):
        run = result.run
        point = points.setdefault(run.point, PointData(option_values(planned, run.values)))
        point.planned += 1
        if result.problem:
            problems += 1
            sys.stderr.write("%s: %s: %s (%s, replication %d)\n" % (
                PROG, run.output, result.problem, run.describe_point(), run.replication))
            continue
        point.add(result.summary, wanted)
        point.versions.add(result.version)
        point.binaries.add(result.record.sha256 if result.record else "")
        for table in (runs_table, long_table, pairing, store, verdicts, ranking):
            if table is not None:
                table.add(result)
    for table in (runs_table, long_table):
        if table is not None:
            table.close()
    complete = {key: p for key, p in points.items()
                if p.runs and (p.runs == p.planned or args.partial)}
    missed = verdicts.missed(complete)
    diffs = settled_pairs(pairing, complete, verdicts)
    if ranking:
        written = write_ranks(output, ranking, complete)
    elif args.format == "wide":
        written = write_points(output, diffs, planned, complete, figures, criteria, missed)
    else:
        written = len(complete)
    if store:
        store.finish(complete, figures, criteria, missed, diffs, ranking)
    tell_mixed_binaries(planned, complete)
    return report(problems, points, complete, written, planned, output, args.partial)


def settled_pairs(pairing, complete, verdicts):
    """The paired differences of --diff-vs with their half-widths settled and their own
    criteria: (vs, [(point id, differences)], criteria); None without --diff-vs."""
    if pairing is None:
        return None
    pairs = pairing.points(complete)
    for _, pair in pairs:
        verdicts.settle(pair, pairing.vs)
    return pairing.vs, pairs, [c for c in verdicts.criteria if c.vs == pairing.vs]


def write_points(output, diffs, planned, complete, figures, criteria, missed):
    """Writes the per-point CSV (or the paired differences); returns the rows written."""
    names = point_names(planned)
    if diffs:
        _, pairs, own = diffs
        table = Table(output, header(names + ["vs"], figures) + target_columns(own))
        for _, point in pairs:
            table.write(point_row(point, names + ["vs"], figures, own))
        table.close()
        return len(pairs)
    table = Table(output, header(names, figures) + target_columns(criteria))
    for key, point in complete.items():
        table.write(point_row(point, names, figures, criteria, missed[key]))
    table.close()
    return len(complete)


def write_ranks(output, ranking, complete):
    """Writes the ranking of the complete points; returns the rows written."""
    table = Table(output, ranking.names())
    rows = ranking.rows(complete)
    for row in rows:
        table.write(row)
    table.close()
    return len(rows)


def tell_mixed_binaries(planned, complete):
    """Names the points whose runs come from more than one simulator binary."""
    mixed = [point for point in complete.values() if len(point.binaries - {""}) > 1]
    if mixed:
        note("%d points mix runs of several simulator binaries (the version column says how "
             "many; finished.tsv names each run's): %s%s" % (
                 len(mixed), ", ".join(point_words({name: p.values[name] for name in planned.swept})
                                      or "the single point" for p in mixed[:5]),
                 ", ..." if len(mixed) > 5 else ""))


def report(problems, points, complete, written, planned, output, partial):
    if problems:
        left_out = len(points) - len(complete)
        note("%d of %d runs have no usable output; %s" % (
            problems, planned.run_count,
            "%d points left out of %s" % (left_out, output) if left_out else
            "their points are averaged over the runs that have one"))
        return 0 if partial else 1
    note("%d points, %d runs: %s" % (written, planned.run_count, output))
    return 0
