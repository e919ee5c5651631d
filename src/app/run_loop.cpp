// Stop rules and the node-count schedule of the run loop.
#include "app/run_loop.h"

#include "app/interrupt.h"
#include "app/progress.h"
#include "core/state.h"
#include "core/waits.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/basic_windowed.h"
#include "sessions/centralized.h"

SessionFn ChooseSession(const SIM &S) {
  if (S.adhoc) return SimSessionAdhocRSSI;
  if (S.centr) return SimSessionCentralizedRSSI;
  return S.session_paths.windowed_session ? SimSessionWindowed : SimSession;
}

namespace {

// Under the time limit and the frame quota, run counts the sessions completed.
RUN_TOTALS RunForTime(SIM &S, SessionFn session) {
  RUN_TOTALS totals{};
  double limit = S.max_time / 1000.0;
  for (S.run = 0; S.t_elapsed < limit && !interrupt_signal; S.run++) {
    totals.successes += session(S, S.refs);
    totals.sessions = S.run + 1;
    if (ProgressDue(S.progress_line))
      ProgressShow(S, S.t_elapsed / limit, totals.sessions, totals.successes);
  }
  return totals;
}

RUN_TOTALS RunForFrames(SIM &S, SessionFn session) {
  RUN_TOTALS totals{};
  for (S.run = 0; !S.over_min_frames && !interrupt_signal;) {
    totals.successes += session(S, S.refs);
    totals.sessions = ++S.run;
    if (ProgressDue(S.progress_line))
      ProgressShow(S, MinFramesShare(S), totals.sessions, totals.successes);
  }
  return totals;
}

// Under the iteration count, run is the 1-based number of the session under way, and the schedule
// is applied before each session; its entries are taken strictly in order, so an entry whose
// iteration is not above its predecessor's is never reached.
RUN_TOTALS RunForCount(SIM &S, SessionFn session) {
  RUN_TOTALS totals{};
  int32_t cursor = 0;
  const ADRUNS &schedule = S.ad_runs;
  for (S.run = 1; S.run <= S.runs && !interrupt_signal; S.run++) {
    if (cursor < schedule.count && schedule.at_run[cursor] == S.run)
      SetActiveNodes(S, schedule.new_nn[cursor++]);
    totals.successes += session(S, S.refs);
    totals.sessions = S.run;
    if (ProgressDue(S.progress_line))
      ProgressShow(S, double(S.run) / S.runs, totals.sessions, totals.successes);
  }
  return totals;
}

}  // namespace

RUN_TOTALS RunLoop(SIM &S, SessionFn session) {
  ProgressStart(S);
  RUN_TOTALS totals;
  if (S.max_time != 0)
    totals = RunForTime(S, session);
  else if (S.min_frames != 0)
    totals = RunForFrames(S, session);
  else
    totals = RunForCount(S, session);
  ProgressErase(S.progress_line);
  return totals;
}
