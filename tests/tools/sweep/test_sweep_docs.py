"""The fuzz dictionary and the README's option table name exactly the options the simulator
describes."""

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


def dictionary_entries():
    lines = (TOP / "fuzz" / "options.dict").read_text().splitlines()
    return [line[1:-1] for line in lines if line.startswith('"') and line.endswith('"')]


def differences(listed, described):
    """(words missing, words extra or repeated) of a list against the described options."""
    words = [option["word"] for option in described]
    extra = sorted(set(w for w in listed if w not in words or listed.count(w) > 1))
    return sorted(set(words) - set(listed)), extra


def test_readme_table_has_every_option_once(described):
    assert differences(readme_option_words(), described) == ([], [])


def test_fuzz_dictionary_has_every_option_and_keyword(described):
    entries = dictionary_entries()
    words = [entry[:-1] for entry in entries if re.fullmatch(r"[A-Za-z_]\w*=", entry)]
    assert differences(words, described) == ([], [])
    keywords = {value for option in described for value in option.get("values", [])}
    assert keywords <= set(entries)
