"""Paired differences: per point, the mean of the differences of each figure between its runs
and the runs of the reference point (the same point with one factor at a reference level) of the
same replication. On common seeds (plan --common-seeds) the two runs of a pair share their seed,
and the difference varies far less than the difference of independent runs."""

from typing import TYPE_CHECKING, Dict, List, Mapping, Optional, Sequence, Tuple

from ..errors import note
from ..planned import Planned
from ..study import split_assignment
from .aggregate import PointData
from .runs import RunResult

if TYPE_CHECKING:
    from .targets import Criterion

# (vs, (point id, differences) per point, the criteria of the differences)
Diffs = Tuple[str, List[Tuple[str, PointData]], List["Criterion"]]
# per replication: the figures (None where undefined), the version and the binary of the run
Replicate = Tuple[Dict[str, Optional[float]], str, str]


class Pairing:
    """Collects the runs' figures and pairs them with the reference level's runs."""

    def __init__(self, planned: Planned, text: str, figures: Sequence[str],
                 quiet: bool = False) -> None:
        name, value = split_assignment(text, "--diff-vs")
        self.factor = name
        self.reference = planned.label_of(name, value, "--diff-vs")
        self.vs = "%s=%s" % (name, self.reference)
        self.names = planned.swept
        self.figures = figures
        self.values: Dict[str, Dict[int, Replicate]] = {}
        self.labels: Dict[str, Dict[str, str]] = {}
        self.by_labels: Dict[Tuple[str, ...], str] = {}
        if name not in planned.common_seeds and not quiet:
            note("%s is not on common seeds (plan --common-seeds %s): the differences are of "
                 "independent runs" % (name, name))

    def add(self, result: RunResult) -> None:
        run = result.run
        if run.point not in self.labels:
            self.labels[run.point] = run.values
            self.by_labels[tuple(run.values[n] for n in self.names)] = run.point
        self.values.setdefault(run.point, {})[run.replication] = (
            {figure: result.value(figure) for figure in self.figures}, result.version,
            result.sha256)

    def reference_of(self, point: str) -> Optional[str]:
        labels = dict(self.labels[point], **{self.factor: self.reference})
        return self.by_labels.get(tuple(labels[n] for n in self.names))

    def points(self, complete: Mapping[str, PointData]) -> List[Tuple[str, PointData]]:
        """(point id, PointData of its differences) of each complete point against its
        reference point (when that is complete too), over the replications both have."""
        found = []
        for point, data in complete.items():
            reference = self.reference_of(point)
            if self.labels[point][self.factor] == self.reference or reference is None or \
                    reference not in complete:
                continue
            pair = PointData(dict(data.values, vs=self.vs))
            mine, theirs = self.values[point], self.values[reference]
            for replication in sorted(set(mine) & set(theirs)):
                (a, version_a, sha_a), (b, version_b, sha_b) = mine[replication], \
                    theirs[replication]
                pair.add({figure: x - y for figure in self.figures
                          for x, y in [(a[figure], b[figure])] if x is not None and y is not None},
                         self.figures)
                pair.versions.update((version_a, version_b))
                pair.binaries.update((sha_a, sha_b))
            found.append((point, pair))
        return found
