"""A study: fixed options, swept options, zip factors, replications, base seed and the factors
on common seeds, from a study file and the command line, every word and value checked against
the simulator's --describe."""

import argparse
import os
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Sequence, Set, Tuple

from .conditions import check_conditions
from .describe import Option, Simulator
from .errors import StudyError
from .factors import Factor, Level, check_name, parse_label, split_sets, swept_factor
from .safety import control_character
from .suggest import nearest
from .sweeps import expand_sweep
from .values import canonical
from .version import PROG

SECTIONS = ("study", "fixed", "sweep")


@dataclass
class Study:
    """Fixed options (word -> value), swept options (word -> values) and zip factors (name ->
    Factor), with the factors' order, the number of replications, the base seed and the factors
    whose levels share their seeds."""
    fixed: Dict[str, str] = field(default_factory=dict)
    sweep: Dict[str, List[str]] = field(default_factory=dict)
    replications: int = 0       # 0: not given
    seed: int = 1
    zips: Dict[str, Factor] = field(default_factory=dict)
    order: List[str] = field(default_factory=list)
    common_seeds: List[str] = field(default_factory=list)

    def factors(self) -> List[Factor]:
        """Every factor, in the order given."""
        return [self.zips[name] if name in self.zips else swept_factor(name, self.sweep[name])
                for name in self.order]

    def run_count(self) -> int:
        count = self.replications
        for factor in self.factors():
            count *= len(factor.levels)
        return count


@dataclass
class Builder:
    """Adds the options of a study one by one, checked against the simulator."""
    simulator: Simulator
    limit: int
    study: Study = field(default_factory=Study)

    def option(self, word: str, where: str) -> Option:
        if word == "seed":
            raise StudyError("%s: seed= is set by %s for every run; give the study's base seed "
                             "with --seed (or 'seed =' at the top of a study file)" % (where, PROG))
        option = self.simulator.options.get(word)
        if option is None:
            hint = self.simulator.suggest(word)
            raise StudyError("%s: unknown option word '%s'%s" % (
                where, word, " (did you mean '%s'?)" % hint if hint else ""))
        return option

    def fix(self, word: str, text: str, where: str, base: str) -> None:
        value = self.value(word, text, where, base)
        self.study.sweep.pop(word, None)
        self.study.order = [name for name in self.study.order if name != word]
        self.study.fixed[word] = value

    def sweep(self, word: str, text: str, where: str, base: str) -> None:
        option = self.option(word, where)
        if option.kind == "file":
            text = ",".join(os.path.join(base, item.strip()) if item.strip() else ""
                            for item in text.split(","))
        values = expand_sweep(option, text, where, self.limit)
        for value in values:
            check_debug(word, value, where)
        self.study.fixed.pop(word, None)
        self.study.sweep[word] = values
        if word not in self.study.order:
            self.study.order.append(word)

    def value(self, word: str, text: str, where: str, base: str) -> str:
        """One option value, checked (a file name made absolute)."""
        option = self.option(word, where)
        if option.kind == "file":
            text = os.path.join(base, text) if text else text
        value = canonical(option, text, where)
        check_debug(word, value, where)
        return value

    def zip(self, name: str, labels: Sequence[str], sets: Sequence[Sequence[Tuple[str, str]]],
            where: str, base: str) -> None:
        """A zip factor: one level per set of (word, value text) pairs, named by labels."""
        if name in self.study.zips:
            raise StudyError("%s: the zip factor %s is given twice" % (where, name))
        if len(labels) != len(sets):
            raise StudyError("%s: %d labels for the %d option sets of %s"
                             % (where, len(labels), len(sets), name))
        levels = []
        for label, pairs in zip(labels, sets):
            if not label or "|" in label or control_character(label) is not None:
                raise StudyError("%s: %s has an empty or unusable label %r" % (where, name, label))
            words = [word for word, _ in pairs]
            if len(set(words)) != len(words):
                raise StudyError("%s: the level %s of %s sets an option twice" % (where, label,
                                                                                  name))
            levels.append(Level(label, tuple((word, self.value(word, text, where, base))
                                             for word, text in pairs)))
        for index, level in enumerate(levels):
            for other in levels[:index]:
                if other.label == level.label:
                    raise StudyError("%s: %s has the label %s twice" % (where, name, level.label))
                if sorted(other.options) == sorted(level.options):
                    raise StudyError("%s: the levels %s and %s of %s set the same options"
                                     % (where, other.label, level.label, name))
        self.study.zips[name] = Factor(name, tuple(levels), zipped=True)
        if name not in self.study.order:
            self.study.order.append(name)


