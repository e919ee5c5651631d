"""The stopping rule of `run --until`: Stein's two-stage procedure (C. Stein, "A two-sample test
for a linear hypothesis whose power is independent of the variance", Ann. Math. Statist. 16,
1945), applied to each point's figures and to each pair's paired differences.

The first stage is the first n0 replications (--min-replications, or the planned number when
larger). Their standard deviation s0 alone sets the replications a criterion needs, the least n
with t(0.975, n0 - 1) s0 / sqrt(n) below the target, rounded up to whole batches; the
half-width reported for the n replications run is that same t(0.975, n0 - 1) s0 / sqrt(n).
Since n depends on the first stage's spread only, and a normal sample's mean is independent of
its spread, the interval covers the mean with probability 0.95 at every target and batch. A
first stage whose values are all equal cannot tell a spread: it grows by a batch at a time until
they differ."""

import math
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, Dict, List, Mapping, Optional, Sequence

from .stats import Estimate, estimate, standard_deviation, t975

if TYPE_CHECKING:
    from .targets import Criterion


def spread(values: Sequence[float]) -> bool:
    """Whether the values are not all the same."""
    return any(value != values[0] for value in values)


def two_stage(values: Sequence[float], first: Optional[int]) -> Estimate:
    """Mean and standard deviation of all values, and the two-stage half-width
    t(0.975, n0 - 1) s0 / sqrt(n) from the first n0 values; the ordinary estimate without a
    first stage of at least two values."""
    whole = estimate(list(values))
    if first is None or first < 2 or len(values) < first or not math.isfinite(whole.ci95):
        return whole
    s0 = standard_deviation(values[:first])
    return Estimate(whole.n, whole.mean, whole.sd, t975(first - 1) * s0 / math.sqrt(whole.n))


def within(value: float, bound: float, strict: bool) -> bool:
    return value < bound if strict else value <= bound


@dataclass(frozen=True)
class Stages:
    """The stopping rule's settings: the first stage's replications, the batch that second
    stages are rounded up to, and the most replications a point gets."""
    first: int
    batch: int
    maximum: int

    def first_stage(self, series: List[Sequence[float]]) -> Optional[int]:
        """The first look (first, first + batch, ...) at which every series has values that
        differ among its first ones; None before."""
        if not series:
            return self.first
        have = min(len(values) for values in series)
        for end in range(self.first, have + 1, self.batch):
            if all(spread(values[:end]) for values in series):
                return end
        return None

    def enough(self, criterion: "Criterion", values: Sequence[float], first: int) -> int:
        """The replications the criterion needs after a first stage of first values."""
        s0 = standard_deviation(values[:first])
        bound = criterion.bound
        if criterion.measure == "rel95":
            bound *= abs(math.fsum(values) / len(values))
        if s0 == 0 or not bound > 0:
            return self.maximum
        width = t975(first - 1) * s0
        count = max(first, math.floor(min((width / bound) ** 2, 1e15)) - 1)
        while count < self.maximum and not within(width / math.sqrt(count), bound,
                                                  criterion.strict):
            count += 1
        return first + -(-(count - first) // self.batch) * self.batch

    def needed(self, criteria: Sequence["Criterion"], figures: Mapping[str, Sequence[float]],
               count: int) -> int:
        """The replications an item (a point, or a pair of points) needs for its criteria, at
        most the maximum; count is what it has."""
        if count < self.first:
            return min(self.first, self.maximum)
        end = self.first_stage([figures.get(c.figure, ()) for c in criteria])
        if end is None:
            looks = (count - self.first) // self.batch
            return min(self.first + (looks + 1) * self.batch, self.maximum)
        return min(max(self.enough(c, figures[c.figure], end) for c in criteria), self.maximum)

    def to_json(self) -> Dict[str, Any]:
        return {"first_stage": self.first, "batch": self.batch, "max_replications": self.maximum}
