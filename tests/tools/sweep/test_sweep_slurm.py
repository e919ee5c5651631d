"""A study run on a real one-node Slurm started for the test (munged, slurmctld and slurmd with a
configuration, key, socket and ports of their own, on the loopback address): every run done
once, the same CSV as run locally, and a cancelled submission completed by the next one."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path

import pytest
from conftest import plan, rows, runs, tool, wrapper

pytestmark = pytest.mark.e2e

PROGRAMS = ("munged", "slurmctld", "slurmd", "sbatch", "squeue", "scancel", "sinfo")
CONFIG = """ClusterName=qrvltest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort={ctld}
SlurmdPort={slurmd}
AuthType=auth/munge
AuthInfo=socket={top}/munge.socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SlurmUser=root
SlurmdUser=root
StateSaveLocation={top}/state
SlurmdSpoolDir={top}/spool
SlurmctldPidFile={top}/slurmctld.pid
SlurmdPidFile={top}/slurmd.pid
SlurmctldLogFile={top}/slurmctld.log
SlurmdLogFile={top}/slurmd.log
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
NodeName=qrvlnode NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=qrvl Nodes=qrvlnode Default=YES MaxTime=INFINITE State=UP
"""


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for item in sockets:
        item.bind(("127.0.0.1", 0))
    ports = [item.getsockname()[1] for item in sockets]
    for item in sockets:
        item.close()
    return ports


def until(check, what, seconds=90):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %d s" % (what, seconds))
        time.sleep(0.2)


@pytest.fixture(scope="module")
def slurm():
    """The environment of a running one-node Slurm; everything stopped at the end."""
    if os.geteuid() != 0:
        pytest.skip("starting slurmctld and slurmd needs root")
    missing = [name for name in PROGRAMS if shutil.which(name) is None]
    if missing:
        pytest.skip("not installed: %s (Debian: slurmctld slurmd slurm-client munge)"
                    % " ".join(missing))
    top = Path(tempfile.mkdtemp(prefix="qrvl-slurm-"))
    for name in ("state", "spool"):
        (top / name).mkdir()
    (top / "munge.key").write_bytes(os.urandom(1024))
    os.chmod(top / "munge.key", 0o400)
    ctld, slurmd = free_ports(2)
    (top / "slurm.conf").write_text(CONFIG.format(top=top, ctld=ctld, slurmd=slurmd))
    env = dict(os.environ, SLURM_CONF=str(top / "slurm.conf"))
    conf = ["-D", "-f", str(top / "slurm.conf")]
    daemons = []
    try:
        for command in (["munged", "-F", "-f", "-S", str(top / "munge.socket"), "--key-file",
                         str(top / "munge.key"), "--log-file", str(top / "munged.log"),
                         "--pid-file", str(top / "munged.pid"), "--seed-file",
                         str(top / "munged.seed")],
                        ["slurmctld"] + conf, ["slurmd"] + conf + ["-N", "qrvlnode"]):
            daemons.append(subprocess.Popen(command, stdin=subprocess.DEVNULL, env=env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            if command[0] == "munged":
                until(lambda: (top / "munge.socket").exists(), "munge socket", 20)
        until(lambda: subprocess.run(["sinfo", "-h", "-o", "%t"], env=env, capture_output=True,
                                     text=True).stdout.strip() == "idle", "idle node", 60)
        yield env
        subprocess.run(["scancel", "--partition", "qrvl"], env=env)
        until(lambda: not queued(env), "empty queue", 60)
    finally:
        for process in reversed(daemons):
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(top, ignore_errors=True)


def queued(env, job=None):
    """The jobs (or the tasks of job) pending or running."""
    command = ["squeue", "-h", "-o", "%i", "--states=PD,CF,R,CG,S"] + (["-j", job] if job else [])
    return subprocess.run(command, env=env, capture_output=True, text=True).stdout.strip()


def submit(env, study):
    result = subprocess.run(["sbatch", "--parsable", str(study / "slurm.sh")], env=env,
                            capture_output=True, text=True, check=True)
    return result.stdout.strip().split(";")[0]


def done_once(study):
    """Whether every run is done and has exactly one record of a good end."""
    good = [r["output"] for r in rows(study / "finished.tsv", "\t") if r["status"] == "0"]
    return all(good.count(r["output"]) == 1 for r in runs(study))


def test_a_study_run_on_a_real_slurm(slurm, tmp_path):
    args = ["--fix", "runs=50", "--sweep", "nn=2:5", "-r", "1", "--seed", "9"]
    study, local = tmp_path / "cluster", tmp_path / "local"
    plan(study, *args)
    plan(local, *args)
    tool("slurm", "-d", study, "--runs-per-task", "3")
    job = submit(slurm, study)
    until(lambda: not queued(slurm, job), "finished job")
    assert done_once(study) and tool("status", "-d", study).returncode == 0
    tool("run", "-d", local)
    for directory in (study, local):
        tool("gather", "-d", directory)
    assert (study / "summary.csv").read_text() == (local / "summary.csv").read_text()


def test_a_cancelled_submission_is_completed_by_the_next(slurm, tmp_path):
    gate = tmp_path / "gate"
    gate.write_text("")
    sim = wrapper(tmp_path / "sim", 'case "$*" in *nn=[23]\\ *) ;; *) while [ -e %s ]; do '
                  'sleep 0.1; done;; esac\nexec "$SIM" "$@"' % gate)
    study = tmp_path / "study"
    plan(study, "--fix", "runs=50", "--sweep", "nn=2:5", "-r", "1", sim=sim)
    tool("slurm", "-d", study)
    job = submit(slurm, study)
    until(lambda: len(list((study / "out").glob("*.part*"))) >= 2 and
          len(list((study / "out").glob("*.csv"))) >= 2, "runs done and running")
    subprocess.run(["scancel", job], env=slurm, check=True)
    until(lambda: not queued(slurm, job), "cancelled job")
    assert tool("status", "-d", study, status=1).stdout.splitlines()[-2].split()[1] == "2"
    gate.unlink()
    job = submit(slurm, study)
    until(lambda: not queued(slurm, job), "finished job")
    assert done_once(study) and tool("status", "-d", study).returncode == 0
