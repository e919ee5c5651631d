// Failure reporting, and the checked end of standard output.
#include "support/fail.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void (*BeforeDiagnostic)() = nullptr;
void (*EndProcessHook)(int status) = nullptr;

namespace {

bool output_finished = false, output_closed = false;

[[noreturn]] void CouldNotWrite(int reason, const char *before = "", const char *what = "results") {
  Fail(6, "%sError: could not write the %s: %s\n", before, what, strerror(reason ? reason : EIO));
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

void Fail(int status, const char *format, ...) {
  if (!output_finished) fflush(stdout);
  if (BeforeDiagnostic) BeforeDiagnostic();
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  EndProcess(status);
}

// A write that failed earlier leaves the stream's error flag set, and its reason in errno, even
// when the last flush has nothing left to write.
void FinishOutput() {
  if (output_finished) return;
  output_finished = true;
  const bool flushed = fflush(stdout) == 0;
  const int reason = errno;
  if (!flushed || ferror(stdout)) CouldNotWrite(reason);
}

void FinishDiagnosticOutput(const char *what) {
  const bool flushed = fflush(stderr) == 0;
  const int reason = errno;
  if (!flushed || ferror(stderr)) CouldNotWrite(reason, "", what);
}

void CloseOutput(const char *newline_first) {
  if (output_closed) return;
  output_closed = true;
  if (close(fileno(stdout)) != 0 && errno != EINTR) CouldNotWrite(errno, newline_first);
}

void CheckOutputOpen() {
  if (fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    output_finished = output_closed = true;
    CouldNotWrite(errno);
  }
}
