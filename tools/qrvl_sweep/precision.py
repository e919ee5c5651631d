"""Running a study until precision targets hold: after the planned replications, each point
whose figures miss a criterion gets the next K replications (K = --batch, by default the planned
number), until every criterion holds for it or it has --max-replications. Added replications are
plan lines of their own with the seeds of the seed rule, so the study is the one planned with
that many replications for those points."""

import dataclasses
from dataclasses import dataclass

from .aggregate import PointData
from .directory import save_planned, write_run
from .errors import StudyError, note
from .factors import point_words
from .plan import runs_of
from .results import collect
from .targets import parse_criterion


@dataclass(frozen=True)
class Targets:
    criteria: list
    maximum: int
    batch: int

    def to_json(self):
        return {"until": [c.text for c in self.criteria], "max_replications": self.maximum,
                "batch": self.batch}


def parse_targets(args, planned):
    """The targets of run --until ... --max-replications N [--batch K]; None without --until."""
    if not args.until:
        if args.max_replications is not None or args.batch is not None:
            raise StudyError("--max-replications and --batch go with --until")
        return None
    if args.max_replications is None:
        raise StudyError("--until needs --max-replications N, the most replications a point "
                         "may get")
    if args.max_replications < planned.replications:
        raise StudyError("--max-replications %d is below the %d replications planned"
                         % (args.max_replications, planned.replications))
    criteria = [parse_criterion(text, planned.columns) for text in args.until]
    return Targets(criteria, args.max_replications, args.batch or planned.replications)


def point_states(directory, planned, figures):
    """Per point id, its runs gathered (planned counts its plan lines)."""
    points = {}
    for result in collect(directory, planned):
        point = points.setdefault(result.run.point, PointData(result.run.values))
        point.planned += 1
        if result.summary is not None:
            point.add(result.summary, figures)
    return points


def extend(directory, planned, going):
    """Appends the replications (first, last] of each point in going to the plan."""
    last = max(stop for _, stop in going.values())

    def wanted(replication, point):
        return point in going and going[point][0] < replication <= going[point][1]

    added = 0
    with open(directory.runs_tsv, "a", encoding="utf-8") as runs, \
            open(directory.plan, "a", encoding="utf-8") as plan:
        for run in runs_of(planned, directory, last, wanted, planned.run_count + 1):
            write_run(runs, plan, run)
            added += 1
    planned = dataclasses.replace(planned, run_count=planned.run_count + added)
    save_planned(directory, planned)
    return planned


def run_to_targets(directory, planned, targets, run):
    """Runs (with run(planned)) and extends the study until no point needs more; returns the
    status of the last run."""
    planned = dataclasses.replace(planned, targets=targets.to_json())
    save_planned(directory, planned)
    figures = list(dict.fromkeys(c.figure for c in targets.criteria))
    while True:
        status = run(planned)
        if status:
            return status
        points = point_states(directory, planned, figures)
        going = {key: (point.planned, min(point.planned + targets.batch, targets.maximum))
                 for key, point in points.items()
                 if point.planned < targets.maximum and point.unmet(targets.criteria)}
        if not going:
            report(points, targets)
            return 0
        note("%d of %d points miss %s: up to %d more replications each (at most %d)" % (
            len(going), len(points), " and ".join(c.text for c in targets.criteria),
            targets.batch, targets.maximum))
        planned = extend(directory, planned, going)


def report(points, targets):
    short = [point for point in points.values() if point.unmet(targets.criteria)]
    note("%d of %d points meet %s" % (len(points) - len(short), len(points),
                                      " and ".join(c.text for c in targets.criteria)))
    for point in short[:10]:
        note("  not met with %d replications (--max-replications): %s" % (
            point.planned, point_words(point.values)))
    if len(short) > 10:
        note("  and %d more points; gather lists them" % (len(short) - 10))
