"""The study as planned (study.json): the simulator, fixed options, factors, replications, base
seed, common seeds, every option's built-in value and the last precision targets; read back
with every problem reported as a StudyError."""

import json
import shlex
from dataclasses import dataclass
from functools import cached_property
from typing import Any, Dict, List, Mapping, Optional, Tuple

from .describe import Identity
from .directory import StudyDir, write_file
from .errors import StudyError
from .factors import Factor, Level, swept_factor
from .suggest import nearest
from .version import PROG

FORMAT = 3
# What a run records of its random streams and threads; a simulator that does not describe
# these options runs its one sequential stream on one thread.
PROVENANCE = {"rng": "mt", "threads": "1"}


@dataclass(frozen=True)
class Planned:
    """A study as planned: what study.json holds."""
    simulator: Identity
    columns: Tuple[str, ...]
    builtin_debug: int
    seed: int
    replications: int
    fixed: Tuple[Tuple[str, str], ...]
    factors: Tuple[Factor, ...]         # in point order
    point_count: int
    run_count: int
    common_seeds: Tuple[str, ...] = ()
    builtins: Tuple[Tuple[str, str], ...] = ()  # every option with a constant built-in value
    targets: Optional[Dict[str, Any]] = None    # the precision targets of the last run --until

    @property
    def swept(self) -> List[str]:
        return [factor.name for factor in self.factors]

    @property
    def option_words(self) -> List[str]:
        """The options the study gives that are not swept options: fixed, then zipped."""
        words = [word for word, _ in self.fixed]
        for factor in self.factors:
            words += [word for word in factor.words if word != factor.name]
        return list(dict.fromkeys(words))

    @property
    def builtin_words(self) -> List[str]:
        """Every option with a built-in value, and the options every run records."""
        return list(dict.fromkeys([word for word, _ in self.builtins] + list(PROVENANCE)))

    @cached_property
    def levels(self) -> Dict[str, Dict[str, Level]]:
        """Per factor name, its levels by label."""
        return {factor.name: {level.label: level for level in factor.levels}
                for factor in self.factors}

    def label_of(self, name: str, text: str, where: str) -> str:
        """The label of the level of factor name that text names; refuses a name that is not
        a factor of the study."""
        for factor in self.factors:
            if factor.name == name:
                return factor.level(text, where)
        raise StudyError("%s: %s is not a factor of the study%s (its factors: %s)"
                         % (where, name, nearest(name, self.swept, " (did you mean '%s'?)"),
                            ", ".join(self.swept) or "none"))

    def options_of(self, labels: Mapping[str, str]) -> Dict[str, str]:
        """The options a point gives to the simulator, from its factors' labels (a factor
        left out gives none)."""
        options = dict(self.fixed)
        for factor in self.factors:
            if factor.name in labels:
                options.update(self.levels[factor.name][labels[factor.name]].options)
        return options

    def every_option(self, labels: Mapping[str, str]) -> Dict[str, str]:
        """Every option of the simulator with the value the point runs with."""
        options = dict(PROVENANCE)
        options.update(self.builtins)
        options.update(self.options_of(labels))
        return options

    def threads_of(self, labels: Mapping[str, str]) -> int:
        """The threads each simulator of the point runs."""
        try:
            return max(1, int(self.every_option(labels)["threads"]))
        except ValueError:
            return 1

    def most_threads(self) -> int:
        """The most threads a simulator of the study runs."""
        return max([self.threads_of({factor.name: level.label}) for factor in self.factors
                    if "threads" in factor.words for level in factor.levels] or
                   [self.threads_of({})])

    def common_words(self) -> List[str]:
        """The option words left out of the seed keys."""
        return [word for factor in self.factors if factor.name in self.common_seeds
                for word in factor.words]

    def to_json(self) -> Dict[str, Any]:
        return {"format": FORMAT,
                "simulator": {"path": self.simulator.path, "version": self.simulator.version,
                              "sha256": self.simulator.sha256},
                "columns": list(self.columns), "builtin_debug": self.builtin_debug,
                "seed": self.seed, "replications": self.replications,
                "fixed": [list(pair) for pair in self.fixed],
                "factors": [factor_json(factor) for factor in self.factors],
                "common_seeds": list(self.common_seeds),
                "builtins": [list(pair) for pair in self.builtins],
                "targets": self.targets,
                "point_count": self.point_count, "run_count": self.run_count}


