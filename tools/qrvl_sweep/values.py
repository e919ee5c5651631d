"""Checking one option value against its kind and rules as --describe gives them, and writing it
in its one canonical form.

The simulator reads integers like C's atol and reals like atof: `1e5` is read as 1 and `7x` as 7,
silently. A value is therefore accepted only when the simulator reads exactly what was written;
otherwise the message says what it would have become. Values naming the same number have the same
canonical text, so they make one point and one seed."""

import math
import re

from .errors import StudyError
from .safety import control_character
from .suggest import nearest

INT32 = (-2 ** 31, 2 ** 31 - 1)
INTEGER_TEXT = re.compile(r"[-+]?\d+\Z")
REAL_TEXT = re.compile(r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?\Z")
ATOL_PREFIX = re.compile(r"\s*([-+]?\d*)")
ATOF_PREFIX = re.compile(r"\s*([-+]?(?:(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?|inf(?:inity)?|nan))",
                         re.IGNORECASE)
CONDITION = re.compile(r"(.+) when (\S+) is on\Z")


def atol_reading(text):
    """The integer C's atol makes of text (digits after an optional sign; 0 without any)."""
    digits = ATOL_PREFIX.match(text).group(1)[:40]
    return int(digits) if digits.lstrip("+-") else 0


def atof_reading(text):
    """The real C's atof makes of text (its longest number prefix; 0 without any)."""
    match = ATOF_PREFIX.match(text)
    return float(match.group(1)) if match else 0.0


def real_text(x):
    """The canonical text of a real: the shortest that reads back as the same double."""
    text = repr(x + 0.0)
    return text[:-2] if text.endswith(".0") else text


def _would(option, reading):
    """What a misread value would make the simulator do."""
    if option.word == "runs":
        return "would run %s session%s" % (reading, "" if reading == 1 else "s")
    return "would run with %s=%s" % (option.word, reading)


def _whole(text):
    """The whole number text names in another notation (1e5, 2.0), or None."""
    if not REAL_TEXT.match(text):
        return None
    x = float(text)
    return int(x) if math.isfinite(x) and x == int(x) else None


def _as_integer(option, text):
    if INTEGER_TEXT.match(text):
        if len(text.lstrip("+-0")) > 30:
            raise ValueError("does not fit in 32 bits (%d to %d)" % INT32)
        return int(text)
    reading = atol_reading(text)
    whole = _whole(text)
    advice = "write %d" % whole if whole is not None else "write a whole decimal number"
    raise ValueError("not a whole decimal number: the simulator would read it as %d and %s; %s"
                     % (reading, _would(option, reading), advice))


def _as_real(option, text):
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


def _power_is_finite(dbm):
    try:
        power = 10.0 ** (dbm / 10.0 + 3.0)
    except OverflowError:
        return False
    return 0.0 < power < math.inf


RULES = {
    "not zero": (lambda x: x != 0, "must not be 0"),
    "not negative": (lambda x: x >= 0, "must not be negative"),
    "at least 1": (lambda x: x >= 1, "must be at least 1"),
    "in [0, 1]": (lambda x: 0 <= x <= 1, "must lie in [0, 1]"),
    "finite": (math.isfinite, "must be finite"),
    "positive finite power": (_power_is_finite, "is a power in dBm whose milliwatts are not a "
                              "positive finite number"),
    "0 to 4294967295": (lambda x: 0 <= x <= 4294967295, "must lie in 0 to 4294967295"),
}


def _check_number(option, x):
    for rule in option.rules:
        if rule in RULES and not RULES[rule][0](x):
            raise ValueError(RULES[rule][1])
    if option.minimum is not None and x < option.minimum:
        raise ValueError("must be at least %s" % real_text(float(option.minimum)))
    if option.maximum is not None and x > option.maximum:
        raise ValueError("must be at most %s" % real_text(float(option.maximum)))


def _integer(option, text):
    value = _as_integer(option, text)
    if (option.maximum is None and value > INT32[1]) or (option.minimum is None and
                                                         value < INT32[0]):
        raise ValueError("does not fit in 32 bits (%d to %d)" % INT32)
    _check_number(option, value)
    return str(value)


def _real(option, text):
    value = _as_real(option, text)
    _check_number(option, value)
    return real_text(value)


def _flag(option, text):
    if INTEGER_TEXT.match(text) and int(text) in (0, 1):
        return str(int(text))
    raise ValueError("a flag takes 0 or 1")


def _keyword(option, text):
    for value in option.values:
        if value.lower() == text.lower():
            return value
    raise ValueError("not one of %s%s" % (", ".join(option.values), nearest(
        text, option.values, " (did you mean %s?)")))


def _list(option, text):
    elements = text.split(",")
    if any(not element.strip() for element in elements):
        raise ValueError("an empty element (the simulator would read it as 0)")
    checker = _integer if option.element == "integer" else _real
    return ",".join(checker(option, element.strip()) for element in elements)


def _text(option, text):
    if not text:
        raise ValueError("empty")
    return text


CHECKERS = {"integer": _integer, "real": _real, "flag": _flag, "keyword": _keyword,
            "list": _list, "text": _text, "file": _text}


def canonical(option, text, where):
    """The canonical text of a value of option, or StudyError naming the option, the value and
    what was expected."""
    try:
        if control_character(text) is not None:
            raise ValueError("holds the control character %r" % control_character(text))
        return CHECKERS[option.kind](option, text.strip())
    except ValueError as error:
        raise StudyError("%s: %s=%r: %s" % (where, option.word, text, error)
                     if control_character(text) else
                     "%s: %s=%s: %s" % (where, option.word, text, error))


def conditional_rules(option):
    """(rule, option that switches it on) of the rules that hold only when another option is 1."""
    found = []
    for rule in option.rules:
        match = CONDITION.match(rule)
        if match and match.group(1) in RULES:
            found.append((match.group(1), match.group(2)))
    return found


def breaks_rule(rule, text):
    """Whether a canonical numeric value breaks a rule."""
    return not RULES[rule][0](float(text))
