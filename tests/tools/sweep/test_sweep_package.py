"""The tool as a Python package: its type hints pass mypy, its launcher runs it from a checkout,
and it installs with pip into a virtual environment without network and runs from there."""

import importlib.util
import os
import shutil
import subprocess
import sys

import pytest
from conftest import TOP

from qrvl_sweep import VERSION


def test_type_hints_pass_mypy():
    if importlib.util.find_spec("mypy") is None:
        pytest.skip("mypy is not installed for %s (Debian: python3-mypy)" % sys.executable)
    result = subprocess.run([sys.executable, "-m", "mypy", "--config-file", "pyproject.toml",
                             "--cache-dir", os.devnull], cwd=TOP, capture_output=True,
                            text=True, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr


def test_the_launcher_runs_the_package_beside_it():
    shown = subprocess.run([TOP / "tools" / "qrvl-sweep", "--version"], capture_output=True, text=True, check=True,
                           timeout=60).stdout
    assert shown.startswith("qrvl-sweep %s (the package in %s/tools/qrvl_sweep, Python "
                            % (VERSION, TOP))


@pytest.mark.e2e
def test_installs_into_a_virtual_environment(tmp_path):
    if importlib.util.find_spec("ensurepip") is None:
        pytest.skip("venv cannot install pip for %s (Debian: python3-venv)" % sys.executable)
    source, env = tmp_path / "source", tmp_path / "env"
    shutil.copytree(TOP / "tools" / "qrvl_sweep", source / "tools" / "qrvl_sweep")
    shutil.copy(TOP / "pyproject.toml", source)
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", env], check=True,
                   capture_output=True, timeout=300)
    subprocess.run([env / "bin" / "pip", "install", "--no-build-isolation", "--no-index",
                    source], check=True, capture_output=True, timeout=300, cwd=tmp_path)
    for command in ([env / "bin" / "qrvl-sweep"], [env / "bin" / "python", "-m", "qrvl_sweep"]):
        shown = subprocess.run(command + ["--version"], capture_output=True, text=True,
                               check=True, cwd=tmp_path).stdout
        assert " (the package in %s/lib/" % env in shown
