"""The rules that hold only with other options' values (`ad_size` at least 1 while `adaptive`
is on), checked at every combination of values the study gives those options: the options'
own factors are crossed, the others keep their fixed or built-in values."""

import itertools
from typing import TYPE_CHECKING, Callable, Dict, Optional

from .describe import Option, Simulator
from .errors import StudyError
from .rules import Rule

if TYPE_CHECKING:
    from .study import Study


def check_conditions(study: "Study", simulator: Simulator) -> None:
    """Refuses a study that runs a value breaking a rule while the rule's condition holds."""
    for option in simulator.options.values():
        if option.kind in ("integer", "real", "flag", "list"):
            for rule in option.rules:
                if rule.when:
                    check_rule(study, simulator, option, rule)


def broken_element(rule: Rule, value: str) -> Optional[str]:
    """The element of a value (a number, or a list of numbers) that breaks the rule."""
    for element in value.split(","):
        try:
            if rule.breaks(float(element)):
                return element
        except ValueError:
            continue
    return None


def settings(given: Dict[str, str], simulator: Simulator) -> Callable[[str], Optional[str]]:
    """The value each option has at a point: given, else built in (None: no constant value)."""
    def setting(word: str) -> Optional[str]:
        if word in given:
            return given[word]
        option = simulator.options.get(word)
        return None if option is None or option.builtin is None else str(option.builtin)
    return setting


def check_rule(study: "Study", simulator: Simulator, option: Option, rule: Rule) -> None:
    words = {option.word} | {word for word, _ in rule.when}
    factors = [factor for factor in study.factors() if words & set(factor.words)]
    for levels in itertools.product(*(factor.levels for factor in factors)):
        given = dict(study.fixed)
        for level in levels:
            given.update(level.options)
        setting = settings(given, simulator)
        value = setting(option.word)
        if value is not None and rule.holds_with(setting) and broken_element(rule, value):
            raise StudyError("%s=%s: %s (the study runs it with %s)" % (
                option.word, value, rule.message, rule.condition_text(setting)))
