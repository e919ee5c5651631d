"""Reading a run's summary line, the one proof that a run is done.

The line has the simulator's summary columns, then (unless debug is negative) ns values each of
pt, tau and pn. With debug 1 and above it follows the header line; whatever the debug level, it is
the one line of exactly that width (the per-node, rounds and waiting-time tables are narrower).
A run is done only when that line is whole (it ends with a line end) and every value on it is a
finite number: a cut line or a nan or inf is a failed run."""

import math
from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple


@dataclass(frozen=True)
class Layout:
    """What a run's summary line looks like: its columns and the run's debug level."""
    columns: Tuple[str, ...]
    debug: int

    @property
    def header(self) -> str:
        return ", ".join(self.columns)

    def width(self, ns: int) -> int:
        return len(self.columns) + (3 * ns if self.debug >= 0 else 0)


def _numbers(line: str) -> Optional[List[float]]:
    try:
        return [float(field) for field in line.split(",")]
    except ValueError:
        return None


def _summary_width(layout: Layout, values: Optional[List[float]]
                   ) -> Optional[int]:
    """The width a line of these values must have, from its own ns column; None if it has none."""
    if values is None or len(values) < len(layout.columns):
        return None
    ns = values[layout.columns.index("ns")] if "ns" in layout.columns else 0
    if not math.isfinite(ns) or ns != int(ns) or ns < 0:
        return None
    return layout.width(int(ns))


def read_summary(text: str, layout: Layout) -> Dict[str, float]:
    """The summary values of an output by column name; ValueError says what is wrong."""
    lines = [line.rstrip("\r") for line in text.split("\n")]
    headers = [i for i, line in enumerate(lines) if line.startswith(layout.header)]
    if len(headers) > 1:
        raise ValueError("%d summary headers" % len(headers))
    found: List[Tuple[int, List[float]]] = []
    for index, line in enumerate(lines):
        if index in headers or line.count(",") + 1 < len(layout.columns):
            continue
        values = _numbers(line)
        if values is not None and len(values) == _summary_width(layout, values):
            found.append((index, values))
    if headers and not any(index == headers[0] + 1 for index, _ in found):
        raise ValueError("no summary line of the expected width after the header")
    if not found:
        raise ValueError("no summary line (%d columns%s)" % (
            len(layout.columns), ", then 3 x ns per-round values" if layout.debug >= 0 else ""))
    if len(found) > 1:
        raise ValueError("%d lines that look like summary lines" % len(found))
    index, values = found[0]
    if index == len(lines) - 1:
        raise ValueError("the summary line has no line end (its last bytes are lost)")
    summary = dict(zip(layout.columns, values))
    broken = [name for name, value in summary.items() if not math.isfinite(value)]
    if broken or not all(math.isfinite(value) for value in values):
        raise ValueError("figures that are not finite numbers (%s)" % ", ".join(
            "%s=%s" % (name, summary[name]) for name in broken[:4]) if broken
            else "per-round values that are not finite numbers")
    return summary


def read_output(path: str, layout: Layout
                ) -> Tuple[Optional[Dict[str, float]], Optional[str]]:
    """(summary, None) for a done run's output, else (None, why it is not done)."""
    try:
        with open(path, "rb") as handle:
            text = handle.read().decode("utf-8", "replace")
    except FileNotFoundError:
        return None, "missing"
    except OSError as error:
        return None, "unreadable (%s)" % error.strerror
    try:
        return read_summary(text, layout), None
    except ValueError as error:
        return None, "malformed: %s" % error if text.strip() else "empty"
