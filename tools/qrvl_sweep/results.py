"""The runs of a study with their results, and the columns every gathered table carries.

Every table names each run's options (the factors, then the options the study gives, or with
`every` each option of the simulator with its built-in value where the study gives none), its
replication, seed and simulator version. The summary's own copies of options (nn, runs, ns, ...)
are named with `_out` (nn_out), so that no name is there twice."""

from dataclasses import dataclass

from .directory import load_planned, planned_runs, read_run_output, study_dir
from .records import latest_records

# Figures that a run without a node of two successes does not define.
NEEDS_TWO_SUCCESSES = frozenset(("D", "D_an", "D_net"))


def defined(figure, summary):
    """Whether a run's value of figure means something."""
    return figure not in NEEDS_TWO_SUCCESSES or summary.get("nn_succ", 1) > 0


@dataclass(frozen=True)
class RunResult:
    """A planned run, its summary (None when it is not done) and its last record."""
    run: object
    summary: dict
    problem: str
    record: object

    @property
    def version(self):
        return self.record.version if self.record else ""

    def value(self, figure):
        """The run's figure, None where it is undefined."""
        return self.summary[figure] if defined(figure, self.summary) else None


def collect(directory, planned):
    """Every run of the study in plan order with its result."""
    records = latest_records(directory.finished)
    for run in planned_runs(directory, planned):
        summary, problem = read_run_output(planned, run)
        yield RunResult(run, summary, problem, records.get(run.output))


def option_columns(planned, every=False):
    """The option columns: the factors, then the options the study gives (every option of the
    simulator with every)."""
    words = planned.swept + planned.option_words
    if every:
        words += [word for word, _ in planned.builtins]
    return list(dict.fromkeys(words))


def option_values(planned, labels):
    """A point's value of every option column: factor labels and option values."""
    values = planned.every_option(labels)
    values.update(labels)
    return values


def figure_names(planned):
    """The column name of each summary column in tables that also name the options."""
    options = set(option_columns(planned, every=True)) | {"seed"}
    return [column + "_out" if column in options else column for column in planned.columns]


RECORD_COLUMNS = ["replication", "seed", "version", "sha256", "host", "start", "seconds"]


def record_columns(planned):
    """The columns of run_records, in order."""
    return ["point"] + option_columns(planned, every=True) + RECORD_COLUMNS + \
        figure_names(planned)


def run_fields(result, every_option):
    """The columns of one done run before its figures."""
    run, record = result.run, result.record
    fields = {"point": run.point, **every_option, "replication": run.replication,
              "seed": run.seed, "version": result.version,
              "sha256": record.sha256 if record else "", "host": record.host if record else "",
              "start": record.start if record else "",
              "seconds": record.seconds if record else None}
    return fields


def typed(text):
    """An option value as a number where it is one."""
    for kind in (int, float):
        try:
            return kind(text)
        except (TypeError, ValueError):
            pass
    return text


def run_records(planned, results):
    """One dict per done run: every option (typed), replication, seed, version, host, wall
    seconds and every summary column (None where undefined)."""
    names = figure_names(planned)
    columns = option_columns(planned, every=True)
    for result in results:
        if result.summary is None:
            continue
        values = option_values(planned, result.run.values)
        fields = run_fields(result, {c: typed(values.get(c, "")) if values.get(c, "") != ""
                                     else None for c in columns})
        for name, column in zip(names, planned.columns):
            fields[name] = result.value(column)
        yield fields


def load_records(path):
    """The done runs of the study in directory path: a list of dicts, one per run, with the
    columns of the SQLite runs table but study."""
    directory = study_dir(str(path))
    planned = load_planned(directory)
    return list(run_records(planned, collect(directory, planned)))
