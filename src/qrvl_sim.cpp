// QRVL Simulator: Monte Carlo simulation of OFDM-signalled contention with referee feedback.
// One run per process: read the options, seed the generators, set up, play the sessions, report.
#include <cstdio>

#include "config/options.h"
#include "config/setup.h"
#include "core/report.h"
#include "core/run_loop.h"
#include "core/state.h"
#include "support/seeding.h"
#include "support/stopwatch.h"

int main(int argc, char **argv) {
  ParseMainArgs(argc, argv);
  SeedGenerators();
  InitSimVars();
  SessionFn session = ChooseSession();
  if (debug > 1) Stopwatch(0);
  int32_t successes = RunLoop(session);
  if (debug > 1) Stopwatch(0);
  Report(successes);
  if (debug > 1) fprintf(stderr, "// simtime %g sec", sw_results[0]);
  return 0;
}
