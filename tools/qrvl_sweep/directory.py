"""The study directory: its files, the study as planned (study.json) and the run list
(runs.tsv with plan.txt), read back with every problem reported as a StudyError."""

import json
import os
import shlex
from dataclasses import dataclass
from functools import cached_property

from . import PROG
from .describe import Identity
from .errors import StudyError
from .factors import Factor, Level, point_words, swept_factor
from .safety import check_plain
from .suggest import nearest
from .summary import Layout, read_output


@dataclass(frozen=True)
class StudyDir:
    """The paths of a study directory."""
    path: str

    def __getattr__(self, name):
        files = {"study_json": "study.json", "plan": "plan.txt", "runs_tsv": "runs.tsv",
                 "finished": "finished.tsv", "joblog": "joblog", "todo_plan": "todo.txt",
                 "todo_runs": "todo.tsv", "todo_sim": "todo.json", "lock": "lock",
                 "out": "out", "summary": "summary.csv", "slurm": "slurm", "plots": "plots"}
        if name not in files:
            raise AttributeError(name)
        return os.path.join(self.path, files[name])


def study_dir(text, create=False):
    """The study directory named by -d; created when asked and missing."""
    check_plain("the study directory", text)
    path = os.path.abspath(text)
    if os.path.exists(path) and not os.path.isdir(path):
        raise StudyError("%s is not a directory" % path)
    if create:
        try:
            os.makedirs(path, exist_ok=True)
        except OSError as error:
            raise StudyError("cannot make the study directory %s: %s" % (path, error.strerror))
    return StudyDir(path)


@dataclass(frozen=True)
class Planned:
    """A study as planned: what study.json holds."""
    simulator: Identity
    columns: tuple
    builtin_debug: int
    seed: int
    replications: int
    fixed: tuple        # (word, value) pairs
    factors: tuple      # Factor records, in point order
    point_count: int
    run_count: int
    common_seeds: tuple = ()
    builtins: tuple = ()        # (word, value) of every option the simulator has but seed
    targets: object = None      # the precision targets of the last run --until

    @property
    def swept(self):
        return [factor.name for factor in self.factors]

    @property
    def option_words(self):
        """The options the study gives that are not swept options: fixed, then zipped."""
        words = [word for word, _ in self.fixed]
        for factor in self.factors:
            words += [word for word in factor.words if word != factor.name]
        return list(dict.fromkeys(words))

    @cached_property
    def levels(self):
        """Per factor name, its levels by label."""
        return {factor.name: {level.label: level for level in factor.levels}
                for factor in self.factors}

    def label_of(self, name, text, where):
        """The label of the level of factor name that text names; refuses a name that is not
        a factor of the study."""
        for factor in self.factors:
            if factor.name == name:
                return factor.level(text, where)
        raise StudyError("%s: %s is not a factor of the study%s (its factors: %s)"
                         % (where, name, nearest(name, self.swept, " (did you mean '%s'?)"),
                            ", ".join(self.swept) or "none"))

    def options_of(self, labels):
        """The options a point gives to the simulator, from its factors' labels."""
        options = dict(self.fixed)
        for factor in self.factors:
            options.update(self.levels[factor.name][labels[factor.name]].options)
        return options

    def every_option(self, labels):
        """Every option word of the simulator with the value the point runs with."""
        options = dict(self.builtins)
        options.update(self.options_of(labels))
        return options

    def common_words(self):
        """The option words left out of the seed keys."""
        return {word for factor in self.factors if factor.name in self.common_seeds
                for word in factor.words}

    def to_json(self):
        return {"format": 3,
                "simulator": {"path": self.simulator.path, "version": self.simulator.version,
                              "sha256": self.simulator.sha256},
                "columns": list(self.columns), "builtin_debug": self.builtin_debug,
                "seed": self.seed, "replications": self.replications,
                "fixed": [list(pair) for pair in self.fixed],
                "factors": [factor_json(factor) for factor in self.factors],
                "common_seeds": list(self.common_seeds),
                "builtins": [list(pair) for pair in self.builtins],
                "targets": self.targets,
                "point_count": self.point_count, "run_count": self.run_count}


def factor_json(factor):
    if not factor.zipped:
        return {"option": factor.name, "values": factor.labels}
    return {"zip": factor.name, "levels": [{"label": level.label, "options": [
        list(pair) for pair in level.options]} for level in factor.levels]}


def factor_of(data):
    if "option" in data:
        return swept_factor(str(data["option"]), [str(v) for v in data["values"]])
    return Factor(str(data["zip"]), tuple(Level(str(level["label"]), tuple(
        (str(w), str(v)) for w, v in level["options"])) for level in data["levels"]), True)


