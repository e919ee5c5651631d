"""The values of a swept option: comma-separated values and inclusive ranges start:stop[:step]
(values separated by '|' for lists and texts, which hold commas themselves), each checked and in
canonical form, values naming the same number kept once."""

import decimal
import re
from typing import Dict, List

from .describe import Option
from .errors import StudyError
from .safety import check_plain
from .values import canonical, real_text

NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?"
RANGE = re.compile(r"(%s):(%s)(?::(%s))?\Z" % (NUMBER, NUMBER, NUMBER))


def range_values(option: Option, match: "re.Match[str]", where: str, limit: int) -> List[str]:
    """The values of a range (matched by RANGE) of a numeric option, exactly in decimal
    arithmetic."""
    text = match.group(0)
    start, stop, step = (decimal.Decimal(t) for t in match.groups("1"))
    context = decimal.Context(prec=60, Emax=decimal.MAX_EMAX, Emin=decimal.MIN_EMIN,
                              traps=[decimal.InvalidOperation, decimal.DivisionByZero])
    if step == 0:
        raise StudyError("%s: the range %s of %s has a step of 0" % (where, text, option.word))
    steps = context.divide(context.subtract(stop, start), step)
    if steps < 0:
        raise StudyError("%s: the range %s of %s is empty (start %s, stop %s, step %s)"
                         % (where, text, option.word, start, stop, step))
    if steps >= limit:
        raise StudyError("%s: the range %s of %s has more values than the %d runs a study may "
                         "have (--max-runs)" % (where, text, option.word, limit))
    count = int(context.divide_int(context.subtract(stop, start), step)) + 1
    values = (context.fma(k, step, start) for k in range(count))
    if option.kind == "integer":
        if start != start.to_integral_value() or step != step.to_integral_value():
            first = next(v for v in values if v != v.to_integral_value())
            raise StudyError("%s: the range %s plans %s=%s, and %s takes whole numbers"
                             % (where, text, option.word, real_text(float(first)), option.word))
        return [str(int(v)) for v in values]
    return [real_text(float(v)) for v in values]


def expand_sweep(option: Option, text: str, where: str, limit: int) -> List[str]:
    """The distinct canonical values of a sweep of option, in the order given."""
    check_plain("the sweep of %s" % option.word, text)
    items = [item.strip() for item in text.split(option.separator)]
    if not any(items):
        raise StudyError("%s: the sweep of %s has no values" % (where, option.word))
    values: Dict[str, None] = {}
    for item in items:
        if not item:
            raise StudyError("%s: the sweep of %s has an empty value in '%s'"
                             % (where, option.word, text))
        ranged = RANGE.match(item) if option.kind in ("integer", "real") else None
        if ranged:
            expanded = range_values(option, ranged, where, limit)
        else:
            expanded = [item]
        for value in expanded:
            values.setdefault(canonical(option, value, where), None)
        if len(values) > limit:
            raise StudyError("%s: the sweep of %s has more than %d values" % (where, option.word,
                                                                              limit))
    return list(values)
