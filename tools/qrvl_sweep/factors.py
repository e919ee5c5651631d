"""The factors of a study and its points.

A factor is a swept option (one level per value) or a zip factor: one level per set of options,
named by a label (`--zip 'centr=0,adhoc=0|centr=1,adhoc=0|adhoc=1' --label
session=basic,centralized,adhoc`). The points are the cartesian product of the factors' levels,
the last factor varying fastest."""

import itertools
import re
from dataclasses import dataclass
from typing import Dict, Iterator, List, Sequence, Tuple

from .errors import StudyError
from .suggest import nearest

NAME = re.compile(r"[A-Za-z_]\w*\Z")
ASSIGNMENT = re.compile(r"\s*[A-Za-z_]\w*\s*=")
# Column names the gathered tables use themselves.
RESERVED = ("study", "point", "line", "output", "replication", "replications", "seed", "version",
            "sha256", "host", "start", "seconds", "status", "target", "figure", "value", "vs")


@dataclass(frozen=True)
class Level:
    """One level of a factor: its label and the options it sets."""
    label: str
    options: Tuple[Tuple[str, str], ...]


@dataclass(frozen=True)
class Factor:
    """A swept option, or a zip factor whose levels are sets of options."""
    name: str
    levels: Tuple[Level, ...]
    zipped: bool = False

    @property
    def labels(self) -> List[str]:
        return [level.label for level in self.levels]

    @property
    def words(self) -> List[str]:
        """The option words the factor sets, in the order first given."""
        return list(dict.fromkeys(word for level in self.levels for word, _ in level.options))

    def level(self, text: str, where: str) -> str:
        """The label of the level text names: the same text, the same number, or the same
        keyword in other letter case."""
        for test in (lambda label: label == text, lambda label: same_number(label, text),
                     lambda label: label.lower() == text.lower()):
            for label in self.labels:
                if test(label):
                    return label
        shown = ", ".join(self.labels[:12]) + (", ..." if len(self.labels) > 12 else "")
        raise StudyError("%s: %s has no level %s%s (its levels: %s)" % (
            where, self.name, text, nearest(text, self.labels, " (did you mean %s?)"), shown))


def same_number(a: str, b: str) -> bool:
    try:
        return float(a) == float(b)
    except ValueError:
        return False


def swept_factor(word: str, values: Sequence[str]) -> Factor:
    return Factor(word, tuple(Level(value, ((word, value),)) for value in values))


def point_words(labels: Dict[str, str]) -> str:
    """A point as its factors' values: 'nn=10 fsf_fbk=class'."""
    return " ".join("%s=%s" % item for item in labels.items())


def points(factors: Sequence[Factor], fixed: Sequence[Tuple[str, str]]
           ) -> Iterator[Tuple[Dict[str, str], Dict[str, str]]]:
    """Per point, in point order: (label by factor name, the options the point gives)."""
    for levels in itertools.product(*(factor.levels for factor in factors)):
        labels: Dict[str, str] = {}
        options = dict(fixed)
        for factor, level in zip(factors, levels):
            labels[factor.name] = level.label
            options.update(level.options)
        yield labels, options


def split_sets(text: str, where: str) -> List[List[Tuple[str, str]]]:
    """The option sets of a zip text: sets separated by '|', assignments by ','; a piece that is
    not an assignment continues the value before it (list values hold commas)."""
    sets = []
    for part in text.split("|"):
        pieces: List[str] = []
        for piece in part.split(","):
            if ASSIGNMENT.match(piece) or not pieces:
                pieces.append(piece)
            else:
                pieces[-1] += "," + piece
        pairs = []
        for piece in pieces:
            if "=" not in piece or not piece.split("=", 1)[0].strip():
                raise StudyError("%s: '%s' in '%s' is not of the form OPTION=VALUE"
                                 % (where, piece.strip(), text))
            word, value = (item.strip() for item in piece.split("=", 1))
            pairs.append((word, value))
        sets.append(pairs)
    return sets


def parse_label(text: str, where: str) -> Tuple[str, List[str]]:
    """(factor name, labels) of a --label text NAME=LABEL,LABEL,..."""
    if "=" not in text:
        raise StudyError("%s: '%s' is not of the form NAME=LABEL,LABEL,..." % (where, text))
    name, rest = (part.strip() for part in text.split("=", 1))
    return name, [label.strip() for label in rest.split(",")]


def check_name(name: str, taken: Sequence[str], where: str) -> None:
    """A zip factor's name becomes a column: a word that names nothing else, in any letter
    case."""
    if not NAME.match(name):
        raise StudyError("%s: the factor name '%s' must be a word of letters, digits and '_'"
                         % (where, name))
    clash = [word for word in list(taken) + list(RESERVED) if word.lower() == name.lower()]
    if clash:
        raise StudyError("%s: the factor name '%s' is taken by the column or option '%s'; "
                         "choose another" % (where, name, clash[0]))
