"""Precision targets: criteria such as `Ps_ci95<0.002` (the 95% half-width of a figure) or
`Ps_rel95<0.01` (that half-width over the absolute mean), and whether a point meets them."""

import math
import re
from dataclasses import dataclass

from .errors import StudyError

CRITERION = re.compile(r"\s*(\w+)_(ci95|rel95)\s*(<=?)\s*(\S+)\s*\Z")


@dataclass(frozen=True)
class Criterion:
    figure: str
    measure: str        # ci95 or rel95
    strict: bool
    bound: float
    text: str

    def value(self, estimate):
        """The half-width, or the half-width over the absolute mean, of an estimate."""
        if self.measure == "ci95" or estimate.ci95 == 0:
            return estimate.ci95
        return estimate.ci95 / abs(estimate.mean) if estimate.mean else math.inf

    def holds(self, estimate):
        value = self.value(estimate)
        if not math.isfinite(value):
            return False
        return value < self.bound if self.strict else value <= self.bound


def parse_criterion(text, columns):
    """A criterion FIGURE_ci95<X or FIGURE_rel95<X (or <=) on one of the summary columns."""
    match = CRITERION.match(text)
    if not match:
        raise StudyError("--until: '%s' is not of the form FIGURE_ci95<X or FIGURE_rel95<X "
                         "(e.g. Ps_ci95<0.002)" % text)
    figure, measure, operator, bound = match.groups()
    if figure not in columns:
        raise StudyError("--until %s: unknown figure '%s' (the summary columns are: %s)"
                         % (text, figure, ", ".join(columns)))
    try:
        value = float(bound)
    except ValueError:
        value = math.nan
    if not (math.isfinite(value) and value > 0):
        raise StudyError("--until %s: the bound must be a positive number, not '%s'"
                         % (text, bound))
    return Criterion(figure, measure, operator == "<", value, "%s_%s%s%s" % (
        figure, measure, operator, bound))


def criteria_of(planned):
    """The criteria of the study's last precision run; none when it had none."""
    if not planned.targets:
        return []
    return [parse_criterion(text, planned.columns) for text in planned.targets["until"]]


def unmet(criteria, estimates):
    """The criteria a point does not meet, given its estimate of each figure."""
    return [c for c in criteria if not c.holds(estimates[c.figure])]