def _planned(data):
    simulator = data["simulator"]
    if "factors" in data:
        factors = tuple(factor_of(item) for item in data["factors"])
    else:       # studies planned before zip factors
        factors = tuple(swept_factor(str(w), [str(v) for v in values])
                        for w, values in data["sweep"])
    planned = Planned(
        simulator=Identity(str(simulator["path"]), str(simulator["version"]),
                           str(simulator["sha256"])),
        columns=tuple(str(c) for c in data["columns"]), builtin_debug=int(data["builtin_debug"]),
        seed=int(data["seed"]), replications=int(data["replications"]),
        fixed=tuple((str(w), str(v)) for w, v in data["fixed"]), factors=factors,
        point_count=int(data["point_count"]), run_count=int(data["run_count"]),
        common_seeds=tuple(str(n) for n in data.get("common_seeds", ())),
        builtins=tuple((str(w), str(v)) for w, v in data.get("builtins", ())),
        targets=data.get("targets"))
    if not planned.columns:
        raise ValueError("no columns")
    return planned


def load_planned(directory):
    """The study planned in the directory."""
    try:
        with open(directory.study_json, encoding="utf-8-sig") as handle:
            data = json.load(handle)
    except FileNotFoundError:
        raise StudyError("%s holds no planned study (run '%s plan -d %s ...' first)"
                         % (directory.path, PROG, directory.path))
    except (OSError, ValueError) as error:
        raise StudyError("cannot read %s: %s" % (directory.study_json, error))
    try:
        return _planned(data)
    except (KeyError, TypeError, ValueError, AttributeError) as error:
        raise StudyError("%s is not a study planned by this %s (%s: %s); plan the study again"
                         % (directory.study_json, PROG, type(error).__name__, error))


@dataclass(frozen=True)
class Run:
    """One replication of one point: a line of the plan."""
    line: int
    point: str           # the point's id
    replication: int
    seed: int
    output: str
    values: dict         # swept word -> value
    command: str         # the plan line

    @property
    def errors(self):
        return self.output[:-len(".csv")] + ".err"

    @property
    def simulator_command(self):
        """The simulator's command line, without the redirections of the plan line."""
        redirect = " >" + shlex.quote(self.output[:-len(".csv")] + ".part")
        at = self.command.find(redirect)
        return self.command[:at] if at >= 0 else self.command

    def describe_point(self):
        if not self.values:
            return "the single point"
        return "point " + point_words(self.values)


RUN_COLUMNS = ["line", "point", "replication", "seed", "output"]


def run_row(run):
    return [str(run.line), run.point, str(run.replication), str(run.seed), run.output] + \
        list(run.values.values())


def write_run(runs, plan, run):
    """Appends a run to an open run list and its line to the open plan."""
    runs.write("\t".join(run_row(run)) + "\n")
    plan.write(run.command + "\n")


def parse_run_row(header, fields, command):
    if len(fields) != len(header):
        raise ValueError("%d fields under a header of %d" % (len(fields), len(header)))
    swept = dict(zip(header[len(RUN_COLUMNS):], fields[len(RUN_COLUMNS):]))
    return Run(int(fields[0]), fields[1], int(fields[2]), int(fields[3]), fields[4], swept,
               command)


def read_runs(runs_path, plan_path):
    """Every run of a run list (runs.tsv or todo.tsv) with its plan line, in order."""
    try:
        with open(runs_path, encoding="utf-8") as runs, open(plan_path, encoding="utf-8") as plan:
            header = runs.readline().rstrip("\n").split("\t")
            if header[:len(RUN_COLUMNS)] != RUN_COLUMNS:
                raise ValueError("the header is not %s" % " ".join(RUN_COLUMNS))
            for number, (row, command) in enumerate(zip(runs, plan), 2):
                try:
                    yield parse_run_row(header, row.rstrip("\n").split("\t"), command.rstrip("\n"))
                except ValueError as error:
                    raise ValueError("line %d: %s" % (number, error))
    except FileNotFoundError as error:
        raise StudyError("%s is missing; plan the study again" % error.filename)
    except UnicodeDecodeError as error:
        raise StudyError("%s or %s is not UTF-8 text (%s); plan the study again"
                         % (runs_path, plan_path, error.reason))
    except (OSError, ValueError) as error:
        raise StudyError("cannot read %s: %s; plan the study again" % (runs_path, error))


def line_count(path):
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


def planned_runs(directory, planned):
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


def save_planned(directory, planned):
    write_file(directory.study_json, json.dumps(planned.to_json(), indent=1) + "\n")


def write_file(path, text):
    """Writes a file whole, under its name only once complete."""
    temporary = path + ".tmp"
    try:
        with open(temporary, "w", encoding="utf-8", newline="") as handle:
            handle.write(text)
        os.replace(temporary, path)
    except OSError as error:
        raise StudyError("cannot write %s: %s" % (path, error.strerror or error))


def read_run_output(planned, run):
    """(summary, None) for a done run's output, else (None, why it is not done); the summary
    line is read at the debug level the run's simulator ran with."""
    debug = int(planned.options_of(run.values).get("debug", planned.builtin_debug))
    return read_output(run.output, Layout(planned.columns, debug))
