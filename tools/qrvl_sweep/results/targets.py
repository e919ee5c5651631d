"""Precision targets: criteria such as `Ps_ci95<0.002` (the 95% half-width of a figure),
`Ps_rel95<0.01` (that half-width over the absolute mean), or `diff(fsf_fbk=class).Ps_ci95<0.003`
(the half-width of the paired differences of each point against its point at fsf_fbk=class),
and whether an estimate meets them."""

import math
import re
from dataclasses import dataclass
from typing import Dict, List, Optional, Sequence

from ..errors import StudyError
from ..planned import Planned
from ..suggest import nearest
from .stats import Estimate

CRITERION = re.compile(r"\s*(?:diff\(\s*([^=()]+?)\s*=\s*([^()]*?)\s*\)\s*\.\s*)?(\w+)_(ci95|rel95)"
                       r"\s*(<=?)\s*(\S+)\s*\Z")


@dataclass(frozen=True)
class Criterion:
    figure: str
    measure: str        # ci95 or rel95
    strict: bool
    bound: float
    text: str
    vs: Optional[str] = None    # 'factor=level' of a target on paired differences

    def value(self, estimate: Estimate) -> float:
        """The half-width, or the half-width over the absolute mean, of an estimate."""
        if self.measure == "ci95" or estimate.ci95 == 0:
            return estimate.ci95
        return estimate.ci95 / abs(estimate.mean) if estimate.mean else math.inf

    def holds(self, estimate: Estimate) -> bool:
        """Whether the estimate meets the criterion; replications that all gave the same value
        tell no spread and meet nothing."""
        value = self.value(estimate)
        if not math.isfinite(value) or not estimate.sd > 0:
            return False
        return value < self.bound if self.strict else value <= self.bound


def parse_criterion(text: str, columns: Sequence[str], planned: Optional[Planned] = None
                    ) -> Criterion:
    """A criterion [diff(FACTOR=LEVEL).]FIGURE_ci95<X or FIGURE_rel95<X (or <=) on one of the
    summary columns; a diff() target needs the planned study to know its factors."""
    match = CRITERION.match(text)
    if not match:
        raise StudyError("--until: '%s' is not of the form FIGURE_ci95<X, FIGURE_rel95<X or "
                         "diff(FACTOR=LEVEL).FIGURE_ci95<X (e.g. Ps_ci95<0.002)" % text)
    factor, level, figure, measure, operator, bound = match.groups()
    if figure not in columns:
        raise StudyError("--until %s: unknown figure '%s'%s" % (
            text, figure, nearest(figure, columns, " (did you mean '%s'?)",
                                  " (the summary columns are: %s)" % ", ".join(columns))))
    try:
        value = float(bound)
    except ValueError:
        value = math.nan
    if not (math.isfinite(value) and value > 0):
        raise StudyError("--until %s: the bound must be a positive number, not '%s'"
                         % (text, bound))
    vs = None
    if factor is not None:
        if planned is None:
            raise StudyError("--until %s: a diff() target needs a planned study" % text)
        vs = "%s=%s" % (factor, planned.label_of(factor, level, "--until %s" % text))
    name = "%s_%s%s%s" % (figure, measure, operator, bound)
    return Criterion(figure, measure, operator == "<", value,
                     "diff(%s).%s" % (vs, name) if vs else name, vs)


def criteria_of(planned: Planned) -> List[Criterion]:
    """The criteria of the study's last precision run; none when it had none."""
    if not planned.targets:
        return []
    return [parse_criterion(text, planned.columns, planned) for text in planned.targets["until"]]


def unmet(criteria: Sequence[Criterion], estimates: Dict[str, Estimate]) -> List[Criterion]:
    """The criteria a point does not meet, given its estimate of each figure."""
    return [c for c in criteria if not c.holds(estimates[c.figure])]
