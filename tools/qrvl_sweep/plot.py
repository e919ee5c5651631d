"""Plotting a gathered figure against a swept option with gnuplot: one line per value of another
swept option, 95% confidence intervals as error bars, PNG and SVG, with the script and its data
kept beside them."""

import csv
import json
import math
import os
import shutil
import subprocess
import sys

from .directory import load_planned, study_dir, write_file
from .errors import StudyError, note
from .gather import format_value
from .safety import check_plain, gnuplot_string
from .study import split_assignment


def number(text):
    try:
        return float(text)
    except ValueError:
        return None


def read_table(path):
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


def select(args, swept, header, rows, table):
    """The rows to draw: --where applied, and every other swept option at one value."""
    for option, role in ((args.x, "--x"), (args.by, "--by")):
        if option and option not in swept:
            raise StudyError("%s: %s is not a swept option of the study (swept: %s)"
                             % (role, option, ", ".join(swept) or "none"))
    if args.by == args.x:
        raise StudyError("--by must differ from --x")
    for column in (args.y + "_mean", args.y + "_ci95") + tuple(swept):
        if column not in header:
            raise StudyError("%s has no column %s (gather it with --figures)" % (table, column))
    where = {}
    for text in args.where or []:
        word, value = split_assignment(text, "--where")
        if word not in swept:
            raise StudyError("--where: %s is not a swept option of the study" % word)
        where[word] = value
    at = {word: header.index(word) for word in swept}
    chosen = [row for row in rows if all(row[at[w]] == v for w, v in where.items())]
    for word in swept:
        if word in (args.x, args.by) or word in where:
            continue
        values = sorted(set(row[at[word]] for row in chosen))
        if len(values) > 1:
            raise StudyError("%s takes %d values (%s); choose one with --where %s=VALUE or draw "
                             "a line per value with --by %s"
                             % (word, len(values), ", ".join(values), word, word))
    if not chosen:
        raise StudyError("no row of %s is left to plot" % table)
    return chosen, where, at


def data_blocks(args, header, chosen, at):
    """gnuplot data: one block per line, x (or its category), mean, half-width and label."""
    x_values = [row[at[args.x]] for row in chosen]
    x_numeric = all(number(v) is not None for v in x_values)
    category = {value: i for i, value in enumerate(dict.fromkeys(x_values))}
    groups = {}
    for row in chosen:
        groups.setdefault(row[at[args.by]] if args.by else "", []).append(row)
    mean_at, ci_at = header.index(args.y + "_mean"), header.index(args.y + "_ci95")
    blocks = []
    for label, members in groups.items():
        if x_numeric:
            members.sort(key=lambda row: float(row[at[args.x]]))
        lines = []
        for row in members:
            x = row[at[args.x]]
            ci = number(row[ci_at])
            ci = ci if ci is not None and math.isfinite(ci) else 0.0
            mean = number(row[mean_at])
            lines.append("%s %s %s %s" % (x if x_numeric else category[x],
                                          format_value(mean) if mean is not None else "nan",
                                          format_value(ci), json.dumps(x)))
        blocks.append("# %s\n%s\n" % (json.dumps(label), "\n".join(lines)))
    return blocks, list(groups), x_numeric, len(category)


def script(args, base, labels, where, x_numeric, categories):
    plots = []
    for index, label in enumerate(labels):
        title = "%s=%s" % (args.by, label) if args.by else args.y
        using = "1:2:3" if x_numeric else "1:2:3:xtic(4)"
        plots.append("%s index %d using %s with yerrorlines title %s" % (
            gnuplot_string(base + ".dat"), index, using, gnuplot_string(title)))
    fixed = ", ".join("%s=%s" % item for item in where.items())
    title = args.title if args.title is not None else "%s vs %s, mean and 95%% CI%s" % (
        args.y, args.x, " (%s)" % fixed if fixed else "")
    lines = [
        "set encoding utf8",
        "set title %s noenhanced" % gnuplot_string(title),
        "set xlabel %s noenhanced" % gnuplot_string(args.x),
        "set ylabel %s noenhanced" % gnuplot_string(args.y),
        "set key noenhanced outside right top box Left reverse",
        "set grid",
        "set autoscale xfix",
        "set offsets graph 0.03, graph 0.03, graph 0.05, graph 0.05",
        "set datafile missing 'nan'",
    ]
    lines += ["set logscale x"] if args.logx else []
    lines += ["set logscale y"] if args.logy else []
    if not x_numeric:
        lines.append("set xrange [-0.5:%g]" % (categories - 0.5))
    plot_line = "plot " + ", \\\n     ".join(plots)
    for terminal, suffix in (("pngcairo size 900,560 font ',10'", ".png"),
                             ("svg size 900,560 dynamic font 'sans,10'", ".svg")):
        lines += ["set terminal %s" % terminal,
                  "set output %s" % gnuplot_string(base + suffix), plot_line, "unset output"]
    return "\n".join(lines) + "\n"


def command_plot(args):
    for what, text in (("--title", args.title), ("--x", args.x), ("--by", args.by),
                       ("--y", args.y), ("-o", args.output), ("--csv", args.csv)):
        if text is not None:
            check_plain(what, text)
    for text in args.where or []:
        check_plain("--where", text)
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    table = args.csv or directory.summary
    header, rows = read_table(table)
    chosen, where, at = select(args, planned.swept, header, rows, table)
    blocks, labels, x_numeric, categories = data_blocks(args, header, chosen, at)
    base = os.path.abspath(args.output) if args.output else os.path.join(
        directory.plots, "%s-vs-%s%s" % (args.y, args.x, "-by-" + args.by if args.by else ""))
    text = script(args, base, labels, where, x_numeric, categories)
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
