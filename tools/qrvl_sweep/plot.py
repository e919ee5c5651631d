"""Plotting gathered figures against a column with gnuplot: one panel per figure side by side,
one line per value of another column, 95% confidence intervals as error bars, PNG and SVG, with
the script and its data kept beside them. Any gathered CSV can be drawn: a study's summary, its
paired differences, or rows of several studies taken from a database."""

import argparse
import csv
import json
import math
import os
import shutil
import subprocess
import sys
from dataclasses import dataclass
from typing import Callable, Dict, List, Optional, Sequence, Tuple

from .describe import descriptions
from .directory import StudyDir, study_dir, write_file
from .errors import StudyError, note
from .planned import load_planned
from .plotstyle import axis_label, line_style, y_range
from .results.aggregate import format_value
from .safety import check_plain, gnuplot_string
from .study import split_assignment
from .suggest import nearest


Described = Callable[[], Dict[str, str]]
Row = List[str]


def number(text: str) -> Optional[float]:
    try:
        return float(text)
    except ValueError:
        return None


def read_table(path: str) -> Tuple[Row, List[Row]]:
    """The header and rows of a gathered CSV; every row as wide as the header."""
    try:
        with open(path, newline="", encoding="utf-8-sig") as handle:
            rows = list(csv.reader(handle))
    except FileNotFoundError:
        raise StudyError("%s does not exist (run 'qrvl-sweep gather' first)" % path)
    except (OSError, UnicodeDecodeError, csv.Error) as error:
        raise StudyError("cannot read %s: %s" % (path, error))
    if not rows:
        raise StudyError("%s is empty" % path)
    for number_, row in enumerate(rows[1:], 2):
        if len(row) != len(rows[0]):
            raise StudyError("%s:%d: %d fields under a header of %d"
                             % (path, number_, len(row), len(rows[0])))
    return rows[0], rows[1:]


STATISTICS = ("_mean", "_sd", "_ci95", "_n")


def point_columns(header: Sequence[str]) -> List[str]:
    """The columns that say which point a row is: all but the statistics."""
    figures = {name[:-len("_mean")] for name in header if name.endswith("_mean")}
    bookkeeping = ("replications", "first_stage", "target")
    return [name for name in header if name not in bookkeeping and not any(
        name.endswith(suffix) and name[:-len(suffix)] in figures for suffix in STATISTICS)]


def meant_column(name: str, columns: Sequence[str], described: Described) -> str:
    """' (did you mean nn?)' for a column name not found (described: a callable giving the
    option words' help texts, asked only here)."""
    return nearest(name, columns, " (did you mean %s?)", described=described())


def check_columns(args: argparse.Namespace, figures: Sequence[str], header: Sequence[str],
                  table: str, described: Described) -> List[str]:
    columns = point_columns(header)
    for option, role in ((args.x, "--x"), (args.by, "--by")):
        if option and option not in columns:
            raise StudyError("%s: %s has no column %s%s (its columns: %s)" % (
                role, table, option, meant_column(option, columns, described),
                ", ".join(columns)))
    if args.by == args.x:
        raise StudyError("--by must differ from --x")
    drawn = [name[:-len("_mean")] for name in header if name.endswith("_mean")]
    for figure in figures:
        if figure + "_mean" not in header:
            raise StudyError("%s has no column %s_mean%s (gather it with --figures)" % (
                table, figure, nearest(figure, drawn, " (did you mean --y %s?)")))
    return columns


def select(args: argparse.Namespace, figures: Sequence[str], header: Sequence[str],
           rows: List[Row], table: str, described: Described
           ) -> Tuple[List[Row], Dict[str, str], Dict[str, int]]:
    """The rows to draw: --where applied, and one row for each x on each line."""
    columns = check_columns(args, figures, header, table, described)
    at = {name: header.index(name) for name in columns}
    where = {}
    for text in args.where or []:
        word, value = split_assignment(text, "--where")
        if word not in at:
            raise StudyError("--where: %s has no column %s%s"
                             % (table, word, meant_column(word, list(at), described)))
        where[word] = value
    chosen = [row for row in rows if all(row[at[w]] == v for w, v in where.items())]
    if not chosen:
        raise StudyError("no row of %s is left to plot" % table)
    groups: Dict[Tuple[str, str], List[Row]] = {}
    for row in chosen:
        groups.setdefault((row[at[args.x]], row[at[args.by]] if args.by else ""), []).append(row)
    for name in columns:
        if name in (args.x, args.by) or name in where:
            continue
        values = sorted(set(row[at[name]] for group in groups.values() for row in group
                            if len(set(r[at[name]] for r in group)) > 1))
        if values:
            raise StudyError("%s takes %d values (%s); choose one with --where %s=VALUE or draw "
                             "a line per value with --by %s"
                             % (name, len(values), ", ".join(values), name, name))
    if any(len(group) > 1 for group in groups.values()):
        raise StudyError("%s has rows repeating a point of %s" % (table, args.x))
    return chosen, where, at


