# The command line: the help, the cases of tests/data/command_lines.txt (every refusal with its
# status and exact message, accepted words with the values their run reports), and words that are
# not read.
import codecs
import hashlib
import re

import pytest

from simulator import DATA, SIM, TOP, described, fields, sim


# The words of a line and the files made for them: "#CxW" stands for a file of C words of W bits
# (1, 2, 3, ...), "%TEXT" for a file of that text (backslash escapes).
def command(line, tmp_path):
    words, files = line.split(), []
    for i, word in enumerate(words):
        head, mark, text = word.partition("#" if "#" in word else "%")
        if mark:
            if mark == "#":
                count, width = (int(x) for x in text.split("x"))
                text = "".join(format(w, "0%db" % width)[-width:] + "\\n"
                               for w in range(1, count + 1))
            files.append(tmp_path / ("file%d" % i))
            files[-1].write_bytes(codecs.decode(text, "unicode_escape").encode("latin-1"))
            words[i] = head + str(files[-1])
    return words, files


# The data file's cases: what is expected, a command line, the answer.
def read_cases():
    cases = []
    for row in (DATA / "command_lines.txt").read_text().splitlines():
        if row and not row.startswith("#"):
            head, _, answer = row.partition(" -> ")
            kind, _, lines = head.partition(" ")
            answer = answer.replace("\\n", "\n").replace("@BIN@", SIM)
            cases += [(kind, line.strip(), answer) for line in lines.split(" | ")]
    return cases


@pytest.mark.parametrize("kind,line,answer", read_cases(), ids=lambda value: value[:60])
def test_every_case_of_the_data_file(kind, line, answer, tmp_path):
    if kind == "shows":
        run = sim(*command(line + " runs=50 debug=1" if line else "", tmp_path)[0])
        assert run.status == 0, run.err
        names, values = (fields(text) for text in run.out.splitlines()[:2])
        assert set(answer.split()) <= set(map("=".join, zip(names, values)))
        return
    if kind == "invalid":
        kind, answer = "1", "Error: %s is invalid: %s.\n" % (line.split()[0], answer)
    words, files = command(line, tmp_path)
    run = sim(*words)
    answer = answer.replace("@FILE@", str(files and files[0]))
    assert (run.status, run.err, run.out) == (int(kind), answer, "")


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
    spellings = {spelling for option in described()["options"]
                 for spelling in [option["word"], *option["aliases"]]}
    readme = (TOP / "README.md").read_text()
    help_text = (TOP / "src" / "config" / "help.txt").read_text()
    listed = set(re.findall(r"^([A-Za-z_]+)(?: +\[|$)", help_text, re.M)) - {"Where"}
    assert len(listed) > 40
    for word in sorted(listed - spellings):
        assert "`%s`" % word in readme and "not options" in readme, word


def test_the_dump_comes_before_the_hamming_class_limit(tmp_path):
    # 2 codewords, 17 classes, 32 table lines.
    run = sim(*command("fsf_fbk=hamm74 debug=3 codebook=#2x5 classes=#17x5", tmp_path)[0])
    assert (run.status, len(run.err.splitlines())) == (0, 51)


def test_a_missing_codebook_file_is_refused():
    run = sim("codebook=/nonexistent-qrvl/codes.txt", "classes=/nonexistent-qrvl/codes.txt")
    assert (run.status, run.out, run.err) == (1, "Could not open /nonexistent-qrvl/codes.txt\n",
                                              "Error reading file: No such file or directory\n")


# The words of the data file's strict=1 row: without strict=1 the same notes, as comments, and the
# run of the words as read.
def test_words_not_read_are_noted():
    words = next(line for _, line, _ in read_cases() if "strict=1" in line).split()[:-2]
    noted = sim(*words, "seed=2", "debug=1")
    strict = sim(*words, "strict=1", "debug=1")
    plain = sim("nn=7", "runs=1", "pt=0.5,0,3", "seed=2", "debug=1")
    assert (noted.status, noted.out, noted.err) == (0, plain.out, strict.err.replace("Error:", "#"))
    assert strict.status == 1 and sim(*words, "seed=2", "debug=0").err == ""
