"""The runs of a study with their results: each planned run, its summary (when it is done),
why it is not done, and its last record."""

from dataclasses import dataclass
from typing import Dict, Iterator, Mapping, Optional, Tuple

from ..directory import StudyDir
from ..planned import Planned
from ..runlist import Run, planned_runs
from .outputs import Layout, read_output
from .records import Record, latest_records

# Figures that a run without a node of two successes does not define.
NEEDS_TWO_SUCCESSES = frozenset(("D", "D_an", "D_net"))
Summary = Dict[str, float]


def defined(figure: str, summary: Mapping[str, float]) -> bool:
    """Whether a run's value of figure means something."""
    return figure not in NEEDS_TWO_SUCCESSES or summary.get("nn_succ", 1) > 0


@dataclass(frozen=True)
class RunResult:
    """A planned run, its summary (None when it is not done) and its last record."""
    run: Run
    summary: Optional[Summary]
    problem: Optional[str]
    record: Optional[Record]

    @property
    def version(self) -> str:
        return self.record.version if self.record else ""

    @property
    def sha256(self) -> str:
        return self.record.sha256 if self.record else ""

    def value(self, figure: str) -> Optional[float]:
        """The run's figure, None where it is undefined (or the run is not done)."""
        summary = self.summary or {}
        return summary[figure] if figure in summary and defined(figure, summary) else None


def read_run_output(planned: Planned, run: Run) -> Tuple[Optional[Summary], Optional[str]]:
    """(summary, None) for a done run's output, else (None, why it is not done); the summary
    line is read at the debug level the run's simulator ran with."""
    debug = int(planned.options_of(run.values).get("debug", planned.builtin_debug))
    return read_output(run.output, Layout(planned.columns, debug))


def collect(directory: StudyDir, planned: Planned) -> Iterator[RunResult]:
    """Every run of the study in plan order with its result."""
    records = latest_records(directory.finished)
    for run in planned_runs(directory, planned):
        summary, problem = read_run_output(planned, run)
        yield RunResult(run, summary, problem, records.get(run.output))
