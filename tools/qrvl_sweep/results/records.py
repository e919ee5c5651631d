"""finished.tsv: one record per ended run (seed, command line, exit status, host, start time,
wall seconds and the simulator's version and SHA-256), appended by `run` and by Slurm tasks; the
last record of an output describes the run that wrote it."""

import os
from dataclasses import astuple, dataclass, fields
from typing import Dict, Iterable, List

from ..tsv import file_rows, write_row


@dataclass(frozen=True)
class Record:
    output: str
    line: int
    point: str
    replication: int
    seed: int
    status: int
    host: str
    start: str          # ISO 8601, UTC
    seconds: float
    version: str
    sha256: str
    command: str        # the plan line as run


COLUMNS = [f.name for f in fields(Record)]


def ensure_file(path: str) -> None:
    """Creates the record file with its header when missing."""
    if not os.path.exists(path):
        with open(path, "a", encoding="utf-8", newline="") as handle:
            if handle.tell() == 0:
                write_row(handle, COLUMNS)


def append_records(path: str, records: Iterable[Record]) -> None:
    ensure_file(path)
    with open(path, "a", encoding="utf-8", newline="") as handle:
        for record in records:
            write_row(handle, astuple(record))


def record_of(values: List[str]) -> Record:
    return Record(values[0], int(values[1]), values[2], int(values[3]), int(values[4]),
                  int(values[5]), values[6], values[7], float(values[8]), values[9], values[10],
                  values[11])


def latest_records(path: str) -> Dict[str, Record]:
    """The last record of each output; lines that are not records are skipped."""
    latest = {}
    for values in file_rows(path):
        if len(values) != len(COLUMNS) or values[0] == "output":
            continue
        try:
            record = record_of(values)
        except ValueError:
            continue
        latest[record.output] = record
    return latest
