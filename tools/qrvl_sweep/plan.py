"""The plan of a study: its points (the cartesian product of the sweeps, the last swept option
varying fastest) and one job line per run, streamed to plan.txt and runs.tsv.

Lines are ordered by replication, then point, so that more replications only add lines at the
end. A job line writes the output under a name unique to the attempt and renames it once the
simulator has ended well, so a partial output never stands under the final name."""

import hashlib
import itertools
import json
import os
import shlex

from . import PROG
from .describe import find_simulator, load_simulator
from .directory import (RUN_COLUMNS, Planned, Run, debug_level, load_planned, run_row,
                        study_dir, write_file)
from .errors import StudyError, note
from .lock import StudyLock
from .records import ensure_file
from .seeds import SeedDrawer, point_key
from .study import build_study
from .summary import Layout, read_output

DEFAULT_MAX_RUNS = 10 ** 6


def point_options(study):
    """Per point, in point order: (swept values by word, all options by word)."""
    words = list(study.sweep)
    for combination in itertools.product(*(study.sweep[word] for word in words)):
        values = dict(zip(words, combination))
        options = dict(study.fixed)
        options.update(values)
        yield values, options


def job_line(simulator, base):
    """The shell line of one run: the simulator's output under a temporary name, renamed once
    it ended well; the line ends with the simulator's status."""
    part = shlex.quote(base + ".part") + "$$"
    return "%s >%s 2>%s && mv %s %s; s=$?; rm -f %s; exit $s" % (
        simulator, part, shlex.quote(base + ".err"), part, shlex.quote(base + ".csv"), part)


class Quoted(dict):
    """word=value arguments quoted for the shell, each once."""

    def __missing__(self, pair):
        self[pair] = text = shlex.quote("%s=%s" % pair)
        return text


def runs_of(study, simulator_path, directory):
    """Every run of the study, in plan order."""
    keys = [point_key(options) for _, options in point_options(study)]
    ids = [hashlib.sha256(key.encode("utf-8")).hexdigest()[:12] for key in keys]
    drawer = SeedDrawer(study.seed, keys)
    quoted, out, line = Quoted(), directory.out + os.sep, 0
    for replication in range(1, study.replications + 1):
        seeds = drawer.replication(replication)
        for index, (values, options) in enumerate(point_options(study)):
            line += 1
            seed = seeds[index]
            base = "%s%s-r%03d-s%d" % (out, ids[index], replication, seed)
            simulator = " ".join([shlex.quote(simulator_path)] +
                                 [quoted[item] for item in options.items()] + ["seed=%d" % seed])
            yield Run(line, ids[index], replication, seed, base + ".csv", values,
                      job_line(simulator, base))


def check_size(study, limit):
    count = study.run_count()
    if count > limit:
        points = count // study.replications
        raise StudyError("the study has %d runs (%d points x %d replications), more than %d; "
                         "give --max-runs %d to plan it" % (count, points, study.replications,
                                                            limit, count))


def check_same_simulator(directory, sha256, allow_mixed):
    """Refuses to re-plan over outputs of another simulator binary."""
    if allow_mixed or not os.path.exists(directory.study_json):
        return
    try:
        old = load_planned(directory)
    except StudyError:
        return
    has_outputs = os.path.isdir(directory.out) and any(
        name.endswith(".csv") for name in os.listdir(directory.out))
    if old.simulator.sha256 != sha256 and has_outputs:
        raise StudyError(
            "the outputs in %s come from %s (%s, sha256 %s), not from this simulator "
            "(sha256 %s); delete %s to run everything again, plan into another directory, or "
            "give --allow-mixed" % (directory.out, old.simulator.path, old.simulator.version,
                                    old.simulator.sha256, sha256, directory.out))


def write_plan(study, simulator, directory):
    """Writes runs.tsv and plan.txt, then study.json; returns (runs, runs already done)."""
    columns = RUN_COLUMNS + list(study.sweep)
    debug = simulator.options.get("debug")
    planned = Planned(simulator.identity, simulator.columns,
                      int(debug.builtin) if debug and debug.builtin is not None else 2,
                      study.seed, study.replications, tuple(study.fixed.items()),
                      tuple((word, tuple(values)) for word, values in study.sweep.items()),
                      study.run_count() // study.replications, study.run_count())
    os.makedirs(directory.out, exist_ok=True)
    done, old_outputs = 0, bool(os.listdir(directory.out))
    with open(directory.runs_tsv + ".tmp", "w", encoding="utf-8") as runs, \
            open(directory.plan + ".tmp", "w", encoding="utf-8") as plan:
        runs.write("\t".join(columns) + "\n")
        for run in runs_of(study, simulator.identity.path, directory):
            runs.write("\t".join(run_row(run)) + "\n")
            plan.write(run.command + "\n")
            if old_outputs and os.path.exists(run.output):
                layout = Layout(planned.columns, debug_level(planned, run))
                done += read_output(run.output, layout)[0] is not None
    os.replace(directory.runs_tsv + ".tmp", directory.runs_tsv)
    os.replace(directory.plan + ".tmp", directory.plan)
    write_file(directory.study_json, json.dumps(planned.to_json(), indent=1) + "\n")
    ensure_file(directory.finished)
    return planned, done


def command_plan(args):
    limit = DEFAULT_MAX_RUNS if args.max_runs is None else args.max_runs
    simulator = load_simulator(find_simulator(args.sim))
    study = build_study(args, simulator, limit)
    check_size(study, limit)
    directory = study_dir(args.dir, create=True)
    with StudyLock(directory, "%s plan" % PROG):
        check_same_simulator(directory, simulator.identity.sha256, args.allow_mixed)
        try:
            planned, done = write_plan(study, simulator, directory)
        except OSError as error:
            raise StudyError("cannot write the plan in %s: %s" % (directory.path,
                                                                  error.strerror or error))
    note("planned %d runs (%d points x %d replications) in %s; %d already done"
         % (planned.run_count, planned.point_count, planned.replications, directory.plan, done))
    return 0
