"""The study directory and the paths of its files, and writing a file whole."""

import os
from dataclasses import dataclass

from .errors import StudyError
from .safety import check_plain


@dataclass(frozen=True)
class StudyDir:
    """A study directory: each of its files by what it holds."""
    path: str

    def _file(self, name: str) -> str:
        return os.path.join(self.path, name)

    @property
    def study_json(self) -> str:
        """The study as planned."""
        return self._file("study.json")

    @property
    def plan(self) -> str:
        """The job list: one shell line per run."""
        return self._file("plan.txt")

    @property
    def runs_tsv(self) -> str:
        """The runs of the plan's lines: point, replication, seed, output, factor values."""
        return self._file("runs.tsv")

    @property
    def finished(self) -> str:
        """One record per ended run."""
        return self._file("finished.tsv")

    @property
    def joblog(self) -> str:
        """GNU parallel's record of the last session."""
        return self._file("joblog")

    @property
    def todo_plan(self) -> str:
        """The lines of a session of GNU parallel."""
        return self._file("todo.txt")

    @property
    def todo_runs(self) -> str:
        """The runs of a session of GNU parallel."""
        return self._file("todo.tsv")

    @property
    def todo_sim(self) -> str:
        """The simulator a session of GNU parallel runs."""
        return self._file("todo.json")

    @property
    def lock(self) -> str:
        return self._file("lock")

    @property
    def out(self) -> str:
        """The runs' outputs."""
        return self._file("out")

    @property
    def summary(self) -> str:
        return self._file("summary.csv")

    @property
    def slurm(self) -> str:
        """The Slurm tasks' logs."""
        return self._file("slurm")

    @property
    def plots(self) -> str:
        return self._file("plots")


def study_dir(text: str, create: bool = False) -> StudyDir:
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


def write_file(path: str, text: str) -> None:
    """Writes a file whole, under its name only once complete."""
    temporary = path + ".tmp"
    try:
        with open(temporary, "w", encoding="utf-8", newline="") as handle:
            handle.write(text)
        os.replace(temporary, path)
    except OSError as error:
        raise StudyError("cannot write %s: %s" % (path, error.strerror or error))
