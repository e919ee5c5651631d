// Stop rules and the node-count schedule of the run loop.
#include "app/run_loop.h"

#include "app/interrupt.h"
#include "app/progress.h"
#include "core/state.h"
#include "core/waits.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/centralized.h"

SessionFn ChooseSession() {
  if (adhoc) return SimSessionAdhocRSSI;
  if (centr) return SimSessionCentralizedRSSI;
  return SimSession;
}

namespace {

// Under the time limit and the frame quota, run counts the sessions completed.
RUN_TOTALS RunForTime(SessionFn session) {
  RUN_TOTALS totals{};
  double limit = max_time / 1000.0;
  for (run = 0; t_elapsed < limit && !interrupt_signal; run++) {
    totals.successes += session(refs);
    totals.sessions = run + 1;
    if (ProgressDue()) ProgressShow(t_elapsed / limit, totals.sessions, totals.successes);
  }
  return totals;
}

RUN_TOTALS RunForFrames(SessionFn session) {
  RUN_TOTALS totals{};
  for (run = 0; !over_min_frames && !interrupt_signal;) {
    totals.successes += session(refs);
    totals.sessions = ++run;
    if (ProgressDue()) ProgressShow(MinFramesShare(), totals.sessions, totals.successes);
  }
  return totals;
}

// Under the iteration count, run is the 1-based number of the session under way, and the schedule
// is applied before each session; its entries are taken strictly in order, so an entry whose
// iteration is not above its predecessor's is never reached.
RUN_TOTALS RunForCount(SessionFn session) {
  RUN_TOTALS totals{};
  int32_t cursor = 0;
  for (run = 1; run <= runs && !interrupt_signal; run++) {
    if (cursor < ad_runs.count && ad_runs.at_run[cursor] == run)
      SetActiveNodes(ad_runs.new_nn[cursor++]);
    totals.successes += session(refs);
    totals.sessions = run;
    if (ProgressDue()) ProgressShow(double(run) / runs, totals.sessions, totals.successes);
  }
  return totals;
}

}  // namespace

RUN_TOTALS RunLoop(SessionFn session) {
  ProgressStart();
  RUN_TOTALS totals;
  if (max_time != 0)
    totals = RunForTime(session);
  else if (min_frames != 0)
    totals = RunForFrames(session);
  else
    totals = RunForCount(session);
  ProgressErase();
  return totals;
}
