// What the fuzz targets share: an orderly end of the process (help, refusals, the dump) returns to
// the harness with its status, and the simulator's own output goes nowhere unless
// QRVL_FUZZ_VERBOSE is set.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "support/fail.h"

inline jmp_buf endOfProcess;
inline int endStatus;

// Every orderly end of the process comes back to the harness (see support/fail.h).
void EndProcessHook(int status) {
  endStatus = status;
  longjmp(endOfProcess, 1);
}

inline void SilenceTheSimulator() {
  if (getenv("QRVL_FUZZ_VERBOSE")) return;
  FILE *sink = fopen("/dev/null", "w");
  if (!sink) abort();
  stdout = sink;
  stderr = sink;
}
