"""The simulator as the tool sees it: where it is, what it is (version, SHA-256 of its binary),
and what it reads and writes, as told by its own `--describe`."""

import difflib
import hashlib
import json
import os
import shutil
import subprocess
from dataclasses import dataclass, field

from .errors import StudyError
from .safety import check_plain

KINDS = ("integer", "real", "flag", "keyword", "list", "text", "file")


@dataclass(frozen=True)
class Option:
    """One option word of the simulator."""
    word: str
    kind: str
    builtin: object = None
    help: str = ""
    values: tuple = ()        # keywords: the accepted words
    element: str = "real"     # lists: the kind of each element
    aliases: tuple = ()       # other spellings the simulator's help uses
    rules: tuple = ()
    minimum: float = None
    maximum: float = None

    @property
    def separator(self):
        """What separates swept values: lists and texts hold commas themselves."""
        return "|" if self.kind in ("list", "text") else ","


@dataclass(frozen=True)
class Identity:
    """Which simulator binary produced something."""
    path: str
    version: str
    sha256: str


@dataclass(frozen=True)
class Simulator:
    """A simulator's identity, its options in reading order and its summary columns."""
    identity: Identity
    options: dict = field(default_factory=dict)
    columns: tuple = ()

    def suggest(self, word):
        """The option word meant by an unknown word: the same word in other letter case, the
        option one of whose other spellings it is, or the nearest word or spelling."""
        spellings = {}
        for option in self.options.values():
            for spelling in (option.word,) + option.aliases:
                spellings.setdefault(spelling, option.word)
        if word in spellings:
            return spellings[word]
        folded = {spelling.lower(): target for spelling, target in spellings.items()}
        if word.lower() in folded:
            return folded[word.lower()]
        close = difflib.get_close_matches(word.lower(), list(folded), n=1)
        return folded[close[0]] if close else None


def find_simulator(given):
    """The simulator: --sim PATH, else $QRVL_SIM, else qrvl_sim on PATH, else build/qrvl_sim
    beside the tool."""
    if given:
        path = given
    elif os.environ.get("QRVL_SIM"):
        path = os.environ["QRVL_SIM"]
    elif shutil.which("qrvl_sim"):
        path = shutil.which("qrvl_sim")
    else:
        here = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
        path = os.path.join(here, "..", "build", "qrvl_sim")
    path = os.path.normpath(os.path.abspath(path))
    check_plain("the simulator path", path)
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        raise StudyError("no simulator at %s (give its path with --sim or QRVL_SIM)" % path)
    return path


def file_sha256(path):
    """SHA-256 of a file's bytes, in hex."""
    digest = hashlib.sha256()
    try:
        with open(path, "rb") as handle:
            for block in iter(lambda: handle.read(1 << 20), b""):
                digest.update(block)
    except OSError as error:
        raise StudyError("cannot read the simulator %s: %s" % (path, error.strerror))
    return digest.hexdigest()


def _ask(path, flag):
    try:
        result = subprocess.run([path, flag], stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=60)
    except (OSError, subprocess.TimeoutExpired) as error:
        raise StudyError("cannot run %s %s: %s" % (path, flag, error))
    if result.returncode != 0:
        raise StudyError("%s %s ended with status %d" % (path, flag, result.returncode))
    return result.stdout.decode("utf-8", "replace")


def identify(path, sha256):
    """The simulator's identity from its --version line and the SHA-256 of its binary."""
    version = _ask(path, "--version").strip().split("\n")[0].strip()
    return Identity(path, version, sha256)


def load_simulator(path):
    """The simulator at path, described by its own --describe."""
    text = _ask(path, "--describe")
    try:
        document = json.loads(text)
        return parse_describe(document, path)
    except (ValueError, KeyError, TypeError, AttributeError) as error:
        raise StudyError("%s --describe did not describe the simulator (%s); this tool needs a "
                         "qrvl_sim that answers --describe with its options and columns"
                         % (path, error))


def descriptions(path):
    """Each option word's help text, as the simulator at path describes it (for suggestions);
    empty when it cannot be asked."""
    try:
        document = json.loads(_ask(path, "--describe"))
        return {str(entry["word"]): str(entry.get("help", "")) for entry in document["options"]}
    except (StudyError, ValueError, KeyError, TypeError):
        return {}


def _number(value, what):
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError("%s is not a number" % what)
    return value


def parse_option(entry):
    """One option object of --describe."""
    kind = entry["kind"]
    if kind not in KINDS:
        raise ValueError("option %s has the unknown kind %r" % (entry["word"], kind))
    word = entry["word"]
    if not isinstance(word, str) or not word or "=" in word:
        raise ValueError("the option word %r" % (word,))
    return Option(
        word=word, kind=kind, builtin=entry.get("builtin"), help=str(entry.get("help", "")),
        values=tuple(str(v) for v in entry.get("values") or ()),
        element=str(entry.get("element") or "real"),
        aliases=tuple(str(a) for a in entry.get("aliases") or ()),
        rules=tuple(str(r) for r in entry.get("rules") or ()),
        minimum=_number(entry.get("min"), word + " min"),
        maximum=_number(entry.get("max"), word + " max"))


def parse_describe(document, path):
    """The Simulator of a parsed --describe document; the binary at path is hashed."""
    version = document["version"]
    if not isinstance(version, str) or not version.strip():
        raise ValueError("no version line")
    options = {}
    for entry in document["options"]:
        option = parse_option(entry)
        options[option.word] = option
    columns = tuple(str(c) for c in document["columns"])
    if not options or not columns:
        raise ValueError("no options or no columns")
    identity = Identity(path, version.strip(), file_sha256(path))
    return Simulator(identity, options, columns)
