"""Studies from Python, in a script or a notebook: plan_study, run_study and gather_study as the
command line's plan, run and gather do (a refused input raises StudyError), and the gathered
tables (runs, summary, differences) as pandas DataFrames, or as lists of dicts where pandas is
missing or as_list=True."""

import csv
import io
import os
import sys
import tempfile
import warnings
from typing import Any, Dict, Iterable, List, Mapping, Optional, Union

from .cli import HANDLERS, parser
from .errors import StudyError
from .results.columns import load_records, typed

Values = Union[str, int, float, Iterable[Any]]
Folder = Union[str, "os.PathLike[str]"]


def call(words: List[Any]) -> int:
    """Runs one command of the tool in this process; raises StudyError unless it ends with 0."""
    try:
        args = parser().parse_args([str(word) for word in words])
    except SystemExit:
        raise StudyError("the arguments %s are refused (see the message above)" % words[1:])
    status = HANDLERS[args.command](args)
    if status != 0:
        raise StudyError("%s ended with status %d" % (" ".join(words[:3]), status), status)
    return status


def sweep_text(word: str, values: Values) -> str:
    """word=VALUES: a text as it is, else the values joined (by '|' for list options)."""
    if isinstance(values, (str, int, float)):
        return "%s=%s" % (word, values)
    items = [",".join(map(str, v)) if isinstance(v, (list, tuple)) else str(v) for v in values]
    separator = "|" if any("," in item for item in items) else ","
    return "%s=%s" % (word, separator.join(items))


def plan_study(directory: Folder, *, replications: int,
               fix: Optional[Mapping[str, Values]] = None,
               sweep: Optional[Mapping[str, Values]] = None,
               zips: Optional[Mapping[str, Mapping[str, Mapping[str, Values]]]] = None,
               seed: Optional[int] = None, common_seeds: Iterable[str] = (),
               sim: Optional[str] = None, max_runs: Optional[int] = None) -> None:
    """Plans a study: fix and sweep map option words to values (sweep: a list, or a text with
    ranges), zips map a factor name to {label: {option: value}}."""
    words: List[Any] = ["plan", "-d", directory, "-r", replications]
    for word, value in (fix or {}).items():
        words += ["--fix", sweep_text(word, [value] if isinstance(value, (list, tuple))
                                      else value)]
    for word, values in (sweep or {}).items():
        words += ["--sweep", sweep_text(word, values)]
    for name, levels in (zips or {}).items():
        words += ["--zip", "|".join(",".join(sweep_text(w, [v] if isinstance(v, (list, tuple))
                                                         else v) for w, v in options.items())
                                    for options in levels.values()),
                  "--label", "%s=%s" % (name, ",".join(levels))]
    for flag, given in (("--seed", seed), ("--sim", sim), ("--max-runs", max_runs),
                        ("--common-seeds", ",".join(common_seeds) or None)):
        words += [flag, given] if given is not None else []
    call(words)


def run_study(directory: Folder, *, jobs: Optional[int] = None, until: Iterable[str] = (),
              max_replications: Optional[int] = None, min_replications: Optional[int] = None,
              batch: Optional[int] = None) -> None:
    """Runs the runs not done (to precision targets with until)."""
    words: List[Any] = ["run", "-d", directory]
    for flag, value in (("-j", jobs), ("--max-replications", max_replications),
                        ("--min-replications", min_replications), ("--batch", batch)):
        words += [flag, value] if value is not None else []
    for criterion in until:
        words += ["--until", criterion]
    call(words)


def gather_study(directory: Folder, *options: str) -> None:
    """Gathers the study as `qrvl-sweep gather -d DIRECTORY OPTIONS...` does."""
    call(["gather", "-d", directory, *options])


def as_table(records: List[Dict[str, Any]], as_list: bool) -> Any:
    """records as a pandas DataFrame; a list where asked, or (with a warning) without pandas."""
    if as_list:
        return records
    try:
        import pandas
    except ImportError:
        warnings.warn("pandas is not installed for the Python running this (%s, %s): a list of "
                      "dicts is returned. Install pandas for this interpreter (%s -m pip "
                      "install pandas, or Debian's python3-pandas for /usr/bin/python3), or "
                      "ask for the list with as_list=True" % (
                          sys.executable, sys.version.split()[0], sys.executable), stacklevel=3)
        return records
    return pandas.DataFrame.from_records(records)


def read_gathered(directory: Folder, options: List[str]) -> List[Dict[str, Any]]:
    """The rows gather writes with these options, numbers as numbers, undefined as None."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "table.csv")
        stderr, sys.stderr = sys.stderr, io.StringIO()
        try:
            call(["gather", "-d", directory, "-o", path, *options])
        except StudyError as error:
            told = sys.stderr.getvalue().strip()
            raise StudyError("%s%s" % (error, "\n" + told if told else ""), error.status)
        finally:
            sys.stderr = stderr
        with open(path, newline="", encoding="utf-8") as handle:
            return [{k: None if v == "nan" else typed(v) for k, v in row.items()}
                    for row in csv.DictReader(handle)]


def load_runs(directory: Folder, as_list: bool = False) -> Any:
    """The done runs of a study, with the columns of the database's runs table but study."""
    return as_table(load_records(str(directory)), as_list)


def load(directory: Folder, as_list: bool = False) -> Any:
    """The done runs of the study in directory: a pandas DataFrame, or a list of dicts (one per
    run: every option, the replication, seed, simulator version, host, wall seconds and every
    summary column, None where a run does not define it) with as_list=True or, with a warning
    naming the interpreter, where pandas is missing."""
    return load_runs(directory, as_list)


def load_summary(directory: Folder, figures: str = "Ps,S,D,T,pps", as_list: bool = False
                 ) -> Any:
    """One row per point, as gather writes summary.csv (figures as in --figures)."""
    return as_table(read_gathered(directory, ["--figures", figures]), as_list)


def load_diffs(directory: Folder, vs: str, figures: str = "Ps,S,D,T,pps",
               as_list: bool = False) -> Any:
    """The paired differences against vs ('fsf_fbk=class'), as gather --diff-vs writes them."""
    return as_table(read_gathered(directory, ["--diff-vs", vs, "--figures", figures]), as_list)


