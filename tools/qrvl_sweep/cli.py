"""The command line: plan, run, slurm, task, gather, plot, status and show, and the exit statuses
(0 done, 1 a study that is not complete or could not go on, 2 refused input, 128 + N stopped by
signal N); an unknown name is refused with the one meant."""

import argparse
import os
import re
import signal
import sys
from typing import Any, Callable, Dict, List, NoReturn, Optional, Sequence, Union

from .errors import StudyError
from .execute import command_run
from .gather import DEFAULT_FIGURES, command_gather
from .overview import command_show, command_status
from .plan import DEFAULT_MAX_RUNS, command_plan
from .plot import command_plot
from .precision import MIN_REPLICATIONS
from .slurm import SLURM_MAX_ARRAY, command_slurm
from .suggest import nearest
from .task import command_task
from .version import PROG, VERSION

Adder = Callable[[str, str], argparse.ArgumentParser]


class Parser(argparse.ArgumentParser):
    """An argument parser whose errors name the command or option word meant."""

    def error(self, message: str) -> NoReturn:
        choice = re.search(r"invalid choice: '([^']*)' \(choose from (.*)\)", message)
        if choice:
            message += nearest(choice.group(1), re.findall(r"'([^']*)'", choice.group(2)),
                               "; did you mean '%s'?")
        super().error(message)

    def unknown(self, words: Sequence[str]) -> NoReturn:
        """Refuses words the command does not take, with the option meant."""
        flags = [flag for action in self._actions for flag in action.option_strings]
        hints = [hint for word in words if word.startswith("-")
                 for hint in [nearest(word.split("=")[0], flags, "%s")] if hint]
        self.error("unrecognized arguments: %s%s" % (" ".join(words), "; did you mean %s?"
                                                     % " and ".join(hints) if hints else ""))


def version_text() -> str:
    return "%s %s (the package in %s, Python %s at %s)" % (
        PROG, VERSION, os.path.dirname(os.path.abspath(__file__)),
        sys.version.split()[0], sys.executable)


class Version(argparse.Action):
    """--version: the version line whole, not wrapped at the terminal's width."""

    def __call__(self, parser: argparse.ArgumentParser, namespace: argparse.Namespace,
                 values: Union[str, Sequence[Any], None], option_string: Optional[str] = None
                 ) -> None:
        sys.stdout.write(version_text() + "\n")
        parser.exit()


class InOrder(argparse.Action):
    """Appends like 'append' and keeps the order of --sweep and --zip among each other."""

    def __call__(self, parser: argparse.ArgumentParser, namespace: argparse.Namespace,
                 values: Union[str, Sequence[Any], None], option_string: Optional[str] = None
                 ) -> None:
        setattr(namespace, self.dest, (getattr(namespace, self.dest) or []) + [values])
        order = getattr(namespace, "factor_order", None) or []
        setattr(namespace, "factor_order", order + [(self.dest, values)])