def factor_json(factor: Factor) -> Dict[str, Any]:
    if not factor.zipped:
        return {"option": factor.name, "values": factor.labels}
    return {"zip": factor.name, "levels": [{"label": level.label, "options": [
        list(pair) for pair in level.options]} for level in factor.levels]}


def factor_of(data: Mapping[str, Any]) -> Factor:
    if "option" in data:
        return swept_factor(str(data["option"]), [str(v) for v in data["values"]])
    return Factor(str(data["zip"]), tuple(Level(str(level["label"]), tuple(
        (str(w), str(v)) for w, v in level["options"])) for level in data["levels"]), True)


def factors_of(data: Mapping[str, Any]) -> Tuple[Factor, ...]:
    if "factors" in data:
        return tuple(factor_of(item) for item in data["factors"])
    # studies planned before zip factors
    return tuple(swept_factor(str(w), [str(v) for v in values]) for w, values in data["sweep"])


def planned_of_json(data: Mapping[str, Any]) -> Planned:
    simulator = data["simulator"]
    planned = Planned(
        simulator=Identity(str(simulator["path"]), str(simulator["version"]),
                           str(simulator["sha256"])),
        columns=tuple(str(c) for c in data["columns"]), builtin_debug=int(data["builtin_debug"]),
        seed=int(data["seed"]), replications=int(data["replications"]),
        fixed=tuple((str(w), str(v)) for w, v in data["fixed"]), factors=factors_of(data),
        point_count=int(data["point_count"]), run_count=int(data["run_count"]),
        common_seeds=tuple(str(n) for n in data.get("common_seeds", ())),
        builtins=tuple((str(w), str(v)) for w, v in data.get("builtins", ())),
        targets=data.get("targets"))
    if not planned.columns:
        raise ValueError("no columns")
    return planned


def replan_command(directory: StudyDir, data: Any) -> str:
    """The plan command that plans again what an unreadable study.json still says, as far as
    it says it."""
    words = [PROG, "plan", "-d", directory.path]
    try:
        words += ["--sim", str(data["simulator"]["path"])]
    except (KeyError, TypeError):
        pass
    for key, flag in (("replications", "-r"), ("seed", "--seed")):
        if isinstance(data, Mapping) and key in data:
            words += [flag, str(data[key])]
    try:
        words += ["--fix=%s=%s" % (w, v) for w, v in data["fixed"]]
        for factor in factors_of(data):
            if factor.zipped:
                return shlex.join(words) + " ... (and its zip factors)"
            words += ["--sweep=%s=%s" % (factor.name, "|".join(factor.labels)
                                         if "," in "".join(factor.labels)
                                         else ",".join(factor.labels))]
    except (KeyError, TypeError, ValueError, AttributeError):
        return shlex.join(words) + " ... (with its options)"
    return shlex.join(words)


def load_planned(directory: StudyDir) -> Planned:
    """The study planned in the directory."""
    try:
        with open(directory.study_json, encoding="utf-8-sig") as handle:
            data = json.load(handle)
    except FileNotFoundError:
        raise StudyError("%s holds no planned study (run '%s plan -d %s ...' first)"
                         % (directory.path, PROG, directory.path))
    except (OSError, ValueError) as error:
        raise StudyError("cannot read %s: %s" % (directory.study_json, error))
    try:
        return planned_of_json(data)
    except (KeyError, TypeError, ValueError, AttributeError) as error:
        raise StudyError("%s is not a study this %s can read (%s: %s); plan the study again, "
                         "keeping the runs already done: %s"
                         % (directory.study_json, PROG, type(error).__name__, error,
                            replan_command(directory, data)))


def save_planned(directory: StudyDir, planned: Planned) -> None:
    write_file(directory.study_json, json.dumps(planned.to_json(), indent=1) + "\n")
