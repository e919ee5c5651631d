"""A point's replications gathered: per figure the mean, sample standard deviation and Student-t
95% half-width, each replication of equal weight, as one CSV row. In a study run to precision
targets the half-width is the two-stage one (stopping.py), from the spread of the first stage."""

import math
from dataclasses import dataclass, field
from typing import Dict, Iterable, List, Mapping, Optional, Sequence, Set

from ..planned import Planned
from .columns import option_columns
from .runs import NEEDS_TWO_SUCCESSES, defined
from .stats import Estimate
from .stopping import Stages, two_stage
from .targets import Criterion, unmet


def format_value(x: Optional[float]) -> str:
    if x is None or math.isnan(x):
        return "nan"
    if math.isinf(x):
        return "inf" if x > 0 else "-inf"
    return "%.10g" % x


@dataclass
class PointData:
    """The replications gathered for one point, and the values of its columns."""
    values: Dict[str, str]
    runs: int = 0
    figures: Dict[str, List[float]] = field(default_factory=dict)
    planned: int = 0
    versions: Set[str] = field(default_factory=set)
    binaries: Set[str] = field(default_factory=set)
    first_stage: Optional[int] = None   # replications of the two-stage rule's first stage
    unsettled: bool = False             # run to a rule whose first stage has not ended

    def settle(self, criteria: Sequence[Criterion], stages: Stages) -> None:
        """Takes the first stage of the stopping rule the study ran to (for these criteria)."""
        self.first_stage = stages.first_stage([self.figures.get(c.figure, []) for c in criteria])
        self.unsettled = self.first_stage is None

    def add(self, summary: Mapping[str, float], figures: Iterable[str]) -> None:
        self.runs += 1
        for figure in figures:
            if figure in summary and defined(figure, summary):
                self.figures.setdefault(figure, []).append(summary[figure])

    def estimate(self, figure: str) -> Estimate:
        return two_stage(self.figures.get(figure, []), self.first_stage)

    def unmet(self, criteria: Sequence[Criterion]) -> List[Criterion]:
        """The precision criteria the point does not meet: all of them while the first stage of
        its stopping rule has not ended."""
        if self.unsettled:
            return list(criteria)
        return unmet(criteria, {c.figure: self.estimate(c.figure) for c in criteria})

    def row(self, names: Sequence[str], figures: Sequence[str]) -> List[str]:
        row = [self.values[name] for name in names] + [str(self.runs)]
        for figure in figures:
            result = self.estimate(figure)
            row += [format_value(result.mean), format_value(result.sd), format_value(result.ci95)]
            if figure in NEEDS_TWO_SUCCESSES:
                row.append(str(result.n))
        return row


def header(names: Sequence[str], figures: Sequence[str]) -> List[str]:
    found = list(names) + ["replications"]
    for figure in figures:
        found += [figure + "_mean", figure + "_sd", figure + "_ci95"]
        if figure in NEEDS_TWO_SUCCESSES:
            found.append(figure + "_n")
    return found


def point_names(planned: Planned, every: bool = False) -> List[str]:
    """The columns of a point's row before its replications."""
    return option_columns(planned, every) + ["version"]


def target_columns(criteria: Sequence[Criterion]) -> List[str]:
    """The columns a table of points has for precision targets."""
    return ["first_stage", "target"] if criteria else []


def version_text(versions: Set[str], binaries: Set[str]) -> str:
    """The versions of a point's runs; the mix said when runs of several binaries share one."""
    text = " + ".join(sorted(v for v in versions if v))
    mixed = len({b for b in binaries if b})
    return text + (" (%d binaries)" % mixed if mixed > max(1, len(versions)) else "")


def point_row(point: PointData, names: Sequence[str], figures: Sequence[str],
              criteria: Sequence[Criterion], verdict: Optional[List[Criterion]] = None
              ) -> List[str]:
    """A point's row; with criteria its first stage and whether it meets them (verdict: the
    criteria missed, when worked out elsewhere)."""
    point.values["version"] = version_text(point.versions, point.binaries)
    row = point.row(names, figures)
    if criteria:
        missed = point.unmet(criteria) if verdict is None else verdict
        row.append(str(point.first_stage) if point.first_stage else "")
        row.append("not met: " + ", ".join(c.text for c in missed) if missed else "met")
    return row