def count(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError("not a whole number: %r" % text)
    if value < 1:
        raise argparse.ArgumentTypeError("must be at least 1, not %d" % value)
    return value


def add_plan(add: Adder) -> None:
    plan = add("plan", "write the job list: one simulator command line per run")
    plan.add_argument("--study", metavar="FILE", help="study file ([fixed] and [sweep] "
                      "sections, 'replications =' and 'seed =' at the top)")
    plan.add_argument("--fix", action="append", metavar="OPT=VALUE", help="a fixed option")
    plan.add_argument("--sweep", action=InOrder, metavar="OPT=VALUES", help="a swept option: "
                      "comma-separated values and ranges start:stop[:step], or values separated "
                      "by '|' for list and text options (pt, pn, pw, tau, ad_runs)")
    plan.add_argument("--zip", action=InOrder, metavar="SETS", help="a factor whose levels are "
                      "sets of options: 'centr=0,adhoc=0|centr=1,adhoc=0|adhoc=1'")
    plan.add_argument("--label", action="append", metavar="NAME=LABEL,...", help="the name of "
                      "the i-th --zip factor and of each of its levels: "
                      "session=basic,centralized,adhoc")
    plan.add_argument("--common-seeds", metavar="FACTOR[,FACTOR...]", help="runs that differ "
                      "only in these factors share the seed of each replication (paired designs)")
    plan.add_argument("-r", "--replications", metavar="N", help="replications per point")
    plan.add_argument("--seed", metavar="N", help="base seed (default 1)")
    plan.add_argument("--sim", metavar="PATH", help="the simulator (default: $QRVL_SIM, "
                      "qrvl_sim on PATH, or build/qrvl_sim beside this tool)")
    plan.add_argument("--max-runs", type=count, metavar="N", help="plan up to N runs (default "
                      "%d)" % DEFAULT_MAX_RUNS)
    plan.add_argument("--allow-mixed", action="store_true", help="re-plan over outputs of "
                      "another simulator binary")


def add_run(add: Adder) -> None:
    run = add("run", "run the runs not done with GNU parallel; an interrupted study resumes")
    run.add_argument("-j", "--jobs", metavar="N", help="jobs at once (parallel's --jobs)")
    run.add_argument("--sshloginfile", metavar="FILE", help="hosts to run on (parallel's "
                     "--sshloginfile; they must see the same paths)")
    run.add_argument("--retry-failed", action="store_true", help="accepted and changes nothing: "
                     "failed runs always run again")
    run.add_argument("--allow-mixed", action="store_true", help="add runs from a simulator "
                     "binary other than the study's")
    run.add_argument("--until", action="append", metavar="CRITERION", help="a precision "
                     "target, FIGURE_ci95<X, FIGURE_rel95<X or diff(FACTOR=LEVEL).FIGURE_ci95<X: "
                     "points get the replications a two-stage rule asks for (repeatable)")
    run.add_argument("--min-replications", type=count, metavar="N", help="with --until: the "
                     "first stage, whose spread sets the replications (default %d)"
                     % MIN_REPLICATIONS)
    run.add_argument("--max-replications", type=count, metavar="N", help="with --until: the "
                     "most replications a point gets")
    run.add_argument("--batch", type=count, metavar="K", help="with --until: replications "
                     "are added in whole batches of K (default: the planned number)")


def add_slurm(add: Adder) -> None:
    slurm = add("slurm", "write a Slurm job-array script: task i runs K lines of the plan")
    slurm.add_argument("-o", "--output", metavar="FILE", help="script (default DIR/slurm.sh)")
    slurm.add_argument("--sbatch", action="append", metavar="OPTION",
                       help="an extra #SBATCH line, e.g. --sbatch=--time=00:10:00")
    slurm.add_argument("--throttle", type=count, metavar="N", help="at most N tasks at once")
    slurm.add_argument("--runs-per-task", type=count, metavar="K", help="plan lines each task "
                       "runs one after the other (default 1)")
    slurm.add_argument("--max-array", type=count, default=SLURM_MAX_ARRAY, metavar="M",
                       help="the site's MaxArraySize: more runs a task when ceil(N/K) tasks "
                       "would not fit (default %(default)s)")
    slurm.add_argument("--allow-mixed", action="store_true", help="let tasks run a simulator "
                       "binary other than the study's")


def add_task(add: Adder) -> None:
    task = add("task", "run one task of the Slurm job array (the script of 'slurm' calls it)")
    task.add_argument("number", type=int, metavar="N", help="the task ($SLURM_ARRAY_TASK_ID)")
    task.add_argument("--runs-per-task", type=count, metavar="K", help="plan lines per task")
    task.add_argument("--allow-mixed", action="store_true", help="run a simulator binary "
                      "other than the study's")


def add_gather(add: Adder) -> None:
    gather = add("gather", "one CSV row per point: mean, sd and 95%% CI half-width")
    gather.add_argument("-o", "--output", metavar="FILE", help="the CSV (default "
                        "DIR/summary.csv, DIR/long.csv or DIR/diff-OPT-VALUE.csv; '-' for "
                        "standard output)")
    gather.add_argument("--format", choices=("wide", "long"), default="wide",
                        help="wide: one row per point (default); long: one row per run and "
                        "figure")
    gather.add_argument("--figures", default=",".join(DEFAULT_FIGURES),
                        help="summary columns to average, or 'all' (default %(default)s)")
    gather.add_argument("--diff-vs", metavar="OPT=VALUE", help="per point, the paired "
                        "differences against the point with OPT=VALUE, replication by "
                        "replication")
    gather.add_argument("--sqlite", metavar="FILE", help="also write the runs, points (and "
                        "differences) into this SQLite database, beside other studies")
    gather.add_argument("--study-name", metavar="NAME", help="the study's name in the "
                        "database (default: the directory's name)")
    gather.add_argument("--rank", metavar="FIGURE", help="rank the levels of --by by this "
                        "figure, ties said as shared letters (Holm-corrected t tests)")
    gather.add_argument("--by", metavar="FACTOR", help="with --rank: the factor whose levels "
                        "are ranked, within each combination of the other factors")
    gather.add_argument("--lower-is-better", action="store_true", help="with --rank: the "
                        "lowest mean ranks first (delay)")
    gather.add_argument("--runs-csv", metavar="FILE", help="also one row per run")
    gather.add_argument("--partial", action="store_true",
                        help="average points over the runs that have an output")


def add_plot(add: Adder) -> None:
    plot = add("plot", "draw a figure against a swept option to PNG and SVG with gnuplot")
    plot.add_argument("--x", required=True, metavar="OPT", help="column on the x axis")
    plot.add_argument("--by", metavar="OPT", help="column: one line per value")
    plot.add_argument("--y", default="Ps", metavar="FIGURE[,FIGURE...]", help="figures, one "
                      "panel each side by side (default Ps)")
    plot.add_argument("--where", action="append", metavar="OPT=VALUE",
                      help="keep the rows with this value of another column")
    plot.add_argument("--csv", metavar="FILE", help="any gathered CSV: a summary, paired "
                      "differences, several studies (default DIR/summary.csv; -d is then "
                      "optional)")
    plot.add_argument("-o", "--output", metavar="BASE", help="BASE.png and BASE.svg "
                      "(default DIR/plots/Y-vs-X[-by-BY])")
    plot.add_argument("--title", help="figure title")
    plot.add_argument("--logx", action="store_true")
    plot.add_argument("--logy", action="store_true")


def add_status(add: Adder) -> None:
    status = add("status", "runs done, failed and pending per point, and the time left")
    status.add_argument("-j", "--jobs", type=count, metavar="N", help="jobs at once for the "
                        "time left (default: the cores of this host)")


def add_show(add: Adder) -> None:
    show = add("show", "the simulator command line of one run")
    show.add_argument("--point", action="append", metavar="OPT=VALUE,...", help="the point: "
                      "a value of every factor, e.g. nn=10,fsf_fbk=class (or one --point each)")
    show.add_argument("-r", "--replication", type=count, metavar="N",
                      help="the replication (default: every one)")


def parser() -> Parser:
    top = Parser(
        prog=PROG, description="Replicated parameter sweeps of qrvl_sim: plan, run (GNU "
        "parallel or Slurm), gather means with 95% confidence intervals, plot.")
    top.add_argument("--version", action=Version, nargs=0, help="say which package and "
                     "interpreter run the tool, and end")
    commands = top.add_subparsers(dest="command", metavar="COMMAND", parser_class=Parser)
    commands.required = True

    def add(name: str, help_text: str) -> argparse.ArgumentParser:
        sub = commands.add_parser(name, help=help_text, description=help_text.replace("%%", "%"))
        sub.add_argument("-d", "--dir", required=name != "plot", help="the study directory")
        return sub

    for adder in (add_plan, add_run, add_slurm, add_task, add_gather, add_plot, add_status,
                  add_show):
        adder(add)
    return top


HANDLERS: Dict[str, Callable[[argparse.Namespace], int]] = {"plan": command_plan, "run": command_run, "slurm": command_slurm,
            "gather": command_gather, "plot": command_plot, "status": command_status,
            "show": command_show, "task": command_task}


def main(argv: Optional[List[str]] = None) -> int:
    """Runs one command; returns its exit status."""
    top = parser()
    args, unknown = top.parse_known_args(argv)
    if unknown:
        commands = next(a for a in top._actions if isinstance(a, argparse._SubParsersAction))
        commands.choices[args.command].unknown(unknown)
    try:
        return HANDLERS[args.command](args)
    except StudyError as error:
        sys.stderr.write("%s: error: %s\n" % (PROG, error))
        return error.status
    except OSError as error:
        sys.stderr.write("%s: error: %s\n" % (PROG, error))
        return 1
    except KeyboardInterrupt:
        return 130


def run_command_line() -> int:
    """main() as a process: a closed pipe on standard output ends it quietly."""
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    return main()
