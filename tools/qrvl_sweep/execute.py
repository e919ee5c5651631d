"""Running a study with GNU parallel: the runs not yet done (a run is done only when its output
holds a summary line), one job per core or per host slot (runs of several threads take as many
slots), each ended run recorded with its simulator; a signal stops parallel and its jobs and
leaves the study to resume."""

import argparse
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
from types import FrameType
from typing import Dict, List, Optional, Tuple

from .describe import Identity, file_sha256, identify
from .directory import StudyDir, study_dir
from .errors import StudyError, note
from .lock import StudyLock
from .planned import Planned, load_planned
from .precision import parse_targets, run_to_targets
from .processes import stop
from .session import Ended, clear_todo, fold_session, pending_by_threads, write_todo
from .slots import parallel_jobs
from .version import PROG

STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


def check_simulator(directory: StudyDir, planned: Planned, allow_mixed: bool, remote: bool
                    ) -> Identity:
    """The identity of the simulator that will run: the study's own binary, or with
    --allow-mixed any binary at its path."""
    path = planned.simulator.path
    if not os.access(path, os.X_OK):
        if remote:
            return planned.simulator
        raise StudyError("the study's simulator %s is missing" % path)
    sha256 = file_sha256(path)
    if sha256 == planned.simulator.sha256:
        return planned.simulator
    if not allow_mixed:
        raise StudyError(
            "the simulator %s has changed since the study was planned: planned %s (sha256 %s), "
            "now sha256 %s; plan the study again (delete %s to run everything again) or give "
            "--allow-mixed to add runs from the new one"
            % (path, planned.simulator.version, planned.simulator.sha256, sha256,
               directory.out))
    identity = identify(path, sha256)
    note("runs from %s (sha256 %s) join outputs of %s (sha256 %s)" % (
        identity.version, identity.sha256, planned.simulator.version, planned.simulator.sha256))
    return identity


def remove_stale_parts(out: str) -> None:
    """Removes the partial outputs of interrupted runs: those whose writing shell is gone."""
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        match = re.match(r".*\.part(\d+)\Z", name)
        if not match:
            continue
        try:
            os.kill(int(match.group(1)), 0)
        except ProcessLookupError:
            try:
                os.remove(os.path.join(out, name))
            except FileNotFoundError:
                pass
        except OSError:
            pass


def run_parallel(directory: StudyDir, args: argparse.Namespace, jobs: Optional[str],
                 lock_fd: int) -> Tuple[int, int]:
    """Runs todo.txt with GNU parallel, jobs at once; returns (parallel's status, the stopping
    signal or 0). Parallel and every job it starts inherit the descriptor of the study's lock:
    should this process be killed, the study stays held until the last job has ended."""
    command = ["parallel", "--joblog", directory.joblog, "--arg-file", directory.todo_plan]
    if jobs is not None:
        command[1:1] = ["--jobs", jobs]
    if args.sshloginfile:
        command[1:1] = ["--sshloginfile", args.sshloginfile]
    if sys.stderr.isatty():
        command[1:1] = ["--bar"]
    received: List[int] = []

    def on_signal(number: int, frame: Optional[FrameType]) -> None:
        received.append(number)

    previous = {number: signal.signal(number, on_signal) for number in STOP_SIGNALS}
    try:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, start_new_session=True,
                                   pass_fds=(lock_fd,))
        while process.poll() is None and not received:
            try:
                process.wait(timeout=0.2)
            except subprocess.TimeoutExpired:
                pass
        if received:
            stop(process)
        return process.wait(), (received[0] if received else 0)
    finally:
        for number, handler in previous.items():
            signal.signal(number, handler)


def first_lines(path: str, count: int = 3) -> List[str]:
    try:
        with open(path, encoding="utf-8", errors="replace") as handle:
            text = handle.read(65536)
    except OSError:
        return []
    return [line for line in text.replace("\r", "\n").split("\n") if line.strip()][:count]


def report_failures(ended: List[Ended]) -> None:
    for item in ended:
        if item.problem is None:
            continue
        run = item.run
        if item.record.status == 0:
            how = "ended with status 0, but its output %s is %s" % (run.output, item.problem)
        else:
            how = "failed (%s)" % item.problem
        sys.stderr.write("%s: the run at %s, replication %d %s:\n  %s\n" % (
            PROG, run.describe_point(), run.replication, how, run.simulator_command))
        for line in first_lines(run.errors):
            sys.stderr.write("  | %s\n" % line)


