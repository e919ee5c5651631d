"""What the tool says to its user: the exception for input that cannot be used (with its exit
status), and notes on standard error."""

import sys

from .version import PROG


class StudyError(Exception):
    """A study, a directory, an option or a file the user gave cannot be used.

    Status 2: a refused input, nothing ran; 1: the study cannot go on as asked."""

    def __init__(self, message: str, status: int = 2) -> None:
        super().__init__(message)
        self.status = status


def note(message: str) -> None:
    sys.stderr.write("%s: %s\n" % (PROG, message))
