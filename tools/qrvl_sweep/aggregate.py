"""A point's replications gathered: per figure the mean, sample standard deviation and Student-t
95% half-width, each replication of equal weight, as one CSV row. In a study run to precision
targets the half-width is the two-stage one (stopping.py), from the spread of the first stage."""

import math
from dataclasses import dataclass, field

from .results import NEEDS_TWO_SUCCESSES, defined, option_columns
from .stopping import two_stage
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
    binaries: set = field(default_factory=set)
    first_stage: object = None      # replications of the two-stage rule's first stage
    unsettled: bool = False         # run to a rule whose first stage has not ended

    def settle(self, criteria, stages):
        """Takes the first stage of the stopping rule the study ran to (for these criteria)."""
        self.first_stage = stages.first_stage([self.figures.get(c.figure, []) for c in criteria])
        self.unsettled = self.first_stage is None

    def add(self, summary, figures):
        self.runs += 1
        for figure in figures:
            if figure in summary and defined(figure, summary):
                self.figures.setdefault(figure, []).append(summary[figure])

    def estimate(self, figure):
        return two_stage(self.figures.get(figure, []), self.first_stage)

    def unmet(self, criteria):
        """The precision criteria the point does not meet: all of them while the first stage of
        its stopping rule has not ended."""
        if self.unsettled:
            return list(criteria)
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


def target_columns(criteria):
    """The columns a table of points has for precision targets."""
    return ["first_stage", "target"] if criteria else []


def version_text(versions, binaries):
    """The versions of a point's runs; the mix said when runs of several binaries share one."""
    text = " + ".join(sorted(v for v in versions if v))
    mixed = len({b for b in binaries if b})
    return text + (" (%d binaries)" % mixed if mixed > max(1, len(versions)) else "")


def point_row(point, names, figures, criteria, verdict=None):
    """A point's row; with criteria its first stage and whether it meets them (verdict: the
    criteria missed, when worked out elsewhere)."""
    point.values["version"] = version_text(point.versions, point.binaries)
    row = point.row(names, figures)
    if criteria:
        missed = point.unmet(criteria) if verdict is None else verdict
        row.append(str(point.first_stage) if point.first_stage else "")
        row.append("not met: " + ", ".join(c.text for c in missed) if missed else "met")
    return row