def run_sessions(directory: StudyDir, planned: Planned, identity: Identity,
                 args: argparse.Namespace, lock_fd: int, pending: Dict[int, List[int]]
                 ) -> Tuple[List[Ended], int, int]:
    """One session of parallel per thread count, each running floor(J / T) simulators at once;
    returns (what ended, parallel's last status, the stopping signal or 0)."""
    ended: List[Ended] = []
    status = stopped_by = 0
    at_once = {threads: parallel_jobs(args.jobs, threads, bool(args.sshloginfile))
               for threads in pending}
    for threads, lines in pending.items():
        jobs = at_once[threads]
        write_todo(directory, planned, lines, identity)
        if os.path.exists(directory.joblog):
            os.remove(directory.joblog)
        if len(pending) > 1:
            note("%d runs of threads=%d, %s at once" % (len(lines), threads, {
                None: "one per core", "0": "as many as GNU parallel can start"}.get(jobs, jobs)))
        status, stopped_by = run_parallel(directory, args, jobs, lock_fd)
        ended += fold_session(directory, planned)
        if stopped_by:
            break
    return ended, status, stopped_by


def run_pending(directory: StudyDir, planned: Planned, identity: Identity,
                args: argparse.Namespace, lock_fd: int) -> int:
    """Runs the runs of the plan not done; returns the status of run (0 all done, 1 runs not
    done, 128 + N stopped by signal N)."""
    remove_stale_parts(directory.out)
    pending, total = pending_by_threads(directory, planned)
    count = sum(len(lines) for lines in pending.values())
    if count == 0:
        clear_todo(directory)
        note("%d of %d runs done; results in %s" % (total, total, directory.out))
        return 0
    ended, status, stopped_by = run_sessions(directory, planned, identity, args, lock_fd,
                                             pending)
    failed = [item for item in ended if item.problem is not None]
    done = total - count + len(ended) - len(failed)
    if not stopped_by:
        report_failures(ended)
    note("%d of %d runs done%s; results in %s" % (
        done, total, ", %d failed" % len(failed) if failed and not stopped_by else "",
        directory.out))
    if stopped_by:
        note("stopped by %s; '%s' resumes the study"
             % (signal.Signals(stopped_by).name, same_run(args)))
        return 128 + stopped_by
    if status != 0 and not failed:
        note("GNU parallel ended with status %d" % status)
    if done < total:
        note("%d runs are not done; '%s' runs them again" % (total - done, same_run(args)))
        return 1
    return 0


def same_run(args: argparse.Namespace) -> str:
    """The command line that goes on with this run, its targets included."""
    words = [PROG, "run", "-d", args.dir]
    for flag, value in (("-j", args.jobs), ("--sshloginfile", args.sshloginfile),
                        ("--max-replications", args.max_replications),
                        ("--min-replications", getattr(args, "min_replications", None)),
                        ("--batch", args.batch)):
        words += [flag, str(value)] if value is not None else []
    for criterion in args.until or []:
        words += ["--until", criterion]
    return shlex.join(words + (["--allow-mixed"] if args.allow_mixed else []))


def check_jobs(text: Optional[str]) -> None:
    """-j: a whole number of jobs at once, 0 being GNU parallel's 'as many as possible'."""
    if text is not None and not (text.isascii() and text.isdigit()):
        raise StudyError("-j: the jobs at once must be a whole number (0: as many as GNU "
                         "parallel can start), not '%s'" % text)


def command_run(args: argparse.Namespace) -> int:
    directory = study_dir(args.dir)
    planned = load_planned(directory)
    targets = parse_targets(args, planned)
    check_jobs(args.jobs)
    if args.retry_failed:
        note("--retry-failed changes nothing: the runs that failed always run again")
    if shutil.which("parallel") is None:
        raise StudyError("GNU parallel is not installed (Debian package 'parallel')")
    if args.sshloginfile:
        if not os.path.isfile(args.sshloginfile):
            raise StudyError("--sshloginfile: no file %s" % args.sshloginfile)
    with StudyLock(directory, "%s run" % PROG) as lock:
        fold_session(directory, planned)
        identity = check_simulator(directory, planned, args.allow_mixed,
                                   bool(args.sshloginfile))
        fd = lock.fileno()
        if targets:
            return run_to_targets(directory, planned, targets,
                                  lambda p: run_pending(directory, p, identity, args, fd))
        return run_pending(directory, planned, identity, args, fd)
