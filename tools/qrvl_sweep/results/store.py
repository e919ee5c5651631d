"""Gathered studies in an SQLite database: a table of runs (every option of the simulator, the
replication, seed, version, host, wall seconds and all summary columns), a table of points (the
per-point summary), a table of paired differences (gather --diff-vs) and a table of the studies.
Every row names its study, so that several studies gathered into one file are queried together;
gathering a study again replaces its rows. Undefined values (D without a node of two successes,
a half-width of one replication) are NULL."""

import math
import sqlite3
import time
from typing import Any, Dict, Iterable, List, Mapping, Optional, Sequence, Tuple

from ..directory import StudyDir
from ..errors import StudyError
from ..planned import Planned
from .aggregate import PointData, header, point_names, point_row, target_columns
from .columns import Value, option_columns, record_columns, run_records, typed
from .pairs import Diffs
from .rank import Ranking
from .runs import RunResult
from .targets import Criterion

BATCH = 2000

TEXT = {"study", "point", "version", "sha256", "host", "start", "target", "vs", "path",
        "simulator", "factors", "common_seeds", "targets", "gathered", "by", "figure", "letters",
        "best"}
INTEGER = {"replication", "replications", "seed", "first_stage", "rank"}


def quoted(name: str) -> str:
    return '"%s"' % name.replace('"', '""')


def column_type(name: str, options: Sequence[str]) -> str:
    if name in TEXT:
        return "TEXT"
    if name in INTEGER or name.endswith("_n"):
        return "INTEGER"
    return "NUMERIC" if name in options else "REAL"


def sql_value(value: Value) -> Value:
    """A value as SQLite keeps it: numbers as numbers, nan and empty text as NULL."""
    if isinstance(value, str):
        value = typed(value) if value != "" else None
    if isinstance(value, float) and math.isnan(value):
        return None
    return value


class Store:
    """One gathering of a study into the database at path, committed by finish()."""

    def __init__(self, path: str, name: str, planned: Planned, directory: StudyDir) -> None:
        self.path, self.name, self.planned, self.directory = path, name, planned, directory
        self.options = option_columns(planned, every=True)
        self.columns = ["study"] + record_columns(planned)
        self.runs: List[RunResult] = []
        try:
            self.connection = sqlite3.connect(path)
        except sqlite3.Error as error:
            raise StudyError("cannot open the database %s: %s" % (path, error))
        try:
            self.table("runs", self.columns, planned.swept)
        except sqlite3.Error as error:
            self.connection.close()
            raise StudyError("cannot write the database %s: %s" % (path, error))

    def table(self, table: str, columns: Sequence[str], keys: Sequence[str],
              vs: Optional[str] = None, replace: bool = True) -> None:
        """Makes the table hold these columns; indexes it by study and the study's factors."""
        db = self.connection
        db.execute("CREATE TABLE IF NOT EXISTS %s (%s)" % (quoted(table), ", ".join(
            "%s %s" % (quoted(c), column_type(c, self.options)) for c in columns)))
        have = {row[1].lower() for row in db.execute("PRAGMA table_info(%s)" % quoted(table))}
        for column in columns:
            if column.lower() not in have:
                db.execute("ALTER TABLE %s ADD COLUMN %s %s" % (
                    quoted(table), quoted(column), column_type(column, self.options)))
        index = "%s_by_%s" % (table, "_".join(["study"] + list(keys)))
        db.execute("CREATE INDEX IF NOT EXISTS %s ON %s (%s)" % (
            quoted(index), quoted(table), ", ".join(quoted(c) for c in ["study"] + list(keys))))
        if not replace:
            return
        if vs is None:
            db.execute("DELETE FROM %s WHERE study = ?" % quoted(table), (self.name,))
        else:
            db.execute("DELETE FROM %s WHERE study = ? AND vs = ?" % quoted(table), (self.name, vs))

    def insert(self, table: str, columns: Sequence[str], rows: Iterable[Sequence[Any]]) -> None:
        self.connection.executemany("INSERT INTO %s (%s) VALUES (%s)" % (
            quoted(table), ", ".join(quoted(c) for c in columns), ", ".join("?" * len(columns))),
            ([sql_value(v) for v in row] for row in rows))

    def add(self, result: RunResult) -> None:
        self.runs.append(result)
        if len(self.runs) >= BATCH:
            self.flush()

    def flush(self) -> None:
        try:
            self.insert("runs", self.columns, ([self.name] + list(r.values()) for r in
                                               run_records(self.planned, self.runs)))
        except sqlite3.Error as error:
            self.connection.close()
            raise StudyError("cannot write the database %s: %s" % (self.path, error))
        self.runs = []

    def finish(self, complete: Mapping[str, PointData], figures: Sequence[str],
               criteria: Sequence[Criterion], missed: Mapping[str, List[Criterion]],
               diffs: Optional[Diffs], ranking: Optional[Ranking] = None) -> None:
        """Writes the study's runs, points and differences (vs, pairs, their criteria),
        replacing its earlier rows."""
        self.flush()
        try:
            with self.connection:
                self.write_points("points", complete.items(), figures, criteria, missed=missed)
                if diffs:
                    vs, pairs, own = diffs
                    self.write_points("diffs", pairs, figures, own, vs)
                if ranking:
                    self.write_ranks(ranking, complete)
                self.write_study()
        except sqlite3.Error as error:
            raise StudyError("cannot write the database %s: %s" % (self.path, error))
        finally:
            self.connection.close()

    def write_points(self, table: str, points: Iterable[Tuple[str, PointData]],
                     figures: Sequence[str], criteria: Sequence[Criterion],
                     vs: Optional[str] = None,
                     missed: Optional[Mapping[str, List[Criterion]]] = None) -> None:
        names = point_names(self.planned, every=True)
        front = ["study", "point"] + (["vs"] if vs else [])
        columns = front + header(names, figures) + target_columns(criteria)
        self.table(table, columns, self.planned.swept, vs)
        self.insert(table, columns, ([self.name, key] + ([vs] if vs else []) +
                                     point_row(point, names, figures, criteria,
                                               missed[key] if missed else None)
                                     for key, point in points))

    def write_ranks(self, ranking: Ranking, complete: Mapping[str, PointData]) -> None:
        """The ranking, replacing the study's earlier one of the same figure and factor."""
        columns = ["study", "by"] + ranking.names()
        self.table("ranks", columns, [], replace=False)
        self.connection.execute('DELETE FROM ranks WHERE study = ? AND "by" = ? AND figure = ?',
                                (self.name, ranking.by, ranking.figure))
        self.insert("ranks", columns, ([self.name, ranking.by] + row for row in
                                       ranking.rows(complete)))

    def write_study(self) -> None:
        planned = self.planned
        values: Dict[str, Any] = {"study": self.name, "path": self.directory.path,
                  "simulator": planned.simulator.path, "version": planned.simulator.version,
                  "sha256": planned.simulator.sha256, "seed": planned.seed,
                  "replications": planned.replications, "factors": ",".join(planned.swept),
                  "common_seeds": ",".join(planned.common_seeds),
                  "targets": " ".join(planned.targets["until"]) if planned.targets else "",
                  "gathered": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())}
        self.table("studies", list(values), [])
        self.insert("studies", list(values), [list(values.values())])
