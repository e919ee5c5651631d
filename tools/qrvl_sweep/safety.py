"""Guards for text that reaches a shell, a job list, a Slurm script or a gnuplot script."""

from typing import Optional

from .errors import StudyError


def control_character(text: str) -> Optional[str]:
    """The first control character in text (C0, DEL or C1), or None."""
    for ch in text:
        code = ord(ch)
        if code < 0x20 or 0x7F <= code < 0xA0:
            return ch
    return None


def check_plain(what: str, text: str) -> str:
    """Refuses text holding a control character: a line break in a job line or a script would
    start a new command."""
    ch = control_character(text)
    if ch is not None:
        raise StudyError("%s %r holds the control character %r; control characters are not "
                         "allowed there" % (what, text, ch))
    return text


def gnuplot_string(text: str) -> str:
    """text as a gnuplot single-quoted string: no escapes are read inside, a quote is doubled."""
    check_plain("the gnuplot text", text)
    return "'%s'" % text.replace("'", "''")
