"""The command line: the help, and the cases of tests/data/command_lines.txt: every refusal with its
status and exact message (the first of several faults wins) and accepted words with the values
their run reports; codebook files that cannot be read; seeds."""

import difflib
import hashlib
import json
import re
import subprocess

import pytest

from simulator import DATA, SIM, TOP, fields, lines, sim


def command(line, tmp_path):
    """The words of a line; "#CxW" stands for a file of C words of W bits: 1, 2, 3, ..."""
    words = line.split()
    for i, word in enumerate(words):
        if "#" in word:
            head, size = word.split("#")
            count, width = (int(x) for x in size.split("x"))
            path = tmp_path / ("file%d" % i)
            path.write_text("".join(format(w, "0%db" % width)[-width:] + "\n"
                                    for w in range(1, count + 1)))
            words[i] = head + str(path)
    return words


def read_cases():
    """The data file's cases: their command lines, and status and err, or invalid, or shows."""
    cases, case = [], None
    for line in (DATA / "command_lines.txt").read_text().splitlines():
        key, _, rest = line.partition(" ")
        if key == "run":
            if case is None or set(case) - {"lines"}:
                case = {"lines": []}
                cases.append(case)
            case["lines"].append(rest)
        elif key in ("status", "err", "invalid", "shows"):
            case[key] = rest.replace("\\n", "\n").replace("@BIN@", SIM)
    return [(line, case) for case in cases for line in case["lines"]]


# The help's text never changes: its SHA-256 with "qrvl_sim" as the program's name.
HELP_SHA256 = "fcf0e52c9a08605b26f9eee8b56ccd394f8f25657c0becdb2b0e16f5f9e72029"


@pytest.mark.parametrize("line", ["-h", "-hx", "--help", "--helpme", "--describe -h",
                                  "nn=0 nf=12 repeat=2 ns=7 refs=2 runs=5 B=1000 DATA=1 APP=3 "
                                  "fsf_type=bogus codebook=/nonexistent/c tau=7 seed=x -hello"])
def test_every_help_word_prints_the_help_with_the_builtin_values(line):
    run = sim(*line.split())
    assert (run.status, run.err) == (0, "")
    assert hashlib.sha256(run.out.replace(SIM, "qrvl_sim").encode()).hexdigest() == HELP_SHA256
    assert "nn          [i] Number of active nodes [5]\n" in run.out


def test_each_word_the_help_lists_is_an_option_or_a_documented_non_option():
    described = json.loads(sim("--describe").out)["options"]
    spellings = {spelling for option in described
                 for spelling in [option["word"], *option["aliases"]]}
    readme = (TOP / "README.md").read_text()
    help_text = (TOP / "src" / "config" / "help.txt").read_text()
    listed = set(re.findall(r"^([A-Za-z_]+)(?: +\[|$)", help_text, re.M)) - {"Where"}
    assert len(listed) > 40
    for word in sorted(listed - spellings):
        assert "`%s`" % word in readme and "not options" in readme, word


@pytest.mark.parametrize("line,case", read_cases(), ids=lambda value: value
                         if isinstance(value, str) else "")
def test_every_case_of_the_data_file(line, case, tmp_path):
    if "shows" in case:
        run = sim(*command(line + " runs=50 debug=1" if line else "", tmp_path))
        assert run.status == 0, run.err
        names, values = (fields(text) for text in lines(run.out)[:2])
        columns = set(map("=".join, zip(names, values)))
        assert set(case["shows"].split()) <= columns
        return
    run = sim(*command(line, tmp_path))
    if "invalid" in case:
        assert (run.status, run.err) == (1, "Error: %s is invalid: %s.\n" % (line.split()[0],
                                                                           case["invalid"]))
    else:
        assert (run.status, run.err) == (int(case["status"]), case["err"])
    assert run.out == ""


def test_the_dump_comes_before_the_hamming_class_limit(tmp_path):
    # 2 codewords, 17 classes, 32 table lines.
    run = sim(*command("fsf_fbk=hamm74 debug=3 codebook=#2x5 classes=#17x5", tmp_path))
    assert run.status == 0
    assert len(lines(run.err)) == 51


NO_WORD = "Error: Could not realloc'ate 0 bytes of memory. Aborting ...\n"


