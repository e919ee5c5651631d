"""The columns every gathered table carries, and the runs as rows of them.

Every table names each run's options (the factors, then the options the study gives, or with
`every` each option of the simulator with its built-in value where the study gives none), its
replication, seed and simulator version; per run also the random streams (`rng`) and threads
(`threads`) it ran with. The summary's own copies of options (nn, runs, ns, ...) are named with
`_out` (nn_out), so that no name is there twice."""

from typing import Any, Dict, Iterable, Iterator, List, Mapping, Union

from ..directory import study_dir
from ..planned import PROVENANCE, Planned, load_planned
from .runs import RunResult, collect

RECORD_COLUMNS = ["replication", "seed", "version", "sha256", "host", "start", "seconds"]
Value = Union[int, float, str, None]


def option_columns(planned: Planned, every: bool = False) -> List[str]:
    """The option columns: the factors, then the options the study gives (every option of the
    simulator with every)."""
    words = planned.swept + planned.option_words
    if every:
        words += planned.builtin_words
    return list(dict.fromkeys(words))


def run_option_columns(planned: Planned) -> List[str]:
    """The option columns of a table of runs: those of the study, and what each run records."""
    return list(dict.fromkeys(option_columns(planned) + list(PROVENANCE)))


def option_values(planned: Planned, labels: Mapping[str, str]) -> Dict[str, str]:
    """A point's value of every option column: factor labels and option values."""
    values = planned.every_option(labels)
    values.update(labels)
    return values


def figure_names(planned: Planned) -> List[str]:
    """The column name of each summary column in tables that also name the options."""
    options = set(option_columns(planned, every=True)) | {"seed"}
    return [column + "_out" if column in options else column for column in planned.columns]


def record_columns(planned: Planned) -> List[str]:
    """The columns of run_records, in order."""
    return ["point"] + option_columns(planned, every=True) + RECORD_COLUMNS + \
        figure_names(planned)


def typed(text: str) -> Value:
    """An option value as a number where it is one."""
    for kind in (int, float):
        try:
            return kind(text)
        except (TypeError, ValueError):
            pass
    return text


def run_fields(result: RunResult, options: Dict[str, Value]) -> Dict[str, Value]:
    """The columns of one done run before its figures."""
    run, record = result.run, result.record
    return {"point": run.point, **options, "replication": run.replication, "seed": run.seed,
            "version": result.version, "sha256": result.sha256,
            "host": record.host if record else "", "start": record.start if record else "",
            "seconds": record.seconds if record else None}


def run_records(planned: Planned, results: Iterable[RunResult]) -> Iterator[Dict[str, Any]]:
    """One dict per done run: every option (typed), replication, seed, version, host, wall
    seconds and every summary column (None where undefined)."""
    names = figure_names(planned)
    columns = option_columns(planned, every=True)
    for result in results:
        if result.summary is None:
            continue
        values = option_values(planned, result.run.values)
        fields = run_fields(result, {c: typed(values[c]) if values.get(c, "") != "" else None
                                     for c in columns})
        for name, column in zip(names, planned.columns):
            fields[name] = result.value(column)
        yield fields


def load_records(path: str) -> List[Dict[str, Any]]:
    """The done runs of the study in directory path: a list of dicts, one per run, with the
    columns of the SQLite runs table but study."""
    directory = study_dir(str(path))
    planned = load_planned(directory)
    return list(run_records(planned, collect(directory, planned)))
