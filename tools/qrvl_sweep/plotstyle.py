"""How figures look: axis labels with units, the ranges probabilities keep, and line styles that
stay apart beyond eight lines (colour, then dash pattern, then point type)."""

from typing import Optional

UNITS = {
    "D": "s", "D_an": "s", "D_net": "s", "runtime": "s", "ts": "s", "sifs": "s", "difs": "s",
    "T": "bit/s", "T_app": "bit/s", "B": "bit/s", "DATA": "bit", "APP": "bit",
    "pps": "1/s", "pps_node": "1/s", "max_time": "ms", "nn_succ_percentage": "%",
    "rssi_min": "dBm", "rssi_max": "dBm", "rssi_avg": "dBm", "rssi_thresh": "dBm",
}
# Figures that are probabilities or shares: their axis stays within [0, 1].
PROBABILITIES = frozenset(("Ps", "Pc", "S", "Ps_node", "Pc_node", "S_node", "fsf_prob",
                           "fsf_tau"))
# The colour-blind-safe palette of Okabe and Ito, ordered so that neighbouring lines differ most
# (blue, vermilion, black, bluish green, reddish purple, orange, sky blue, grey); each line also
# has a point shape of its own: filled circle, square, triangle, diamond, inverted triangle,
# then the same shapes open.
COLORS = ("#0072b2", "#d55e00", "#000000", "#009e73", "#cc79a7", "#e69f00", "#56b4e9",
          "#999999")
DASHES = 5
POINT_TYPES = (7, 5, 9, 13, 11, 6, 4, 8, 12, 10)


def axis_label(name: str, vs: Optional[str] = None) -> str:
    """'D [s]'; for paired differences 'Ps - Ps at fsf_fbk=class'."""
    unit = UNITS.get(name)
    text = "%s - %s at %s" % (name, name, vs) if vs else name
    return "%s [%s]" % (text, unit) if unit else text


def y_range(figure: str, difference: Optional[str]) -> Optional[str]:
    """A gnuplot range that bounds autoscaling: [0, 1] for probabilities, [-1, 1] for their
    differences; None for other figures."""
    if figure not in PROBABILITIES:
        return None
    return "[-1<*:*<1]" if difference else "[0<*:*<1]"


def line_style(index: int) -> str:
    """The style of line index: eight colours, then the colours again with another dash
    pattern; the point type changes on a cycle of its own."""
    return "lc rgb '%s' dt %d pt %d ps 1" % (COLORS[index % len(COLORS)],
                                            index // len(COLORS) % DASHES + 1,
                                            POINT_TYPES[index % len(POINT_TYPES)])
