"""Damaged studies: every command makes the same check of the run list against study.json and
names a cut or non-finite output as a failed run; a killed run leaves its jobs holding the study,
so that no run is ever started twice."""

import os
import signal
import subprocess
import time
from pathlib import Path

import pytest
from conftest import COMMAND, plan, runs, tool, wrapper

pytestmark = pytest.mark.e2e


def cut_last_bytes(study):
    path = Path(runs(study)[1]["output"])
    path.write_bytes(path.read_bytes()[:-1])


def ps_not_finite(study):
    path = Path(runs(study)[1]["output"])
    lines = path.read_text().split("\n")
    at = max(i for i, line in enumerate(lines) if line.count(",") >= 37)
    fields = lines[at].split(",")
    fields[14] = "nan"
    lines[at] = ",".join(fields)
    path.write_text("\n".join(lines))


def drop_line(name, index):
    def damage(study):
        lines = Path(study, name).read_text().splitlines(keepends=True)
        Path(study, name).write_text("".join(lines[:index] + lines[index + 1:]))
    return damage


def bad_byte(study):
    text = Path(study, "runs.tsv").read_bytes()
    Path(study, "runs.tsv").write_bytes(text.replace(b"\t2\t", b"\t2\xff\t", 1))


LOST = "the study plans 4 runs, but"
# damage, then per command its status and a part of its message (None: status only)
STATES = [
    (cut_last_bytes, {"gather": (1, "the summary line has no line end"),
                      "status": (1, None), "run": (0, "4 of 4 runs done")}),
    (ps_not_finite, {"gather": (1, "not finite numbers (Ps=nan)"),
                     "status": (1, None), "run": (0, "4 of 4 runs done")}),
    (drop_line("runs.tsv", 2), {c: (2, LOST) for c in ("gather", "status", "run", "show")}),
    (drop_line("plan.txt", 3), {c: (2, LOST) for c in ("gather", "status", "run", "show")}),
    (bad_byte, {c: (2, "is not UTF-8 text") for c in ("gather", "status", "run", "show")}),
]


@pytest.fixture(scope="module")
def study(tmp_path_factory):
    """A study run whole; each test restores its run list after damaging it."""
    study = tmp_path_factory.mktemp("damaged") / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2,3", "-r", "2")
    tool("run", "-d", study)
    return study


@pytest.mark.parametrize("damage,answers", STATES)
def test_damaged_studies_are_told_alike_by_every_command(study, damage, answers):
    lists = {name: Path(study, name).read_bytes() for name in ("runs.tsv", "plan.txt")}
    damage(study)
    for command, (status, message) in answers.items():
        extra = ["--point", "nn=2"] if command == "show" else []
        result = tool(command, "-d", study, *extra, status=status)
        assert "Traceback" not in result.stderr
        assert message is None or message in result.stderr, (command, result.stderr)
    if answers["run"][0] == 0:
        assert tool("status", "-d", study).stdout.endswith("every run is done\n")
    for name, text in lists.items():
        Path(study, name).write_bytes(text)


def test_a_killed_run_leaves_the_study_held_until_its_jobs_end(tmp_path):
    gate, log = tmp_path / "gate", tmp_path / "started"
    gate.write_text("")
    sim = wrapper(tmp_path / "sim", 'echo "$*" >>%s\nwhile [ -e %s ]; do sleep 0.05; done\n'
                  'exec "$SIM" "$@"' % (log, gate))
    study = tmp_path / "study"
    plan(study, "--fix", "runs=20", "--sweep", "nn=2:7", "-r", "1", sim=sim)
    first = subprocess.Popen([*COMMAND, "run", "-d", study, "-j", "2"], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 60
    while (not log.exists() or len(log.read_text().splitlines()) < 2) and \
            time.monotonic() < deadline:
        time.sleep(0.05)
    first.send_signal(signal.SIGKILL)
    first.wait()
    assert "is in use by" in tool("run", "-d", study, status=1).stderr
    gate.unlink()
    deadline = time.monotonic() + 60
    while "in use by" in tool("status", "-d", study, status=None).stdout and \
            time.monotonic() < deadline:
        time.sleep(0.1)
    assert "6 of 6 runs done" in tool("run", "-d", study).stderr
    started = log.read_text().splitlines()
    assert len(started) == len(set(started)) == 6
    assert len(os.listdir(study / "out")) == 12
