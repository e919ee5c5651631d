// The program entry's order of work.
#include "app/program.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/describe.h"
#include "app/interrupt.h"
#include "app/run_loop.h"
#include "app/run_notes.h"
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
  // The one simulation of the process.
  const std::unique_ptr<SIM> simulation = std::make_unique<SIM>();
  SIM &S = *simulation;
  StartUp(S, argc, argv);
  SessionFn session = ChooseSession(S);
  CatchInterrupts();
  if (S.debug > 1) fprintf(stderr, "# seed %u\n", S.seed);
  if (S.debug > 1) NoteRandomStreams(S);
  if (S.debug > 1) Stopwatch(S.stopwatches, 0);
  RUN_TOTALS totals = RunLoop(S, session, argc, argv);
  const int stopped_by = interrupt_signal;  // a signal during the report changes nothing
  if (S.debug > 1) Stopwatch(S.stopwatches, 0);
  Report(S, totals.sessions, totals.successes);
  FinishOutput();
  if (stopped_by) fprintf(stderr, "# interrupted after %lld sessions\n", (long long)totals.sessions);
  if (S.debug > 1) NotePsInterval(S, totals);
  if (S.debug > 1) fprintf(stderr, "// simtime %g sec", S.stopwatches.results[0]);
  fflush(stderr);
  CloseOutput(S.debug > 1 ? "\n" : "");
  return stopped_by ? 128 + stopped_by : 0;
}