def check_debug(word: str, value: str, where: str) -> None:
    if word == "debug" and int(value) >= 3:
        raise StudyError("%s: debug=%s makes the simulator dump its tables and stop before any "
                         "result" % (where, value))


def parse_count(text: str, what: str, where: str, minimum: int,
                maximum: Optional[int] = None) -> int:
    text = text.strip()
    if not text.isdigit() or not text.isascii():
        raise StudyError("%s: %s must be a whole number, not '%s'" % (where, what, text))
    value = int(text[-40:]) if len(text.lstrip("0")) <= 40 else 10 ** 40
    if value < minimum:
        raise StudyError("%s: %s must be at least %d, not %d" % (where, what, minimum, value))
    if maximum is not None and value > maximum:
        raise StudyError("%s: %s must be at most %d, not %d" % (where, what, maximum, value))
    return value


def split_assignment(text: str, where: str) -> Tuple[str, str]:
    if "=" not in text:
        raise StudyError("%s: '%s' is not of the form OPTION=VALUE" % (where, text))
    word, value = (part.strip() for part in text.split("=", 1))
    if not word:
        raise StudyError("%s: '%s' names no option" % (where, text))
    return word, value


def read_lines(path: str) -> List[str]:
    """The lines of a text file in UTF-8 (a byte-order mark is skipped)."""
    try:
        with open(path, encoding="utf-8-sig") as handle:
            return handle.read().splitlines()
    except UnicodeDecodeError as error:
        raise StudyError("%s is not UTF-8 text (byte %d)" % (path, error.start))
    except OSError as error:
        raise StudyError("cannot read %s: %s" % (path, error.strerror or error))


def read_study_file(path: str, builder: Builder) -> None:
    """Reads a study file:

        # comment
        replications = 10
        seed = 1
        common_seeds = fsf_fbk
        [fixed]
        runs = 2000
        [sweep]
        nn = 2, 5:100:5
        [zip session]
        basic = centr=0, adhoc=0
        adhoc = adhoc=1
    """
    base = os.path.dirname(os.path.abspath(path))
    section, seen = "study", set()
    zips: Dict[str, Tuple[str, List[str], List[List[Tuple[str, str]]]]] = {}
    for number, line in enumerate(read_lines(path), 1):
        where = "%s:%d" % (path, number)
        text = line.strip()
        if not text or text[0] in "#;":
            continue
        if text.startswith("["):
            section = study_section(text, where)
            if section.startswith("zip "):
                zips[section[4:]] = (where, [], [])
            continue
        word, value = split_assignment(text, where)
        if section == "study":
            study_setting(builder.study, word, value, where)
            continue
        if section.startswith("zip "):
            zips[section[4:]][1].append(word)
            zips[section[4:]][2].extend(split_sets(value, where))
            continue
        if word in seen:
            raise StudyError("%s: %s is given twice" % (where, word))
        seen.add(word)
        add: Callable[[str, str, str, str], None] = builder.fix if section == "fixed" \
            else builder.sweep
        add(word, value, where, base)
    for name, (where, labels, sets) in zips.items():
        builder.zip(name, labels, sets, where, base)


def study_section(text: str, where: str) -> str:
    """The name of a section line: study, fixed, sweep or 'zip NAME'."""
    name = " ".join(text[1:-1].split()) if text.endswith("]") else ""
    if name in SECTIONS or (name.startswith("zip ") and len(name.split()) == 2):
        return name
    raise StudyError("%s: unknown section %s (the sections are [study], [fixed], [sweep] and "
                     "[zip NAME])" % (where, text))


