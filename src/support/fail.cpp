// Failure reporting: one message on standard error, then process exit with a fixed status.
#include "support/fail.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void (*BeforeDiagnostic)() = nullptr;

void Fail(int status, const char *format, ...) {
  if (BeforeDiagnostic) BeforeDiagnostic();
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  exit(status);
}
