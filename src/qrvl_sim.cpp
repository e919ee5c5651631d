// QRVL Simulator: Monte Carlo simulation of OFDM-signalled contention with referee feedback.
// One run per process: start up, play the sessions, report.
#include <cstdio>

#include "core/report.h"
#include "core/run_loop.h"
#include "core/startup.h"
#include "core/state.h"
#include "support/stopwatch.h"

int main(int argc, char **argv) {
  StartUp(argc, argv);
  SessionFn session = ChooseSession();
  if (debug > 1) Stopwatch(0);
  int32_t successes = RunLoop(session);
  if (debug > 1) Stopwatch(0);
  Report(successes);
  if (debug > 1) fprintf(stderr, "// simtime %g sec", sw_results[0]);
  return 0;
}