def study_setting(study: Study, word: str, value: str, where: str) -> None:
    if word == "replications":
        study.replications = parse_count(value, "the number of replications", where, 1)
    elif word == "seed":
        study.seed = parse_count(value, "the base seed", where, 0, 0xFFFFFFFF)
    elif word == "common_seeds":
        study.common_seeds = names_list(value)
    else:
        raise StudyError("%s: unknown study setting '%s' (replications, seed and common_seeds "
                         "are known; options go under [fixed], [sweep] or [zip NAME])"
                         % (where, word))


def names_list(text: str) -> List[str]:
    return [name.strip() for name in text.split(",") if name.strip()]


def add_factors(args: argparse.Namespace, builder: Builder) -> Set[str]:
    """The --sweep and --zip factors of the command line, in the order given; the i-th --label
    names the i-th --zip."""
    order = getattr(args, "factor_order", None) or \
        [("sweep", text) for text in args.sweep or []] + \
        [("zip", text) for text in getattr(args, "zip", None) or []]
    labels = list(getattr(args, "label", None) or [])
    zips = [text for kind, text in order if kind == "zip"]
    if len(labels) != len(zips):
        raise StudyError("--label: %d --label for %d --zip; name each zip factor and its levels "
                         "with --label NAME=LABEL,LABEL,..." % (len(labels), len(zips)))
    labels.reverse()
    given = set()
    for kind, text in order:
        if kind == "sweep":
            word, value = split_assignment(text, "--sweep")
            if word in given:
                raise StudyError("--sweep: %s is given twice" % word)
            given.add(word)
            builder.sweep(word, value, "--sweep", os.getcwd())
        else:
            name, names = parse_label(labels.pop(), "--label")
            builder.zip(name, names, split_sets(text, "--zip"), "--zip", os.getcwd())
    return given


def check_factors(study: Study, simulator: Simulator) -> None:
    """Zip factors' names and options against everything else; common seeds on factors."""
    taken = list(simulator.options) + list(simulator.columns)
    for name, factor in study.zips.items():
        check_name(name, taken + [n for n in study.order if n != name], "--zip %s" % name)
        for word in factor.words:
            if word in study.fixed or word in study.sweep:
                raise StudyError("%s is set by the zip factor %s and is also %s; give it in one "
                                 "place" % (word, name, "fixed" if word in study.fixed
                                            else "swept"))
            for other in study.zips.values():
                if other.name != name and word in other.words:
                    raise StudyError("%s is set by both zip factors %s and %s" % (
                        word, other.name, name))
    for name in study.common_seeds:
        if name not in study.order:
            raise StudyError("--common-seeds: %s is not a factor of the study%s (its factors: %s)"
                             % (name, nearest(name, study.order, " (did you mean '%s'?)"),
                                ", ".join(study.order) or "none"))


def build_study(args: argparse.Namespace, simulator: Simulator, limit: int) -> Study:
    """The study of the plan command's arguments: the study file, then the command line."""
    builder = Builder(simulator, limit)
    if args.study:
        read_study_file(args.study, builder)
    given = set()
    for text in args.fix or []:
        word, value = split_assignment(text, "--fix")
        if word in given:
            raise StudyError("--fix: %s is given twice" % word)
        given.add(word)
        builder.fix(word, value, "--fix", os.getcwd())
    swept = add_factors(args, builder)
    if given & swept:
        raise StudyError("--sweep: %s is given twice" % sorted(given & swept)[0])
    study = builder.study
    if getattr(args, "common_seeds", None) is not None:
        study.common_seeds = names_list(args.common_seeds)
    if args.replications is not None:
        study.replications = parse_count(args.replications, "the number of replications",
                                         "--replications", 1)
    if args.seed is not None:
        study.seed = parse_count(args.seed, "the base seed", "--seed", 0, 0xFFFFFFFF)
    if not study.replications:
        raise StudyError("the study gives no number of replications (--replications N)")
    check_factors(study, simulator)
    check_conditions(study, simulator)
    return study
