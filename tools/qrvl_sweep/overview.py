"""Looking into a study: how many runs are done, failed and pending per point with the time
left (status), and the exact command line of one run (show)."""

import argparse
import sys
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence

from .directory import study_dir
from .errors import StudyError, note
from .factors import point_words, split_sets
from .lock import holder
from .planned import Planned, load_planned
from .results.runs import RunResult, collect
from .runlist import planned_runs
from .slots import at_once, cores


@dataclass
class Tally:
    """The runs of one point (or of all) by state, and the wall seconds of the done ones."""
    done: int = 0
    failed: int = 0
    pending: int = 0
    seconds: List[float] = field(default_factory=list)
    threads: int = 1

    def add(self, result: RunResult) -> None:
        if result.summary is not None:
            self.done += 1
            if result.record is not None:
                self.seconds.append(result.record.seconds)
        elif result.record is not None:
            self.failed += 1
        else:
            self.pending += 1

    @property
    def left(self) -> int:
        return self.failed + self.pending


def duration(seconds: float) -> str:
    if seconds < 1:
        return "under 1 s"
    seconds = int(round(seconds))
    if seconds < 60:
        return "%d s" % seconds
    if seconds < 3600:
        return "%d min %d s" % divmod(seconds, 60)
    return "%d h %d min" % (seconds // 3600, seconds % 3600 // 60)


def time_left(points: Dict[str, Tally], everything: Tally, jobs: int) -> str:
    """Run time left: each point's runs to do at the mean wall time of its finished runs (of all
    finished runs for a point that has none), spread over jobs at once (floor(jobs / T) of the
    runs of T threads)."""
    if not everything.left:
        return "every run is done"
    left = "%d runs left (%d failed, %d pending)" % (everything.left, everything.failed,
                                                     everything.pending)
    if not everything.seconds:
        return "%s; time left unknown: no run has finished yet" % left
    overall = sum(everything.seconds) / len(everything.seconds)
    each = {key: t.left * (sum(t.seconds) / len(t.seconds) if t.seconds else overall)
            for key, t in points.items()}
    wall = sum(work / (at_once(jobs, points[key].threads) or jobs) for key, work in each.items())
    threaded = sorted({t.threads for t in points.values() if t.threads > 1})
    return "%s; time left: about %s with %d jobs at once%s (%s of run time, %.3g s a run " \
           "over %d finished runs)" % (
               left, duration(wall), jobs, ", a run of T threads taking T" if threaded else "",
               duration(sum(each.values())), overall, len(everything.seconds))


def command_status(args: argparse.Namespace) -> int:
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    points: Dict[str, Tally] = {}
    names: Dict[str, str] = {}
    everything = Tally()
    for result in collect(directory, planned):
        run = result.run
        names.setdefault(run.point, point_words(run.values))
        if run.point not in points:
            points[run.point] = Tally(threads=planned.threads_of(run.values))
        points[run.point].add(result)
        everything.add(result)
    width = max([len("point")] + [len(name) for name in names.values()])
    lines = ["%-*s %7s %7s %7s" % (width, "point", "done", "failed", "pending")]
    for key, tally in points.items():
        lines.append("%-*s %7d %7d %7d" % (width, names[key] or "(the single point)",
                                           tally.done, tally.failed, tally.pending))
    lines.append("%-*s %7d %7d %7d" % (width, "all", everything.done, everything.failed,
                                       everything.pending))
    lines.append(time_left(points, everything, args.jobs or cores()))
    in_use = holder(directory)
    if in_use:
        lines.append("in use by %s" % in_use)
    sys.stdout.write("\n".join(lines) + "\n")
    return 0 if not everything.left else 1


def chosen_point(planned: Planned, texts: Optional[Sequence[str]]) -> Dict[str, str]:
    """The labels of the point the --point options name together, every factor once."""
    labels: Dict[str, str] = {}
    for text in texts or []:
        for word, value in split_sets(text, "--point")[0]:
            label = planned.label_of(word, value, "--point")
            if labels.get(word, label) != label:
                raise StudyError("--point: %s is given twice (%s and %s); a run has one value "
                                 "of each factor" % (word, labels[word], label))
            labels[word] = label
    missing = [name for name in planned.swept if name not in labels]
    if missing:
        raise StudyError("--point: give a value of %s too" % ", ".join(missing))
    return labels


def command_show(args: argparse.Namespace) -> int:
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    labels = chosen_point(planned, args.point)
    runs = [run for run in planned_runs(directory, planned) if run.values == labels]
    chosen = [run for run in runs if args.replication in (None, run.replication)]
    if not chosen:
        raise StudyError("the point has replications 1 to %d, not %s" % (
            max(run.replication for run in runs), args.replication))
    for run in chosen:
        sys.stdout.write(run.simulator_command + "\n")
        note("replication %d: output %s" % (run.replication, run.output))
    return 0
