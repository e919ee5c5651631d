"""The study's tab-separated files (runs.tsv, todo.tsv, finished.tsv, and GNU parallel's
joblog) through the csv module: one record a line, fields unquoted. No field can hold a tab or
a line break: text with a control character is refused before anything is planned."""

import csv
from typing import IO, Iterator, List, Sequence


class TabSeparated(csv.Dialect):
    delimiter = "\t"
    quoting = csv.QUOTE_NONE
    quotechar = None
    escapechar = None
    doublequote = False
    skipinitialspace = False
    lineterminator = "\n"
    strict = False


def write_row(handle: IO[str], fields: Sequence[object]) -> None:
    """Appends one record to an open file (csv.Error for a field holding a tab)."""
    csv.writer(handle, TabSeparated).writerow(fields)


def read_rows(handle: IO[str]) -> Iterator[List[str]]:
    """The records of an open file (opened with newline='')."""
    return csv.reader(handle, TabSeparated)


def file_rows(path: str) -> Iterator[List[str]]:
    """The records of a file, undecodable bytes replaced; nothing when it is missing."""
    try:
        with open(path, encoding="utf-8", errors="replace", newline="") as handle:
            yield from read_rows(handle)
    except FileNotFoundError:
        return
