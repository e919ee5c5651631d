"""Checking one option value against its kind and the rules --describe gives, and writing it in
its one canonical form.

The simulator reads integers like C's atol and reals like atof: `1e5` is read as 1 and `7x` as 7,
silently. A value is therefore accepted only when the simulator reads exactly what was written;
otherwise the message says what it would have become. Values naming the same number have the same
canonical text, so they make one point and one seed. Rules that hold only with other options'
values are checked on the whole study (conditions.py)."""

import math
import re
from typing import Callable, Dict, Optional, Union

from .describe import Option
from .errors import StudyError
from .safety import control_character
from .suggest import nearest

INT32 = (-2 ** 31, 2 ** 31 - 1)
INTEGER_TEXT = re.compile(r"[-+]?\d+\Z")
REAL_TEXT = re.compile(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?\Z")
ATOL_PREFIX = re.compile(r"\s*([-+]?\d*)")
ATOF_PREFIX = re.compile(r"\s*([-+]?(?:(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?|inf(?:inity)?|nan))",
                         re.IGNORECASE)


def atol_reading(text: str) -> int:
    """The integer C's atol makes of text (digits after an optional sign; 0 without any)."""
    match = ATOL_PREFIX.match(text)
    digits = match.group(1)[:40] if match else ""
    return int(digits) if digits.lstrip("+-") else 0


def atof_reading(text: str) -> float:
    """The real C's atof makes of text (its longest number prefix; 0 without any)."""
    match = ATOF_PREFIX.match(text)
    return float(match.group(1)) if match else 0.0


def real_text(x: float) -> str:
    """The canonical text of a real: the shortest that reads back as the same double."""
    text = repr(x + 0.0)
    return text[:-2] if text.endswith(".0") else text


def _would(option: Option, reading: Union[int, str]) -> str:
    """What a misread value would make the simulator do."""
    if option.word == "runs":
        return "would run %s session%s" % (reading, "" if reading == 1 else "s")
    return "would run with %s=%s" % (option.word, reading)


def _whole(text: str) -> Optional[int]:
    """The whole number text names in another notation (1e5, 2.0), or None."""
    if not REAL_TEXT.match(text):
        return None
    x = float(text)
    return int(x) if math.isfinite(x) and x == int(x) else None


def _as_integer(option: Option, text: str) -> int:
    if INTEGER_TEXT.match(text):
        if len(text.lstrip("+-0")) > 30:      # far beyond any bound; not converted digit by digit
            return -10 ** 31 if text.startswith("-") else 10 ** 31
        return int(text)
    reading = atol_reading(text)
    whole = _whole(text)
    advice = "write %d" % whole if whole is not None else "write a whole decimal number"
    raise ValueError("not a whole decimal number: the simulator would read it as %d and %s; %s"
                     % (reading, _would(option, reading), advice))


def _as_real(option: Option, text: str) -> float:
    if REAL_TEXT.match(text):
        x = float(text)
        if math.isfinite(x):
            return x
        raise ValueError("not a finite number (the simulator would read it as %s)" % x)
    reading = atof_reading(text)
    if math.isfinite(reading):
        raise ValueError("not a decimal number: the simulator would read it as %s and %s; "
                         "write a finite decimal number" % (real_text(reading),
                                                            _would(option, real_text(reading))))
    raise ValueError("not a finite decimal number")


def check_number(option: Option, x: float) -> None:
    """Refuses a number that breaks a rule of the option that always holds, or its bounds."""
    for rule in option.rules:
        if not rule.when and rule.breaks(x):
            raise ValueError(rule.message)
    if option.minimum is not None and x < option.minimum:
        raise ValueError("must be at least %s" % real_text(float(option.minimum)))
    if option.maximum is not None and x > option.maximum:
        raise ValueError("must be at most %s" % real_text(float(option.maximum)))


def _integer(option: Option, text: str) -> str:
    value = _as_integer(option, text)
    check_number(option, value)
    if (option.maximum is None and value > INT32[1]) or (option.minimum is None and
                                                         value < INT32[0]):
        raise ValueError("must be an integer from %d to %d" % INT32)
    return str(value)


def _real(option: Option, text: str) -> str:
    value = _as_real(option, text)
    check_number(option, value)
    return real_text(value)


def _flag(option: Option, text: str) -> str:
    if INTEGER_TEXT.match(text) and int(text) in (0, 1):
        return str(int(text))
    raise ValueError("a flag takes 0 or 1")


def _keyword(option: Option, text: str) -> str:
    for value in option.values:
        if value.lower() == text.lower():
            return value
    raise ValueError("not one of %s%s" % (", ".join(option.values), nearest(
        text, option.values, " (did you mean %s?)")))


def _list(option: Option, text: str) -> str:
    elements = text.split(",")
    if any(not element.strip() for element in elements):
        raise ValueError("an empty element (the simulator would read it as 0)")
    checker = _integer if option.element == "integer" else _real
    return ",".join(checker(option, element.strip()) for element in elements)


def _text(option: Option, text: str) -> str:
    if not text:
        raise ValueError("empty")
    return text


CHECKERS: Dict[str, Callable[[Option, str], str]] = {
    "integer": _integer, "real": _real, "flag": _flag, "keyword": _keyword, "list": _list,
    "text": _text, "file": _text}


def canonical(option: Option, text: str, where: str) -> str:
    """The canonical text of a value of option, or StudyError naming the option, the value and
    what is wrong."""
    ch = control_character(text)
    shown = "%s=%r" % (option.word, text) if ch is not None else "%s=%s" % (option.word, text)
    try:
        if ch is not None:
            raise ValueError("holds the control character %r" % ch)
        return CHECKERS[option.kind](option, text.strip())
    except ValueError as error:
        raise StudyError("%s: %s: %s" % (where, shown, error))
