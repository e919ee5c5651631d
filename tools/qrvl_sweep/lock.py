"""The lock on a study directory: one plan or run at a time, the holder named to the others."""

import fcntl
import os
import socket
import time
from typing import IO, Any, Optional

from .directory import StudyDir
from .errors import StudyError


class StudyLock:
    """Held from entering the with-block until the process leaves it or ends."""

    def __init__(self, directory: StudyDir, what: str) -> None:
        self.path = directory.lock
        self.what = what
        self.handle: Optional[IO[str]] = None

    def __enter__(self) -> "StudyLock":
        try:
            handle = open(self.path, "a+", encoding="utf-8")
        except OSError as error:
            raise StudyError("cannot open the lock %s: %s" % (self.path, error.strerror))
        try:
            fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            handle.seek(0)
            holder = handle.read().strip() or "another process"
            handle.close()
            raise StudyError("the study %s is in use by %s; wait for it to end"
                             % (os.path.dirname(self.path), holder), status=1)
        handle.seek(0)
        handle.truncate()
        handle.write("%s (pid %d on %s, since %s)\n" % (
            self.what, os.getpid(), socket.gethostname(),
            time.strftime("%Y-%m-%d %H:%M:%S %Z")))
        handle.flush()
        self.handle = handle
        return self

    def fileno(self) -> int:
        """The descriptor that holds the lock."""
        if self.handle is None:
            raise ValueError("the lock is not held")
        return self.handle.fileno()

    def __exit__(self, *exc: Any) -> None:
        if self.handle is not None:
            self.handle.seek(0)
            self.handle.truncate()
            self.handle.close()
            self.handle = None


def holder(directory: StudyDir) -> Optional[str]:
    """Who holds the study's lock, or None when nobody does."""
    try:
        with open(directory.lock, encoding="utf-8") as handle:
            try:
                fcntl.flock(handle, fcntl.LOCK_SH | fcntl.LOCK_NB)
            except OSError:
                return handle.read().strip() or "another process"
            fcntl.flock(handle, fcntl.LOCK_UN)
    except OSError:
        pass
    return None
