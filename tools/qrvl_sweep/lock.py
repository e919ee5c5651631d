"""The lock on a study directory: one plan or run at a time, the holder named to the others."""

import fcntl
import os
import socket
import time

from .errors import StudyError


class StudyLock:
    """Held from entering the with-block until the process leaves it or ends."""

    def __init__(self, directory, what):
        self.path = directory.lock
        self.what = what
        self.handle = None

    def __enter__(self):
        try:
            self.handle = open(self.path, "a+", encoding="utf-8")
        except OSError as error:
            raise StudyError("cannot open the lock %s: %s" % (self.path, error.strerror))
        try:
            fcntl.flock(self.handle, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            self.handle.seek(0)
            holder = self.handle.read().strip() or "another process"
            self.handle.close()
            raise StudyError("the study %s is in use by %s; wait for it to end"
                             % (os.path.dirname(self.path), holder), status=1)
        self.handle.seek(0)
        self.handle.truncate()
        self.handle.write("%s (pid %d on %s, since %s)\n" % (
            self.what, os.getpid(), socket.gethostname(),
            time.strftime("%Y-%m-%d %H:%M:%S %Z")))
        self.handle.flush()
        return self

    def __exit__(self, *exc):
        self.handle.seek(0)
        self.handle.truncate()
        self.handle.close()
        return False


def holder(directory):
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
