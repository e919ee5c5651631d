"""finished.tsv: one record per ended run (seed, command line, exit status, host, start time,
wall seconds and the simulator's version and SHA-256), appended by `run` and by Slurm tasks; the
last record of an output describes the run that wrote it."""

import os
from dataclasses import astuple, dataclass, fields


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
HEADER = "\t".join(COLUMNS) + "\n"


def ensure_file(path):
    """Creates the record file with its header when missing."""
    if not os.path.exists(path):
        with open(path, "a", encoding="utf-8") as handle:
            if handle.tell() == 0:
                handle.write(HEADER)


def append_records(path, records):
    ensure_file(path)
    with open(path, "a", encoding="utf-8") as handle:
        for record in records:
            handle.write("\t".join(str(value) for value in astuple(record)) + "\n")


def tab_rows(path):
    """The tab-separated fields of each line of a file; nothing when it is missing."""
    try:
        with open(path, encoding="utf-8", errors="replace") as handle:
            for line in handle:
                yield line.rstrip("\n").split("\t")
    except FileNotFoundError:
        return


def latest_records(path):
    """The last record of each output; lines that are not records are skipped."""
    latest = {}
    for values in tab_rows(path):
        if len(values) != len(COLUMNS) or values[0] == "output":
            continue
        try:
            record = Record(values[0], int(values[1]), values[2], int(values[3]),
                            int(values[4]), int(values[5]), values[6], values[7],
                            float(values[8]), values[9], values[10], values[11])
        except ValueError:
            continue
        latest[record.output] = record
    return latest
