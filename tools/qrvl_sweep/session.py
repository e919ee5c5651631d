"""A session of GNU parallel on a study: the runs not done written to todo.tsv and todo.txt,
and, once parallel has ended (or on the next run, if the session was cut short), every run it
ended recorded in finished.tsv with the simulator that ran it."""

import json
import os
import socket
import time
from dataclasses import dataclass

from .describe import Identity
from .directory import (RUN_COLUMNS, planned_runs, read_run_output, read_runs, write_file,
                        write_run)
from .errors import StudyError
from .records import Record, append_records, tab_rows


def write_todo(directory, planned, identity):
    """Writes the runs not done to todo.tsv and todo.txt; returns (to do, all runs)."""
    count = total = 0
    try:
        with open(directory.todo_runs + ".tmp", "w", encoding="utf-8") as runs, \
                open(directory.todo_plan, "w", encoding="utf-8") as plan:
            runs.write("\t".join(RUN_COLUMNS + planned.swept) + "\n")
            for run in planned_runs(directory, planned):
                total += 1
                if read_run_output(planned, run)[0]:
                    continue
                count += 1
                write_run(runs, plan, run)
    except (StudyError, OSError, ValueError):
        clear_todo(directory, directory.todo_runs + ".tmp")
        raise
    write_file(directory.todo_sim, json.dumps(identity.__dict__) + "\n")
    os.replace(directory.todo_runs + ".tmp", directory.todo_runs)
    return count, total


def clear_todo(directory, *more):
    """Removes the files of a session of parallel."""
    for path in (directory.todo_runs, directory.todo_sim, directory.todo_plan) + more:
        try:
            os.remove(path)
        except FileNotFoundError:
            pass


def read_joblog(path):
    """GNU parallel's joblog: per job number (host, start, seconds, exit status, signal)."""
    entries = {}
    for fields in tab_rows(path):
        try:
            entries[int(fields[0])] = (fields[1], float(fields[2]), float(fields[3]),
                                       int(fields[6]), int(fields[7]))
        except (ValueError, IndexError):
            continue
    return entries


@dataclass(frozen=True)
class Ended:
    """A run that ended in this session, and why it is not done (None when it is)."""
    run: object
    record: Record
    problem: str


def fold_session(directory, planned):
    """Records the runs a session of parallel ended (also one cut short before it could) and
    clears the session's files; returns what ended."""
    if not os.path.exists(directory.todo_runs):
        return []
    try:
        with open(directory.todo_sim, encoding="utf-8") as handle:
            identity = Identity(**json.load(handle))
    except (OSError, ValueError, TypeError):
        identity = Identity(planned.simulator.path, "", "")
    entries = read_joblog(directory.joblog)
    ended = []
    for number, run in enumerate(read_runs(directory.todo_runs, directory.todo_plan), 1):
        if number not in entries:
            continue
        host, start, seconds, exit_status, signal_number = entries[number]
        status = 128 + signal_number if signal_number else exit_status
        problem = None
        if status == 0:
            problem = read_run_output(planned, run)[1]
        record = Record(run.output, run.line, run.point, run.replication, run.seed, status,
                        socket.gethostname() if host == ":" else host,
                        time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(start)),
                        round(seconds, 3), identity.version, identity.sha256, run.command)
        ended.append(Ended(run, record, problem if status == 0 else "exit status %d" % status))
    append_records(directory.finished, [e.record for e in ended])
    clear_todo(directory)
    return ended
