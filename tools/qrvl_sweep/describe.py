"""The simulator as the tool sees it: where it is, what it is (version, SHA-256 of its binary),
and what it reads and writes, as told by its own `--describe`: each option's word, kind, built-in
value and rules (as data), and the summary columns."""

import difflib
import hashlib
import json
import os
import shutil
import subprocess
from dataclasses import dataclass, field
from typing import Any, Dict, Mapping, Optional, Tuple, Union

from .errors import StudyError
from .rules import Rule, parse_rule
from .safety import check_plain

KINDS = ("integer", "real", "flag", "keyword", "list", "text", "file")
Builtin = Union[int, float, str, None]


@dataclass(frozen=True)
class Option:
    """One option word of the simulator."""
    word: str
    kind: str
    builtin: Builtin = None   # None: no constant (files, schedules, a special value)
    special: str = ""         # what a non-constant built-in value depends on (clock, terminal)
    help: str = ""
    values: Tuple[str, ...] = ()    # keywords: the accepted words
    element: str = "real"           # lists: the kind of each element
    aliases: Tuple[str, ...] = ()   # other spellings the simulator's help uses
    rules: Tuple[Rule, ...] = ()
    minimum: Optional[float] = None     # the bounds that always hold
    maximum: Optional[float] = None

    @property
    def separator(self) -> str:
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
    options: Dict[str, Option] = field(default_factory=dict)
    columns: Tuple[str, ...] = ()

    def suggest(self, word: str) -> Optional[str]:
        """The option word meant by an unknown word: the same word in other letter case, the
        option one of whose other spellings it is, or the nearest word or spelling."""
        spellings: Dict[str, str] = {}
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


def find_simulator(given: Optional[str]) -> str:
    """The simulator: --sim PATH, else $QRVL_SIM, else qrvl_sim on PATH, else build/qrvl_sim
    beside the tool."""
    path = given or os.environ.get("QRVL_SIM") or shutil.which("qrvl_sim")
    if not path:
        here = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
        path = os.path.join(here, "..", "build", "qrvl_sim")
    path = os.path.normpath(os.path.abspath(path))
    check_plain("the simulator path", path)
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        raise StudyError("no simulator at %s (give its path with --sim or QRVL_SIM)" % path)
    return path


def file_sha256(path: str) -> str:
    """SHA-256 of a file's bytes, in hex."""
    digest = hashlib.sha256()
    try:
        with open(path, "rb") as handle:
            for block in iter(lambda: handle.read(1 << 20), b""):
                digest.update(block)
    except OSError as error:
        raise StudyError("cannot read the simulator %s: %s" % (path, error.strerror))
    return digest.hexdigest()


def _ask(path: str, flag: str) -> str:
    try:
        result = subprocess.run([path, flag], stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=60)
    except (OSError, subprocess.TimeoutExpired) as error:
        raise StudyError("cannot run %s %s: %s" % (path, flag, error))
    if result.returncode != 0:
        raise StudyError("%s %s ended with status %d" % (path, flag, result.returncode))
    return result.stdout.decode("utf-8", "replace")


def identify(path: str, sha256: str) -> Identity:
    """The simulator's identity from its --version line and the SHA-256 of its binary."""
    version = _ask(path, "--version").strip().split("\n")[0].strip()
    return Identity(path, version, sha256)


def load_simulator(path: str) -> Simulator:
    """The simulator at path, described by its own --describe."""
    text = _ask(path, "--describe")
    try:
        return parse_describe(json.loads(text), path)
    except (ValueError, KeyError, TypeError, AttributeError) as error:
        raise StudyError("%s --describe did not describe the simulator (%s); this tool needs a "
                         "qrvl_sim that answers --describe with its options and columns"
                         % (path, error))


def descriptions(path: str) -> Dict[str, str]:
    """Each option word's help text, as the simulator at path describes it (for suggestions);
    empty when it cannot be asked."""
    try:
        document = json.loads(_ask(path, "--describe"))
        return {str(entry["word"]): str(entry.get("help", "")) for entry in document["options"]}
    except (StudyError, ValueError, KeyError, TypeError):
        return {}


def number(value: Any, what: str) -> Optional[float]:
    """A bound of --describe: a JSON number, or None when absent."""
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError("%s is not a number" % what)
    return value


def builtin_of(value: Any) -> Tuple[Builtin, str]:
    """(constant built-in value, or None; what a special built-in value depends on)."""
    if isinstance(value, Mapping):
        return None, str(value.get("special", "special"))
    if value is None or isinstance(value, (int, float, str)):
        return value, ""
    raise ValueError("the built-in value %r" % (value,))


def parse_option(entry: Mapping[str, Any]) -> Option:
    """One option object of --describe; rules in words (older simulators) are left to the
    simulator."""
    kind, word = entry["kind"], entry["word"]
    if kind not in KINDS:
        raise ValueError("option %s has the unknown kind %r" % (word, kind))
    if not isinstance(word, str) or not word or "=" in word:
        raise ValueError("the option word %r" % (word,))
    builtin, special = builtin_of(entry.get("builtin"))
    rules = tuple(parse_rule(rule, word) for rule in entry.get("rules") or ()
                  if isinstance(rule, Mapping))
    return Option(
        word=word, kind=kind, builtin=builtin, special=special,
        help=str(entry.get("help", "")),
        values=tuple(str(v) for v in entry.get("values") or ()),
        element=str(entry.get("element") or "real"),
        aliases=tuple(str(a) for a in entry.get("aliases") or ()), rules=rules,
        minimum=number(entry.get("min"), word + " min"),
        maximum=number(entry.get("max"), word + " max"))


def parse_describe(document: Mapping[str, Any], path: str) -> Simulator:
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
