"""How many simulators run at once: with -j J (by default this host's cores), runs whose
simulators run T threads each (`threads=T`) go floor(J / T) at once, at least one, so that the
threads of a study's runs never outnumber J."""

import os
from typing import Optional

from .errors import StudyError


def cores() -> int:
    return os.cpu_count() or 1


def at_once(jobs: int, threads: int) -> int:
    """Simulators of threads threads each that run at once within jobs; 0 (as many as GNU
    parallel can start) stays 0."""
    return 0 if jobs == 0 else max(1, jobs // max(1, threads))


def parallel_jobs(jobs: Optional[str], threads: int, remote: bool) -> Optional[str]:
    """GNU parallel's --jobs for runs of threads threads; None leaves parallel's own (one job
    per core of each host)."""
    if threads <= 1:
        return jobs
    if jobs is None and remote:
        raise StudyError("runs of threads=%d on the hosts of --sshloginfile need -j N, the "
                         "cores of each host: each then runs N / %d simulators at once"
                         % (threads, threads))
    return str(at_once(cores() if jobs is None else int(jobs), threads))
