"""The README's option table names exactly the options the simulator describes."""

import json
import re
import subprocess

import pytest
from conftest import SIM, TOP

pytestmark = pytest.mark.e2e


@pytest.fixture(scope="module")
def described():
    result = subprocess.run([SIM, "--describe"], capture_output=True, check=True, timeout=60)
    return json.loads(result.stdout)["options"]


def readme_option_words():
    text = (TOP / "README.md").read_text()
    section = text.split("\n### Options\n", 1)[1].split("\n### ", 1)[0]
    cells = [line.split("|")[1] for line in section.splitlines() if line.startswith("| `")]
    return [word for cell in cells for word in re.findall(r"`([A-Za-z_]\w*)=`", cell)]


def differences(listed, described):
    """(words missing, words extra or repeated) of a list against the described options."""
    words = [option["word"] for option in described]
    extra = sorted(set(w for w in listed if w not in words or listed.count(w) > 1))
    return sorted(set(words) - set(listed)), extra


def test_readme_table_has_every_option_once(described):
    assert differences(readme_option_words(), described) == ([], [])
