"""A study: fixed options, swept options, replications and base seed, from a study file and the
command line, every word and value checked against the simulator's --describe."""

import os
from dataclasses import dataclass, field

from . import PROG
from .errors import StudyError
from .sweeps import expand_sweep
from .values import breaks_rule, canonical, conditional_rules

SECTIONS = ("study", "fixed", "sweep")


@dataclass
class Study:
    """Fixed options (word -> value) and swept options (word -> values), both in the order given,
    with the number of replications and the base seed."""
    fixed: dict = field(default_factory=dict)
    sweep: dict = field(default_factory=dict)
    replications: int = None
    seed: int = None

    def run_count(self):
        count = self.replications or 0
        for values in self.sweep.values():
            count *= len(values)
        return count


@dataclass
class Builder:
    """Adds the options of a study one by one, checked against the simulator."""
    simulator: object
    limit: int
    study: Study = field(default_factory=Study)

    def option(self, word, where):
        if word == "seed":
            raise StudyError("%s: seed= is set by %s for every run; give the study's base seed "
                             "with --seed (or 'seed =' at the top of a study file)" % (where, PROG))
        option = self.simulator.options.get(word)
        if option is None:
            hint = self.simulator.suggest(word)
            raise StudyError("%s: unknown option word '%s'%s" % (
                where, word, " (did you mean '%s'?)" % hint if hint else ""))
        return option

    def fix(self, word, text, where, base):
        option = self.option(word, where)
        if option.kind == "file":
            text = os.path.join(base, text) if text else text
        value = canonical(option, text, where)
        check_debug(word, value, where)
        self.study.sweep.pop(word, None)
        self.study.fixed[word] = value

    def sweep(self, word, text, where, base):
        option = self.option(word, where)
        if option.kind == "file":
            text = ",".join(os.path.join(base, item.strip()) if item.strip() else ""
                            for item in text.split(","))
        values = expand_sweep(option, text, where, self.limit)
        for value in values:
            check_debug(word, value, where)
        self.study.fixed.pop(word, None)
        self.study.sweep[word] = values


def check_debug(word, value, where):
    if word == "debug" and int(value) >= 3:
        raise StudyError("%s: debug=%s makes the simulator dump its tables and stop before any "
                         "result" % (where, value))


def parse_count(text, what, where, minimum, maximum=None):
    text = text.strip()
    if not text.isdigit() or not text.isascii():
        raise StudyError("%s: %s must be a whole number, not '%s'" % (where, what, text))
    value = int(text[-40:]) if len(text.lstrip("0")) <= 40 else 10 ** 40
    if value < minimum:
        raise StudyError("%s: %s must be at least %d, not %d" % (where, what, minimum, value))
    if maximum is not None and value > maximum:
        raise StudyError("%s: %s must be at most %d, not %d" % (where, what, maximum, value))
    return value


def split_assignment(text, where):
    if "=" not in text:
        raise StudyError("%s: '%s' is not of the form OPTION=VALUE" % (where, text))
    word, value = (part.strip() for part in text.split("=", 1))
    if not word:
        raise StudyError("%s: '%s' names no option" % (where, text))
    return word, value


def read_lines(path):
    """The lines of a text file in UTF-8 (a byte-order mark is skipped)."""
    try:
        with open(path, encoding="utf-8-sig") as handle:
            return handle.read().splitlines()
    except UnicodeDecodeError as error:
        raise StudyError("%s is not UTF-8 text (byte %d)" % (path, error.start))
    except OSError as error:
        raise StudyError("cannot read %s: %s" % (path, error.strerror or error))


def read_study_file(path, builder):
    """Reads a study file:

        # comment
        replications = 10
        seed = 1
        [fixed]
        runs = 2000
        [sweep]
        nn = 2, 5:100:5
    """
    base = os.path.dirname(os.path.abspath(path))
    section, seen = "study", set()
    for number, line in enumerate(read_lines(path), 1):
        where = "%s:%d" % (path, number)
        text = line.strip()
        if not text or text[0] in "#;":
            continue
        if text.startswith("["):
            if not text.endswith("]") or text[1:-1].strip() not in SECTIONS:
                raise StudyError("%s: unknown section %s (the sections are [study], [fixed] and "
                                 "[sweep])" % (where, text))
            section = text[1:-1].strip()
            continue
        word, value = split_assignment(text, where)
        if section == "study":
            study_setting(builder.study, word, value, where)
            continue
        if word in seen:
            raise StudyError("%s: %s is given twice" % (where, word))
        seen.add(word)
        (builder.fix if section == "fixed" else builder.sweep)(word, value, where, base)


def study_setting(study, word, value, where):
    if word == "replications":
        study.replications = parse_count(value, "the number of replications", where, 1)
    elif word == "seed":
        study.seed = parse_count(value, "the base seed", where, 0, 0xFFFFFFFF)
    else:
        raise StudyError("%s: unknown study setting '%s' (replications and seed are known; "
                         "options go under [fixed] or [sweep])" % (where, word))


def build_study(args, simulator, limit):
    """The study of the plan command's arguments: the study file, then the command line."""
    builder = Builder(simulator, limit)
    if args.study:
        read_study_file(args.study, builder)
    given = set()
    for flag, texts, add in (("--fix", args.fix, builder.fix), ("--sweep", args.sweep,
                                                                builder.sweep)):
        for text in texts or []:
            word, value = split_assignment(text, flag)
            if word in given:
                raise StudyError("%s: %s is given twice" % (flag, word))
            given.add(word)
            add(word, value, flag, os.getcwd())
    study = builder.study
    if args.replications is not None:
        study.replications = parse_count(args.replications, "the number of replications",
                                         "--replications", 1)
    if args.seed is not None:
        study.seed = parse_count(args.seed, "the base seed", "--seed", 0, 0xFFFFFFFF)
    if study.replications is None:
        raise StudyError("the study gives no number of replications (--replications N)")
    if study.seed is None:
        study.seed = 1
    check_conditions(study, simulator)
    return study


def values_of(study, option):
    """Every value an option takes in the study, its built-in value when not given."""
    if option.word in study.fixed:
        return [study.fixed[option.word]]
    if option.word in study.sweep:
        return study.sweep[option.word]
    return [] if option.builtin is None else [str(option.builtin)]


def check_conditions(study, simulator):
    """Rules that hold only when another option is on, e.g. ad_size at least 1 with adaptive."""
    for option in simulator.options.values():
        for rule, switch in conditional_rules(option):
            if switch not in simulator.options:
                continue
            switched_on = any(float(v) == 1 for v in values_of(study, simulator.options[switch]))
            broken = [v for v in values_of(study, option) if breaks_rule(rule, v)]
            if switched_on and broken:
                raise StudyError("%s=%s: %s must be %s when %s is on, and the study runs %s=1"
                                 % (option.word, broken[0], option.word, rule, switch, switch))
