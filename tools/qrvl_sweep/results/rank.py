"""Rankings that say ties (gather --rank FIGURE --by FACTOR): for each combination of the other
factors, the levels of FACTOR ordered by their mean and labelled as a compact letter display.
Two levels share a letter when their difference is not significant at 5% after Holm's
correction over the pairs of the combination: a paired t test over the replications both have
when FACTOR is on common seeds, else Welch's t test. A level is best only when it shares no
letter with any other. Letters by the insert-and-absorb algorithm (H.-P. Piepho, "An algorithm
for a letter-based representation of all-pairwise comparisons", J. Comput. Graph. Statist. 13,
2004)."""

import itertools
import math
import string
import argparse
from typing import Dict, List, Mapping, Optional, Sequence, Tuple

from ..errors import StudyError
from ..planned import Planned
from ..suggest import nearest
from .aggregate import PointData, format_value
from .runs import RunResult
from .stats import Estimate, estimate, student_t_cdf

LEVEL = 0.05
COLUMNS = ["rank", "figure", "mean", "ci95", "replications", "letters", "best"]


def two_sided(t: float, df: float) -> float:
    return 2.0 * (1.0 - student_t_cdf(abs(t), df))


def paired_p(a: Dict[int, float], b: Dict[int, float]) -> float:
    """p of a paired t test over the replications both have (1 with fewer than two)."""
    differences = [a[r] - b[r] for r in sorted(set(a) & set(b))]
    if len(differences) < 2:
        return 1.0
    found = estimate(differences)
    if found.sd == 0:
        return 1.0 if found.mean == 0 else 0.0
    return two_sided(found.mean / (found.sd / math.sqrt(found.n)), found.n - 1)


def welch_p(a: Dict[int, float], b: Dict[int, float]) -> float:
    """p of Welch's t test of two independent samples (1 with fewer than two values each)."""
    x, y = estimate(list(a.values())), estimate(list(b.values()))
    if x.n < 2 or y.n < 2:
        return 1.0
    vx, vy = x.sd ** 2 / x.n, y.sd ** 2 / y.n
    if vx + vy == 0:
        return 1.0 if x.mean == y.mean else 0.0
    df = (vx + vy) ** 2 / (vx ** 2 / (x.n - 1) + vy ** 2 / (y.n - 1))
    return two_sided((x.mean - y.mean) / math.sqrt(vx + vy), df)


def holm(p_values: List[float]) -> List[float]:
    """Holm's adjusted p values, in the order given."""
    order = sorted(range(len(p_values)), key=p_values.__getitem__)
    adjusted, running = [1.0] * len(p_values), 0.0
    for rank, index in enumerate(order):
        running = max(running, min(1.0, (len(p_values) - rank) * p_values[index]))
        adjusted[index] = running
    return adjusted


def letters(order: List[str], differ: List[Tuple[str, str]]) -> Dict[str, str]:
    """The letters of each level (in order, best first) given the pairs that differ."""
    columns = [set(order)]
    for a, b in differ:
        split = []
        for column in columns:
            split += [column - {a}, column - {b}] if a in column and b in column else [column]
        columns = [c for c in split if c and not any(c < other for other in split)]
        columns = [c for i, c in enumerate(columns) if c not in columns[:i]]
    columns.sort(key=lambda column: min(order.index(level) for level in column))
    names = string.ascii_lowercase + string.ascii_uppercase
    return {level: "".join(names[i % len(names)] for i, column in enumerate(columns)
                           if level in column) for level in order}


class Ranking:
    """The replications of one figure per point, ranked by one factor."""

    def __init__(self, planned: Planned, figure: str, by: str, lower_is_better: bool) -> None:
        if by not in planned.swept:
            raise StudyError("--by %s is not a factor of the study%s (its factors: %s)"
                             % (by, nearest(by, planned.swept, " (did you mean '%s'?)"),
                                ", ".join(planned.swept) or "none"))
        self.figure, self.by, self.lower = figure, by, lower_is_better
        self.others = [name for name in planned.swept if name != by]
        self.paired = by in planned.common_seeds
        self.values: Dict[Tuple[str, ...], Dict[str, Dict[int, float]]] = {}
        self.points: Dict[Tuple[Tuple[str, ...], str], str] = {}  # (group, level) -> point id

    def add(self, result: RunResult) -> None:
        run = result.run
        value = result.value(self.figure)
        if value is None:
            return
        key = tuple(run.values[n] for n in self.others)
        self.values.setdefault(key, {}).setdefault(run.values[self.by], {})[
            run.replication] = value
        self.points[key, run.values[self.by]] = run.point

    def names(self) -> List[str]:
        return self.others + [self.by] + COLUMNS

    def rows(self, gathered: Optional[Mapping[str, PointData]] = None) -> List[list]:
        """The ranked rows; each level's mean and half-width as gathered (the two-stage one of
        a study run to targets) when the gathered points are given."""
        rows = []
        for group, levels in self.values.items():
            rows += self.rank_group(group, levels, gathered or {})
        return rows

    def estimate(self, group: Tuple[str, ...], level: str, values: Dict[int, float],
                 gathered: Mapping[str, PointData]) -> Estimate:
        """A level's estimate as gathered, or over its values when it was not gathered."""
        point = self.points.get((group, level))
        if point is not None and point in gathered:
            return gathered[point].estimate(self.figure)
        return estimate(list(values.values()))

    def rank_group(self, group: Tuple[str, ...], levels: Dict[str, Dict[int, float]],
                   gathered: Mapping[str, PointData]) -> List[list]:
        found = {level: self.estimate(group, level, values, gathered)
                 for level, values in levels.items()}
        order = sorted(levels, key=lambda level: found[level].mean, reverse=not self.lower)
        pairs = list(itertools.combinations(order, 2))
        test = paired_p if self.paired else welch_p
        adjusted = holm([test(levels[a], levels[b]) for a, b in pairs])
        differ = [pair for pair, p in zip(pairs, adjusted) if p < LEVEL]
        marks = letters(order, differ)
        top = order[0]
        alone = len(order) > 1 and all(not set(marks[top]) & set(marks[level])
                                       for level in order[1:])
        return [list(group) + [level, rank, self.figure, format_value(found[level].mean),
                               format_value(found[level].ci95), found[level].n, marks[level],
                               "best" if alone and level == top else ""]
                for rank, level in enumerate(order, 1)]


def check_rank(args: argparse.Namespace, columns: Sequence[str]) -> Optional[str]:
    """The figure of --rank, or None; --by must come with it."""
    if args.rank is None:
        if args.by or args.lower_is_better:
            raise StudyError("--by and --lower-is-better go with --rank FIGURE")
        return None
    if args.rank not in columns:
        raise StudyError("--rank: unknown figure '%s'%s" % (
            args.rank, nearest(args.rank, columns, " (did you mean '%s'?)")))
    if not args.by:
        raise StudyError("--rank %s needs --by FACTOR, the factor whose levels are ranked"
                         % args.rank)
    if args.diff_vs or args.format == "long":
        raise StudyError("--rank writes a table of its own; it does not go with --diff-vs or "
                         "--format long")
    return args.rank