def data_blocks(args: argparse.Namespace, figure: str, header: Sequence[str],
                chosen: List[Row], at: Dict[str, int]
                ) -> Tuple[List[str], List[str], bool, int]:
    """gnuplot data of one figure: one block per line, x (or its category), mean, half-width and
    label."""
    x_values = [row[at[args.x]] for row in chosen]
    x_numeric = all(number(v) is not None for v in x_values)
    category = {value: i for i, value in enumerate(dict.fromkeys(x_values))}
    lines_of: Dict[str, List[Row]] = {}
    for row in chosen:
        lines_of.setdefault(row[at[args.by]] if args.by else "", []).append(row)
    mean_at = header.index(figure + "_mean")
    ci_at = header.index(figure + "_ci95") if figure + "_ci95" in header else None
    blocks = []
    for label, members in lines_of.items():
        if x_numeric:
            members.sort(key=lambda row: float(row[at[args.x]]))
        lines = []
        for row in members:
            x = row[at[args.x]]
            ci = number(row[ci_at]) if ci_at is not None else 0.0
            ci = ci if ci is not None and math.isfinite(ci) else 0.0
            mean = number(row[mean_at])
            lines.append("%s %s %s %s" % (x if x_numeric else category[x],
                                          format_value(mean) if mean is not None else "nan",
                                          format_value(ci), json.dumps(x)))
        blocks.append("# %s\n%s\n" % (json.dumps(label), "\n".join(lines)))
    return blocks, list(lines_of), x_numeric, len(category)


@dataclass(frozen=True)
class Figure:
    """What the script draws: the figures in panels side by side, lines by label."""
    figures: List[str]
    labels: List[str]
    where: Dict[str, str]
    x_numeric: bool
    categories: int
    vs: Optional[str]
    x_values: Tuple[float, ...] = ()


def panel(args: argparse.Namespace, figure: str, index: int, base: str, drawing: Figure
          ) -> List[str]:
    """The lines of one panel of the script."""
    count = len(drawing.labels)
    plots = []
    for line, label in enumerate(drawing.labels):
        title = "%s=%s" % (args.by, label) if args.by else figure
        using = "1:2:3" if drawing.x_numeric else "1:2:3:xtic(4)"
        plots.append("%s index %d using %s with yerrorlines %s title %s" % (
            gnuplot_string(base + ".dat"), index * count + line, using, line_style(line),
            gnuplot_string(title)))
    bounded = y_range(figure, drawing.vs)
    lines = ["set ylabel %s noenhanced" % gnuplot_string(axis_label(figure, drawing.vs)),
             "set yrange %s" % bounded if bounded else "set autoscale y",
             "set offsets 0, 0, graph %s, graph %s" % ((0, 0) if bounded else (0.05, 0.05))]
    if len(drawing.figures) > 1:
        lines.append("set title %s noenhanced" % gnuplot_string(figure))
        if index == len(drawing.figures) - 1:
            lines.append("set key at screen 0.835, graph 1 left top box Left reverse "
                         "noenhanced")
        else:
            lines.append("unset key")
    return lines + ["plot " + ", \\\n     ".join(plots)]


