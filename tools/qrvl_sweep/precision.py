"""Running a study until precision targets hold, by the two-stage rule of stopping.py: every
point first gets its first stage (--min-replications, or the planned number when larger); then
each point, and each pair of a diff() target, gets the replications its first stage's spread
asks for, in whole batches of K (--batch, by default the planned number), at most
--max-replications. Added replications are plan lines of their own with the seeds of the seed
rule, so the study is the one planned with that many replications for those points."""

import argparse
import dataclasses
from dataclasses import dataclass
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple

from .directory import StudyDir
from .errors import StudyError, note
from .factors import point_words
from .plan import runs_of
from .planned import Planned, save_planned
from .results.aggregate import PointData
from .results.pairs import Pairing
from .results.runs import RunResult, collect
from .results.stopping import Stages
from .results.targets import Criterion, parse_criterion
from .runlist import write_run

MIN_REPLICATIONS = 10


@dataclass(frozen=True)
class Targets:
    criteria: List[Criterion]
    stages: Stages
    asked: int          # --min-replications

    def to_json(self) -> Dict[str, Any]:
        return dict(self.stages.to_json(), until=[c.text for c in self.criteria],
                    min_replications=self.asked)

    @property
    def own(self) -> List[Criterion]:
        return [c for c in self.criteria if c.vs is None]

    def of_pairs(self, vs: str) -> List[Criterion]:
        return [c for c in self.criteria if c.vs == vs]

    @property
    def references(self) -> List[str]:
        return list(dict.fromkeys(c.vs for c in self.criteria if c.vs is not None))


def parse_targets(args: argparse.Namespace, planned: Planned) -> Optional[Targets]:
    """The targets of run --until ... --max-replications N [--batch K] [--min-replications M];
    None without --until."""
    minimum = getattr(args, "min_replications", None)
    if not args.until:
        if args.max_replications is not None or args.batch is not None or minimum is not None:
            raise StudyError("--max-replications, --min-replications and --batch go with "
                             "--until")
        return None
    if args.max_replications is None:
        raise StudyError("--until needs --max-replications N, the most replications a point "
                         "may get")
    if args.max_replications < planned.replications:
        raise StudyError("--max-replications %d is below the %d replications planned"
                         % (args.max_replications, planned.replications))
    asked = MIN_REPLICATIONS if minimum is None else minimum
    if asked < 2:
        raise StudyError("--min-replications must be at least 2 (a spread needs two values), "
                         "not %d" % asked)
    first = max(asked, planned.replications)
    if first > args.max_replications:
        raise StudyError("--max-replications %d is below the first stage of %d replications "
                         "(--min-replications %d, %d planned)"
                         % (args.max_replications, first, asked, planned.replications))
    criteria = [parse_criterion(text, planned.columns, planned) for text in args.until]
    stages = Stages(first, args.batch or planned.replications, args.max_replications)
    return Targets(criteria, stages, asked)


def stages_of(planned: Planned) -> Optional[Stages]:
    """The stopping rule the study was last run to; None for a study run without one."""
    targets = planned.targets or {}
    if "first_stage" not in targets:
        return None
    return Stages(int(targets["first_stage"]), int(targets["batch"]),
                  int(targets["max_replications"]))


def gathered(directory: StudyDir, planned: Planned, figures: Sequence[str],
             references: Sequence[str]) -> Tuple[Dict[str, PointData], Dict[str, Pairing]]:
    """Per point id its runs gathered (planned counts its plan lines), and a Pairing per
    reference level."""
    points: Dict[str, PointData] = {}
    pairings = {vs: Pairing(planned, vs, figures, quiet=True) for vs in references}
    for result in collect(directory, planned):
        point = points.setdefault(result.run.point, PointData(result.run.values))
        point.planned += 1
        if result.summary is not None:
            point.add(result.summary, figures)
            for pairing in pairings.values():
                pairing.add(result)
    return points, pairings


def needs(points: Dict[str, PointData], pairings: Dict[str, Pairing], targets: Targets
          ) -> Dict[str, int]:
    """The replications each point needs: for its own criteria, and as a member of a pair."""
    stages = targets.stages
    need = {key: stages.needed(targets.own, point.figures, point.planned) if targets.own
            else max(point.planned, stages.first) for key, point in points.items()}
    for vs, pairing in pairings.items():
        for key, pair in pairing.points(points):
            reference = pairing.reference_of(key)
            if reference is None:
                continue
            count = min(points[key].planned, points[reference].planned)
            wanted = stages.needed(targets.of_pairs(vs), pair.figures, count)
            for member in (key, reference):
                need[member] = max(need[member], wanted)
    return need


