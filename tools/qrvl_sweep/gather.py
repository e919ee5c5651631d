"""Gathering a study: every run's summary line, one CSV row per point with the mean, sample
standard deviation and Student-t 95% half-width of each figure over its replications (each
replication of equal weight), or one row per run and figure (--format long), paired
differences against a reference level (--diff-vs), one row per run (--runs-csv) and an SQLite
database (--sqlite).

D, D_an and D_net are undefined (printed as 0) for a run in which no node succeeded twice
(nn_succ = 0): they are averaged over the other runs, and a column `<figure>_n` says over how
many."""

import argparse
import csv
import os
import sys
from typing import IO, Dict, List, Optional, Sequence

from .directory import StudyDir, study_dir
from .errors import StudyError, note
from .factors import point_words
from .planned import Planned, load_planned
from .precision import Verdicts
from .results.aggregate import PointData, format_value, header, point_names, point_row, \
    target_columns
from .results.columns import figure_names, option_values, run_option_columns
from .results.pairs import Diffs, Pairing
from .results.rank import Ranking, check_rank
from .results.runs import RunResult, collect
from .results.store import Store
from .results.targets import Criterion, criteria_of
from .safety import check_plain
from .suggest import nearest
from .version import PROG

DEFAULT_FIGURES = ("Ps", "S", "D", "T", "pps")


def parse_figures(text: str, columns: Sequence[str]) -> List[str]:
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


def open_output(path: str) -> IO[str]:
    if path == "-":
        return sys.stdout
    check_plain("the output file", path)
    try:
        return open(path + ".tmp", "w", encoding="utf-8", newline="")
    except OSError as error:
        raise StudyError("cannot write %s: %s" % (path, error.strerror))


def close_output(handle: IO[str], path: str) -> None:
    if handle is not sys.stdout:
        handle.close()
        os.replace(path + ".tmp", path)


class Table:
    """A CSV file written row by row, put under its name once complete; nothing without path."""

    def __init__(self, path: Optional[str], names: Sequence[str]) -> None:
        self.path = path or ""
        self.handle = open_output(path) if path else None
        self.write(names)

    def write(self, row: Sequence[object]) -> None:
        if self.handle:
            csv.writer(self.handle, lineterminator="\n").writerow(row)

    def close(self) -> None:
        if self.handle:
            close_output(self.handle, self.path)


class RunsTable(Table):
    """One row per run: its options (with its random streams and threads), replication, seed,
    the version of the simulator that made it, and all summary columns as the simulator printed
    them."""

    def __init__(self, path: str, planned: Planned) -> None:
        self.planned, self.options = planned, run_option_columns(planned)
        super().__init__(path, self.options + ["replication", "seed", "version"] +
                         figure_names(planned))

    def add(self, result: RunResult) -> None:
        values = option_values(self.planned, result.run.values)
        summary = result.summary or {}
        self.write([values.get(c, "") for c in self.options] + [
            result.run.replication, result.run.seed, result.version] +
            [format_value(summary.get(c)) for c in self.planned.columns])


class LongTable(Table):
    """One row per run and figure: options (with the random streams and threads), replication,
    seed, version, figure and value (nan where the run does not define the figure)."""

    def __init__(self, path: str, planned: Planned, figures: Sequence[str]) -> None:
        self.planned, self.figures = planned, figures
        self.options = run_option_columns(planned)
        super().__init__(path, self.options + ["replication", "seed", "version", "figure",
                                               "value"])

    def add(self, result: RunResult) -> None:
        values = option_values(self.planned, result.run.values)
        front: List[object] = [values.get(c, "") for c in self.options] + [
            result.run.replication, result.run.seed, result.version]
        for figure in self.figures:
            self.write(front + [figure, format_value(result.value(figure))])


def default_output(args: argparse.Namespace, directory: StudyDir) -> str:
    if args.output:
        return args.output
    if args.diff_vs:
        return os.path.join(directory.path, "diff-%s.csv" % args.diff_vs.replace("=", "-"))
    if args.rank:
        return os.path.join(directory.path, "rank-%s-by-%s.csv" % (args.rank, args.by))
    return directory.summary if args.format == "wide" else os.path.join(directory.path,
                                                                         "long.csv")


def check_arguments(args: argparse.Namespace) -> None:
    if args.format == "long" and args.diff_vs:
        raise StudyError("--diff-vs gives one row per point; it does not go with --format long")
    for what, text in (("--sqlite", args.sqlite), ("--study-name", args.study_name)):
        if text is not None:
            check_plain(what, text)


def command_gather(args: argparse.Namespace) -> int:
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
    points: Dict[str, PointData] = {}
    problems = 0
    for result in collect(directory, planned):
        run = result.run
        point = points.setdefault(run.point, PointData(option_values(planned, run.values)))
        point.planned += 1
        if result.problem:
            problems += 1
            sys.stderr.write("%s: %s: %s (%s, replication %d)\n" % (
                PROG, run.output, result.problem, run.describe_point(), run.replication))
            continue
        point.add(result.summary or {}, wanted)
        point.versions.add(result.version)
        point.binaries.add(result.sha256)
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


def settled_pairs(pairing: Optional[Pairing], complete: Dict[str, PointData],
                  verdicts: Verdicts) -> Optional[Diffs]:
    """The paired differences of --diff-vs with their half-widths settled and their own
    criteria: (vs, [(point id, differences)], criteria); None without --diff-vs."""
    if pairing is None:
        return None
    pairs = pairing.points(complete)
    for _, pair in pairs:
        verdicts.settle(pair, pairing.vs)
    return pairing.vs, pairs, [c for c in verdicts.criteria if c.vs == pairing.vs]


def write_points(output: str, diffs: Optional[Diffs], planned: Planned,
                 complete: Dict[str, PointData], figures: Sequence[str],
                 criteria: Sequence[Criterion], missed: Dict[str, List[Criterion]]) -> int:
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


def write_ranks(output: str, ranking: Ranking, complete: Dict[str, PointData]) -> int:
    """Writes the ranking of the complete points; returns the rows written."""
    table = Table(output, ranking.names())
    rows = ranking.rows(complete)
    for row in rows:
        table.write(row)
    table.close()
    return len(rows)


def tell_mixed_binaries(planned: Planned, complete: Dict[str, PointData]) -> None:
    """Names the points whose runs come from more than one simulator binary."""
    mixed = [point for point in complete.values() if len(point.binaries - {""}) > 1]
    if mixed:
        note("%d points mix runs of several simulator binaries (the version column says how "
             "many; finished.tsv names each run's): %s%s" % (
                 len(mixed), ", ".join(point_words({name: p.values[name] for name in planned.swept})
                                      or "the single point" for p in mixed[:5]),
                 ", ..." if len(mixed) > 5 else ""))


def report(problems: int, points: Dict[str, PointData], complete: Dict[str, PointData],
           written: int, planned: Planned, output: str, partial: bool) -> int:
    if problems:
        left_out = len(points) - len(complete)
        note("%d of %d runs have no usable output; %s" % (
            problems, planned.run_count,
            "%d points left out of %s" % (left_out, output) if left_out else
            "their points are averaged over the runs that have one"))
        return 0 if partial else 1
    note("%d points, %d runs: %s" % (written, planned.run_count, output))
    return 0
