"""The rules of an option's values as the simulator's --describe gives them, as data: a range
(either end open), a value refused (`not`), finiteness, and the condition on other options under
which a rule holds (`when`: {"adaptive": "on"} holds while adaptive is nonzero, given or built
in; another word holds while the option has that value). A list's rules hold for each element."""

import math
from dataclasses import dataclass
from typing import Any, Callable, Mapping, Optional, Sequence, Tuple, Union

Condition = Tuple[Tuple[str, Tuple[str, ...]], ...]     # (option word, values that meet it)


@dataclass(frozen=True)
class Rule:
    """One rule: the bounds and refused value a number must keep, the simulator's message when
    it does not, and the settings of other options under which it holds (none: always)."""
    message: str
    minimum: Optional[float] = None
    maximum: Optional[float] = None
    refused: Optional[float] = None
    finite: bool = False
    when: Condition = ()
    status: int = 1

    def breaks(self, x: float) -> bool:
        """Whether the number x breaks the rule."""
        return ((self.finite and not math.isfinite(x))
                or (self.refused is not None and x == self.refused)
                or (self.minimum is not None and x < self.minimum)
                or (self.maximum is not None and x > self.maximum))

    def holds_with(self, setting: Callable[[str], Optional[str]]) -> bool:
        """Whether the rule holds with the other options' values (setting(word): the value
        an option has, None when it has no constant one)."""
        for word, wanted in self.when:
            value = setting(word)
            if value is None or not any(meets(value, text) for text in wanted):
                return False
        return True

    def condition_text(self, setting: Callable[[str], Optional[str]]) -> str:
        """'adaptive=1': the settings that make the rule hold."""
        return ", ".join("%s=%s" % (word, setting(word)) for word, _ in self.when)


def meets(value: str, wanted: str) -> bool:
    """Whether an option's value meets one value of a condition ('on' and 'off' for a flag)."""
    if wanted in ("on", "off"):
        try:
            return (float(value) != 0) == (wanted == "on")
        except ValueError:
            return False
    try:
        return float(value) == float(wanted)
    except ValueError:
        return value.lower() == wanted.lower()


def _bound(entry: Mapping[str, Any], key: str, word: str) -> Optional[float]:
    value = entry.get(key)
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise ValueError("a rule of %s has a %s that is not a number" % (word, key))
    return value


def _condition(when: Any, word: str) -> Condition:
    if when is None:
        return ()
    if not isinstance(when, Mapping):
        raise ValueError("a rule of %s has a condition that is not an object" % word)
    found = []
    for other, wanted in when.items():
        values: Sequence[Union[str, int, float]] = wanted if isinstance(wanted, list) else [wanted]
        found.append((str(other), tuple(str(value) for value in values)))
    return tuple(found)


def parse_rule(entry: Mapping[str, Any], word: str) -> Rule:
    """One rule object of --describe."""
    return Rule(message=str(entry.get("message") or "is refused by the simulator"),
                minimum=_bound(entry, "min", word), maximum=_bound(entry, "max", word),
                refused=_bound(entry, "not", word), finite=bool(entry.get("finite")),
                when=_condition(entry.get("when"), word), status=int(entry.get("status", 1)))