def x_axis(values: Sequence[float], log: bool) -> List[str]:
    """The x range padded at both ends, so that no point sits on the frame; on a log axis the
    ticks are at the data's values (a dozen at most)."""
    low, high = values[0], values[-1]
    if log:
        pad = (high / low) ** 0.04 if high > low else 1.25
        lines = ["set logscale x", "set xrange [%r:%r]" % (low / pad, high * pad)]
        shown = values if len(values) <= 12 else values[::-(-len(values) // 12)]
        return lines + ["set xtics (%s)" % ", ".join(
            '"%s" %r' % (format_value(v), v) for v in shown)]
    pad = (high - low) * 0.04 if high > low else max(abs(low) * 0.1, 0.5)
    return ["set xrange [%r:%r]" % (low - pad, high + pad)]


def title_of(args: argparse.Namespace, drawing: Figure) -> str:
    if args.title is not None:
        return args.title
    fixed = ", ".join("%s=%s" % item for item in drawing.where.items())
    what = " and ".join([", ".join(drawing.figures[:-1]), drawing.figures[-1]]
                        if len(drawing.figures) > 1 else drawing.figures)
    paired = ", paired differences from %s" % drawing.vs if drawing.vs else ""
    return "%s vs %s%s, mean and 95%% CI%s" % (what, args.x, paired,
                                               " (%s)" % fixed if fixed else "")


def script(args: argparse.Namespace, base: str, drawing: Figure) -> str:
    panels = len(drawing.figures)
    lines = [
        "set encoding utf8",
        "set xlabel %s noenhanced" % gnuplot_string(axis_label(args.x)),
        "set key noenhanced outside right top box Left reverse",
        "set grid",
        "set datafile missing 'nan'",
    ]
    lines += ["set xzeroaxis lt -1"] if drawing.vs else []
    lines += ["set logscale y"] if args.logy else []
    lines += x_axis(drawing.x_values, args.logx) if drawing.x_numeric else \
        ["set xrange [-0.5:%g]" % (drawing.categories - 0.5)]
    title = gnuplot_string(title_of(args, drawing))
    if panels == 1:
        lines.append("set title %s noenhanced" % title)
        body = panel(args, drawing.figures[0], 0, base, drawing)
        width, height = 900, 560
    else:
        body = ["set multiplot layout 1,%d title %s noenhanced margins 0.09,0.80,0.12,0.88 "
                "spacing 0.1,0" % (panels, title)]
        for index, figure in enumerate(drawing.figures):
            body += panel(args, figure, index, base, drawing)
        body.append("unset multiplot")
        width, height = 500 * panels + 220, 520
    for terminal, suffix in (("pngcairo size %d,%d font ',10'" % (width, height), ".png"),
                             ("svg size %d,%d dynamic font 'sans,10'" % (width, height), ".svg")):
        lines += ["set terminal %s" % terminal,
                  "set output %s" % gnuplot_string(base + suffix)] + body + ["unset output"]
    return "\n".join(lines) + "\n"


def output_base(args: argparse.Namespace, directory: Optional[StudyDir],
                figures: Sequence[str]) -> str:
    name = "%s-vs-%s%s" % ("-".join(figures), args.x, "-by-" + args.by if args.by else "")
    if args.output:
        return os.path.abspath(args.output)
    if args.csv:
        stem = os.path.splitext(os.path.basename(args.csv))[0]
        name = name if stem == "summary" else "%s-%s" % (stem, name)
    folder = directory.plots if directory else os.path.join(
        os.path.dirname(os.path.abspath(args.csv)), "plots")
    return os.path.join(folder, name)


def command_plot(args: argparse.Namespace) -> int:
    for what, text in (("--title", args.title), ("--x", args.x), ("--by", args.by),
                       ("--y", args.y), ("-o", args.output), ("--csv", args.csv),
                       ("-d", args.dir)):
        if text is not None:
            check_plain(what, text)
    for text in args.where or []:
        check_plain("--where", text)
    if args.dir is None and args.csv is None:
        raise StudyError("plot needs the study (-d DIR) or a gathered CSV (--csv FILE)")
    directory = study_dir(args.dir) if args.dir else None
    if directory and not args.csv:
        load_planned(directory)
    table = args.csv or (directory.summary if directory else "")
    figures = list(dict.fromkeys(f.strip() for f in args.y.split(",") if f.strip()))
    if not figures:
        raise StudyError("--y names no figure")
    header, rows = read_table(table)
    simulator = load_planned(directory).simulator.path if directory else \
        os.environ.get("QRVL_SIM") or "qrvl_sim"

    def described() -> Dict[str, str]:
        return descriptions(simulator)
    chosen, where, at = select(args, figures, header, rows, table, described)
    vs = " + ".join(sorted(set(row[header.index("vs")] for row in chosen))) \
        if "vs" in header else None
    blocks = []
    for figure in figures:
        figure_blocks, labels, x_numeric, categories = data_blocks(args, figure, header, chosen,
                                                                   at)
        blocks += figure_blocks
    x_values = tuple(sorted({float(row[at[args.x]]) for row in chosen})) if x_numeric else ()
    if args.logx and x_numeric and x_values[0] <= 0:
        raise StudyError("--logx: %s takes %s, and a log axis holds positive values only"
                         % (args.x, format_value(x_values[0])))
    drawing = Figure(figures, labels, where, x_numeric, categories, vs, x_values)
    base = output_base(args, directory, figures)
    text = script(args, base, drawing)
    os.makedirs(os.path.dirname(base), exist_ok=True)
    write_file(base + ".dat", "\n\n".join(blocks))
    write_file(base + ".gp", text)
    if shutil.which("gnuplot") is None:
        raise StudyError("gnuplot is not installed (Debian package 'gnuplot-nox'); the script is "
                         "in %s.gp" % base)
    result = subprocess.run(["gnuplot", base + ".gp"], stdin=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stderr)
        raise StudyError("gnuplot failed on %s.gp" % base, status=1)
    note("wrote %s.png and %s.svg" % (base, base))
    return 0