@pytest.mark.parametrize("contents,status,err", [
    ("", 1, NO_WORD), (" \r\nabc\n2345\n", 1, NO_WORD),
    ("101\n\n" + "1" * 33 + "\n011\n", 1, "Error: line 3 of '@' has more than 32 digits.\n"),
    ("10\r\n1\n" + "0" * 40, 1, "Error: line 3 of '@' has more than 32 digits.\n"),
    ("01\n\r\n111\n010\n11\n", 1, "Error: the word on line 3 of '@' is longer than the 2 bits of "
                                  "the file's last word line.\n"),
    ("0" * 26 + "1", 7, "Error: canot use more than nf=26 subcarriers.")])
def test_codebook_files_refused_with_their_message(contents, status, err, tmp_path):
    path = tmp_path / "codes"
    path.write_text(contents)
    run = sim("codebook=%s" % path, "classes=%s" % path, "debug=0")
    assert (run.status, run.err, run.out) == (status, err.replace("@", str(path)), "")


@pytest.mark.parametrize("path,out,err", [
    ("/tmp", "", "Error reading file: /tmp: Is a directory\n"),
    ("/dev/zero", "", "Error: '/dev/zero' is larger than 64 MiB: not a codebook or classes "
                      "file.\n"),
    ("/nonexistent-qrvl/codes.txt", "Could not open /nonexistent-qrvl/codes.txt\n",
     "Error reading file: No such file or directory\n")])
def test_codebook_files_that_cannot_be_read(path, out, err):
    run = sim("codebook=" + path, "classes=" + path, "debug=0")
    assert (run.status, run.out, run.err) == (1, out, err)


def test_the_same_seed_gives_the_same_run_and_another_seed_another():
    def out(*seeds):  # received powers come from the second generator
        return sim(*seeds, "fsf_type=rssi", "nn=20", "runs=2000", "pdf_nodes=1", "debug=1").out
    first = out("seed=5")
    assert first == out("seed=5", "seed=6")
    assert first != out("seed=6")


UNREAD = ["nodes=20", "fsf_prb=0.3", "NN=3", "pdf_rounds=1", "zzz", "nn=7", "nn=9", "runs=1e5",
          "pt=0.5x,,3"]
NOTES = ["ignored: nodes=20 (not an option; nearest: pdf_nodes=)",
         "ignored: fsf_prb=0.3 (not an option; nearest: fsf_prob=)",
         "ignored: NN=3 (not an option; nearest: nn=)",
         "ignored: pdf_rounds=1 (not an option; nearest: pdf_slots=)",
         "ignored: zzz (not an option)", "runs=1e5 read as 1", "pt=0.5x,,3 read as 0.5,0,3"]


def test_words_not_read_are_noted_and_strict_refuses_them():
    noted = sim(*UNREAD, "seed=2", "debug=1")
    plain = sim("nn=7", "runs=1", "pt=0.5,0,3", "seed=2", "debug=1")
    assert (noted.status, noted.out) == (0, plain.out)
    assert noted.err == "".join("# %s\n" % note for note in NOTES)
    assert sim(*UNREAD, "seed=2", "debug=0").err == ""
    strict = sim(*UNREAD, "strict=1", "debug=0")
    assert (strict.status, strict.out) == (1, "")
    assert strict.err == "".join("Error: %s\n" % note for note in NOTES)


@pytest.mark.parametrize("typo", ["fsf_prb", "Fsf_Type", "nodes", "pdf_round", "rsi_thresh",
                                  "maxtime", "codebok", "ad_sizes", "x" * 250, "ptt", "bb"])
def test_the_nearest_option_is_the_study_tools(typo):
    described = json.loads(sim("--describe").out)["options"]
    folded = {spelling.lower(): option["word"] for option in described
              for spelling in [option["word"], *option["aliases"]]}
    close = difflib.get_close_matches(typo.lower(), list(folded), n=1)
    want = "; nearest: %s=" % folded[close[0]] if close else ""
    run = sim(typo + "=1", "runs=1", "debug=1")
    assert "# ignored: %s=1 (not an option%s)\n" % (typo, want) in run.err


def test_a_dump_that_could_not_be_written_fails_with_status_6():
    with open("/dev/full", "wb") as full:
        run = subprocess.run([SIM, "debug=3"], stdout=subprocess.PIPE, stderr=full, timeout=60)
    assert run.returncode == 6
