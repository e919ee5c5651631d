"""A session of GNU parallel on a study: the runs not done written to todo.tsv and todo.txt,
and, once parallel has ended (or on the next run, if the session was cut short), every run it
ended recorded in finished.tsv with the simulator that ran it."""

import json
import os
import socket
import time
from dataclasses import asdict, dataclass
from typing import Collection, Dict, List, Optional, Tuple

from .describe import Identity
from .directory import StudyDir, write_file
from .errors import StudyError
from .planned import Planned
from .results.records import Record, append_records
from .results.runs import read_run_output
from .runlist import Run, header, planned_runs, read_runs, write_run
from .tsv import file_rows, write_row

# per job number: host, start (Unix time), wall seconds, exit status, signal
JobEntry = Tuple[str, float, float, int, int]


def pending_by_threads(directory: StudyDir, planned: Planned) -> Tuple[Dict[int, List[int]], int]:
    """The plan lines of the runs not done, by the threads their simulators run (in the order
    first met), and the number of runs."""
    pending: Dict[int, List[int]] = {}
    threads: Dict[str, int] = {}
    total = 0
    for run in planned_runs(directory, planned):
        total += 1
        if read_run_output(planned, run)[0] is not None:
            continue
        if run.point not in threads:
            threads[run.point] = planned.threads_of(run.values)
        pending.setdefault(threads[run.point], []).append(run.line)
    return pending, total


def write_todo(directory: StudyDir, planned: Planned, lines: Collection[int],
               identity: Identity) -> None:
    """Writes the runs of these plan lines to todo.tsv and todo.txt, for one session."""
    wanted = set(lines)
    try:
        with open(directory.todo_runs + ".tmp", "w", encoding="utf-8", newline="") as runs, \
                open(directory.todo_plan, "w", encoding="utf-8") as plan:
            write_row(runs, header(planned))
            for run in planned_runs(directory, planned):
                if run.line in wanted:
                    write_run(runs, plan, run)
    except (StudyError, OSError, ValueError):
        clear_todo(directory, directory.todo_runs + ".tmp")
        raise
    write_file(directory.todo_sim, json.dumps(asdict(identity)) + "\n")
    os.replace(directory.todo_runs + ".tmp", directory.todo_runs)


def clear_todo(directory: StudyDir, *more: str) -> None:
    """Removes the files of a session of parallel."""
    for path in (directory.todo_runs, directory.todo_sim, directory.todo_plan) + more:
        try:
            os.remove(path)
        except FileNotFoundError:
            pass


def read_joblog(path: str) -> Dict[int, JobEntry]:
    """GNU parallel's joblog: per job number (host, start, seconds, exit status, signal)."""
    entries = {}
    for fields in file_rows(path):
        try:
            entries[int(fields[0])] = (fields[1], float(fields[2]), float(fields[3]),
                                       int(fields[6]), int(fields[7]))
        except (ValueError, IndexError):
            continue
    return entries


@dataclass(frozen=True)
class Ended:
    """A run that ended in this session, and why it is not done (None when it is)."""
    run: Run
    record: Record
    problem: Optional[str]


def session_identity(directory: StudyDir, planned: Planned) -> Identity:
    """The simulator the session ran, as written when it began."""
    try:
        with open(directory.todo_sim, encoding="utf-8") as handle:
            return Identity(**json.load(handle))
    except (OSError, ValueError, TypeError):
        return Identity(planned.simulator.path, "", "")


def ended_run(planned: Planned, run: Run, entry: JobEntry, identity: Identity) -> Ended:
    host, start, seconds, exit_status, signal_number = entry
    status = 128 + signal_number if signal_number else exit_status
    problem = read_run_output(planned, run)[1] if status == 0 else "exit status %d" % status
    record = Record(run.output, run.line, run.point, run.replication, run.seed, status,
                    socket.gethostname() if host == ":" else host,
                    time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(start)),
                    round(seconds, 3), identity.version, identity.sha256, run.command)
    return Ended(run, record, problem)


def fold_session(directory: StudyDir, planned: Planned) -> List[Ended]:
    """Records the runs a session of parallel ended (also one cut short before it could) and
    clears the session's files; returns what ended."""
    if not os.path.exists(directory.todo_runs):
        return []
    identity = session_identity(directory, planned)
    entries = read_joblog(directory.joblog)
    ended = [ended_run(planned, run, entries[number], identity) for number, run in
             enumerate(read_runs(directory.todo_runs, directory.todo_plan), 1)
             if number in entries]
    append_records(directory.finished, [e.record for e in ended])
    clear_todo(directory)
    return ended
