// Failure reporting: one message on standard error, then process exit with a fixed status.
#include "support/fail.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void (*BeforeDiagnostic)() = nullptr;
void (*EndProcessHook)(int status) = nullptr;

void EndProcess(int status) {
  if (EndProcessHook) EndProcessHook(status);
  exit(status);
}

void Fail(int status, const char *format, ...) {
  if (BeforeDiagnostic) BeforeDiagnostic();
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  EndProcess(status);
}
