// The program entry's order of work.
#include "app/program.h"

#include <cstdio>
#include <cstring>

#include "app/describe.h"
#include "app/interrupt.h"
#include "app/run_loop.h"
#include "app/startup.h"
#include "app/version.h"
#include "config/options.h"
#include "core/report.h"
#include "core/state.h"
#include "support/fail.h"
#include "support/stopwatch.h"

namespace {

bool WordGiven(int argc, char **argv, const char *word) {
  for (int i = 1; i < argc; i++)
    if (strcmp(argv[i], word) == 0) return true;
  return false;
}

// The requests that need no run. A help word wins over the others, as it does over options.
void AnswerRequests(int argc, char **argv) {
  if (HelpRequested(argc, argv)) return;
  if (WordGiven(argc, argv, "--version")) PrintVersion();
  if (WordGiven(argc, argv, "--describe")) PrintDescription();
}

}  // namespace

int RunProgram(int argc, char **argv) {
  CheckOutputOpen();
  AnswerRequests(argc, argv);
  StartUp(argc, argv);
  SessionFn session = ChooseSession();
  CatchInterrupts();
  if (debug > 1) fprintf(stderr, "# seed %u\n", seed);
  if (debug > 1) Stopwatch(0);
  RUN_TOTALS totals = RunLoop(session);
  const int stopped_by = interrupt_signal;  // a signal during the report changes nothing
  if (debug > 1) Stopwatch(0);
  Report(totals.sessions, totals.successes);
  FinishOutput();
  if (stopped_by) fprintf(stderr, "# interrupted after %lld sessions\n", (long long)totals.sessions);
  if (debug > 1) fprintf(stderr, "// simtime %g sec", sw_results[0]);
  fflush(stderr);
  CloseOutput(debug > 1 ? "\n" : "");
  return stopped_by ? 128 + stopped_by : 0;
}
