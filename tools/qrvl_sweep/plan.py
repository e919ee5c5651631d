"""The plan of a study: its points (the cartesian product of the factors, the last varying
fastest) and one job line per run, streamed to plan.txt and runs.tsv.

Lines are ordered by replication, then point, so that more replications only add lines at the
end. A job line writes the output under a name unique to the attempt and renames it once the
simulator has ended well, so a partial output never stands under the final name."""

import argparse
import hashlib
import os
import shlex
from typing import Callable, Dict, Iterator, List, Optional, Tuple

from .describe import Simulator, find_simulator, load_simulator
from .directory import StudyDir, study_dir
from .errors import StudyError, note
from .factors import points
from .lock import StudyLock
from .planned import Planned, load_planned, save_planned
from .results.records import ensure_file
from .results.runs import read_run_output
from .runlist import Run, header, write_run
from .seeds import SeedDrawer, point_key
from .study import Study, build_study
from .tsv import write_row
from .values import canonical
from .version import PROG

DEFAULT_MAX_RUNS = 10 ** 6


def job_line(simulator: str, base: str) -> str:
    """The shell line of one run: the simulator's output under a temporary name, renamed once
    it ended well; the line ends with the simulator's status."""
    part = shlex.quote(base + ".part") + "$$"
    return "%s >%s 2>%s && mv %s %s; s=$?; rm -f %s; exit $s" % (
        simulator, part, shlex.quote(base + ".err"), part, shlex.quote(base + ".csv"), part)


class Quoted(Dict[Tuple[str, str], str]):
    """word=value arguments quoted for the shell, each once."""

    def __missing__(self, pair: Tuple[str, str]) -> str:
        self[pair] = text = shlex.quote("%s=%s" % pair)
        return text


def point_keys(planned: Planned) -> Tuple[List[str], List[str]]:
    """(point ids, seed keys) in point order; the seed keys leave out the common-seed words."""
    common = planned.common_words()
    ids: List[str] = []
    keys: List[str] = []
    for _, options in points(planned.factors, planned.fixed):
        key = point_key(options)
        ids.append(hashlib.sha256(key.encode("utf-8")).hexdigest()[:12])
        keys.append(point_key(options, common) if common else key)
    return ids, keys


def runs_of(planned: Planned, directory: StudyDir, last: int,
            want: Optional[Callable[[int, str], bool]] = None, first_line: int = 1
            ) -> Iterator[Run]:
    """The runs of replications 1 to last in plan order, numbered from first_line; with want,
    only those for which want(replication, point id) holds."""
    ids, keys = point_keys(planned)
    drawer = SeedDrawer(planned.seed, keys)
    quoted, out, line = Quoted(), directory.out + os.sep, first_line - 1
    simulator_path = shlex.quote(planned.simulator.path)
    for replication in range(1, last + 1):
        seeds = drawer.replication(replication)
        for index, (labels, options) in enumerate(points(planned.factors, planned.fixed)):
            if want is not None and not want(replication, ids[index]):
                continue
            line += 1
            seed = seeds[index]
            base = "%s%s-r%03d-s%d" % (out, ids[index], replication, seed)
            simulator = " ".join([simulator_path] + [quoted[item] for item in options.items()] +
                                 ["seed=%d" % seed])
            yield Run(line, ids[index], replication, seed, base + ".csv", labels,
                      job_line(simulator, base))


def planned_of(study: Study, simulator: Simulator) -> Planned:
    """The record of a study planned with this simulator."""
    debug = simulator.options.get("debug")
    builtins: List[Tuple[str, str]] = []
    for option in simulator.options.values():
        if option.word != "seed" and option.builtin is not None:
            try:
                builtins.append((option.word, canonical(option, str(option.builtin), "")))
            except StudyError:
                builtins.append((option.word, str(option.builtin)))
    return Planned(simulator.identity, simulator.columns,
                   int(debug.builtin) if debug and debug.builtin is not None else 2,
                   study.seed, study.replications, tuple(study.fixed.items()),
                   tuple(study.factors()), study.run_count() // study.replications,
                   study.run_count(), tuple(study.common_seeds), tuple(builtins))


def check_size(study: Study, limit: int) -> None:
    count = study.run_count()
    if count > limit:
        points = count // study.replications
        raise StudyError("the study has %d runs (%d points x %d replications), more than %d; "
                         "give --max-runs %d to plan it" % (count, points, study.replications,
                                                            limit, count))


def check_same_simulator(directory: StudyDir, sha256: str, allow_mixed: bool) -> None:
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


def write_plan(study: Study, simulator: Simulator, directory: StudyDir) -> Tuple[Planned, int]:
    """Writes runs.tsv and plan.txt, then study.json; returns (runs, runs already done)."""
    planned = planned_of(study, simulator)
    os.makedirs(directory.out, exist_ok=True)
    done, old_outputs = 0, bool(os.listdir(directory.out))
    with open(directory.runs_tsv + ".tmp", "w", encoding="utf-8", newline="") as runs, \
            open(directory.plan + ".tmp", "w", encoding="utf-8") as plan:
        write_row(runs, header(planned))
        for run in runs_of(planned, directory, planned.replications):
            write_run(runs, plan, run)
            if old_outputs and os.path.exists(run.output):
                done += read_run_output(planned, run)[0] is not None
    os.replace(directory.runs_tsv + ".tmp", directory.runs_tsv)
    os.replace(directory.plan + ".tmp", directory.plan)
    save_planned(directory, planned)
    ensure_file(directory.finished)
    return planned, done


def command_plan(args: argparse.Namespace) -> int:
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