def extend(directory: StudyDir, planned: Planned, going: Dict[str, Tuple[int, int]]
           ) -> Planned:
    """Appends the replications (first, last] of each point in going to the plan."""
    last = max(stop for _, stop in going.values())

    def wanted(replication: int, point: str) -> bool:
        return point in going and going[point][0] < replication <= going[point][1]

    added = 0
    with open(directory.runs_tsv, "a", encoding="utf-8", newline="") as runs, \
            open(directory.plan, "a", encoding="utf-8") as plan:
        for run in runs_of(planned, directory, last, wanted, planned.run_count + 1):
            write_run(runs, plan, run)
            added += 1
    planned = dataclasses.replace(planned, run_count=planned.run_count + added)
    save_planned(directory, planned)
    return planned


def run_to_targets(directory: StudyDir, planned: Planned, targets: Targets,
                   run: Callable[[Planned], int]) -> int:
    """Runs (with run(planned)) and extends the study until no point needs more; returns the
    status of the last run."""
    planned = dataclasses.replace(planned, targets=targets.to_json())
    save_planned(directory, planned)
    figures = list(dict.fromkeys(c.figure for c in targets.criteria))
    while True:
        status = run(planned)
        if status:
            return status
        points, pairings = gathered(directory, planned, figures, targets.references)
        need = needs(points, pairings, targets)
        going = {key: (point.planned, need[key]) for key, point in points.items()
                 if need[key] > point.planned}
        if not going:
            report(points, pairings, targets)
            return 0
        added = [stop - start for start, stop in going.values()]
        note("%d of %d points need more replications for %s: %d to %d more (at most %d)" % (
            len(going), len(points), " and ".join(c.text for c in targets.criteria),
            min(added), max(added), targets.stages.maximum))
        planned = extend(directory, planned, going)


def same_values(point: PointData) -> str:
    return "" if point.first_stage else " (its replications all gave the same value)"


def report(points: Dict[str, PointData], pairings: Dict[str, Pairing], targets: Targets
           ) -> None:
    """Says how many points (and pairs) meet their criteria, and names those that do not."""
    short: List[str] = []
    if targets.own:
        for point in points.values():
            point.settle(targets.own, targets.stages)
            if point.unmet(targets.own):
                short.append(point_words(point.values) + same_values(point))
        note("%d of %d points meet %s" % (len(points) - len(short), len(points),
                                          " and ".join(c.text for c in targets.own)))
    for vs, pairing in pairings.items():
        criteria = targets.of_pairs(vs)
        pairs = pairing.points(points)
        missed = 0
        for key, pair in pairs:
            pair.settle(criteria, targets.stages)
            if pair.unmet(criteria):
                missed += 1
                short.append("%s against %s%s" % (point_words(points[key].values), vs,
                                                  same_values(pair)))
        note("%d of %d pairs meet %s" % (len(pairs) - missed, len(pairs),
                                         " and ".join(c.text for c in criteria)))
    for words in short[:10]:
        note("  not met with --max-replications %d: %s" % (targets.stages.maximum, words))
    if len(short) > 10:
        note("  and %d more; gather lists them" % (len(short) - 10))


class Verdicts:
    """The precision targets a gathered study was run to, settled on its points and pairs: each
    point's half-widths from its first stage, and the criteria each point misses (a point
    misses a diff() criterion when its differences against the reference level do)."""

    def __init__(self, planned: Planned, criteria: List[Criterion], figures: Sequence[str]
                 ) -> None:
        self.stages = stages_of(planned)
        self.criteria = criteria
        references = dict.fromkeys(c.vs for c in criteria if c.vs)
        self.pairings = {vs: Pairing(planned, vs, figures, quiet=True) for vs in references}

    def add(self, result: RunResult) -> None:
        for pairing in self.pairings.values():
            pairing.add(result)

    def settle(self, point: PointData, vs: Optional[str] = None) -> None:
        """Takes the first stage of a point (or, with vs, of a pair's differences)."""
        if self.stages is not None:
            point.settle([c for c in self.criteria if c.vs == vs], self.stages)

    def missed(self, complete: Dict[str, PointData]) -> Dict[str, List[Criterion]]:
        """Per point id, the criteria it misses."""
        missed = {}
        own = [c for c in self.criteria if c.vs is None]
        for key, point in complete.items():
            self.settle(point)
            missed[key] = point.unmet(own)
        for vs, pairing in self.pairings.items():
            for key, pair in pairing.points(complete):
                self.settle(pair, vs)
                missed[key] += pair.unmet([c for c in self.criteria if c.vs == vs])
        return missed
