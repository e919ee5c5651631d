// Failure reporting, and the checked end of standard output.
#include "support/fail.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void CouldNotWrite(int reason, const char *before = "",
                                const char *what = "results") {
  Fail(6, "%sError: could not write the %s: %s\n", before, what, strerror(reason ? reason : EIO));
}

// A write that failed earlier leaves the stream's error flag set, and its reason in errno, even
// when the last flush has nothing left to write.
void FinishStream(FILE *stream, const char *what) {
  const bool flushed = fflush(stream) == 0;
  const int reason = errno;
  if (!flushed || ferror(stream)) CouldNotWrite(reason, "", what);
}

}  // namespace

void EndProcess(int status) {
  if (EndProcessHook) EndProcessHook(status);
  if (status == 0) {
    FinishOutput();
    CloseOutput();
  }
  exit(status);
}

// A second flush of results already flushed writes nothing; one that fails again changes nothing.
void Fail(int status, const char *format, ...) {
  fflush(stdout);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  EndProcess(status);
}

void FinishOutput() { FinishStream(stdout, "results"); }

void FinishDiagnosticOutput(const char *what) { FinishStream(stderr, what); }

void CloseOutput(const char *newline_first) {
  if (close(fileno(stdout)) != 0 && errno != EINTR) CouldNotWrite(errno, newline_first);
}

void CheckOutputOpen() {
  if (fcntl(STDOUT_FILENO, F_GETFD) == -1) CouldNotWrite(errno);
}
