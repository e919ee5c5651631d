"""A point's replications gathered: per figure the mean, sample standard deviation and Student-t
95% half-width, each replication of equal weight, as one CSV row."""

import math
from dataclasses import dataclass, field

from .results import NEEDS_TWO_SUCCESSES, defined, option_columns
from .stats import estimate
from .targets import unmet


def format_value(x):
    if x is None:
        return "nan"
    if math.isnan(x):
        return "nan"
    if math.isinf(x):
        return "inf" if x > 0 else "-inf"
    return "%.10g" % x


@dataclass
class PointData:
    """The replications gathered for one point, and the values of its columns."""
    values: dict
    runs: int = 0
    figures: dict = field(default_factory=dict)
    planned: int = 0
    versions: set = field(default_factory=set)

    def add(self, summary, figures):
        self.runs += 1
        for figure in figures:
            if figure in summary and defined(figure, summary):
                self.figures.setdefault(figure, []).append(summary[figure])

    def estimate(self, figure):
        return estimate(self.figures.get(figure, []))

    def unmet(self, criteria):
        """The precision criteria the point does not meet."""
        return unmet(criteria, {c.figure: self.estimate(c.figure) for c in criteria})

    def row(self, names, figures):
        row = [self.values[name] for name in names] + [str(self.runs)]
        for figure in figures:
            result = self.estimate(figure)
            row += [format_value(result.mean), format_value(result.sd), format_value(result.ci95)]
            if figure in NEEDS_TWO_SUCCESSES:
                row.append(str(result.n))
        return row


def header(names, figures):
    names = list(names) + ["replications"]
    for figure in figures:
        names += [figure + "_mean", figure + "_sd", figure + "_ci95"]
        if figure in NEEDS_TWO_SUCCESSES:
            names.append(figure + "_n")
    return names


def point_names(planned, every=False):
    """The columns of a point's row before its replications."""
    return option_columns(planned, every) + ["version"]


def point_row(point, names, figures, criteria):
    point.values["version"] = " + ".join(sorted(v for v in point.versions if v))
    row = point.row(names, figures)
    if criteria:
        missed = point.unmet(criteria)
        row.append("not met: " + ", ".join(c.text for c in missed) if missed else "met")
    return row
