// Stop rules and the node-count schedule of the run loop.
#include "core/run_loop.h"

#include "core/progress.h"
#include "core/state.h"
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
int32_t RunForTime(SessionFn session) {
  uint32_t successes = 0;
  double limit = max_time / 1000.0;
  for (run = 0; t_elapsed < limit; run = int32_t(uint32_t(run) + 1)) {
    successes += uint32_t(session(refs));
    if (ProgressDue()) ProgressShow(t_elapsed / limit);
  }
  runs = run;
  return int32_t(successes);
}

int32_t RunForFrames(SessionFn session) {
  uint32_t successes = 0;
  for (run = 0; !over_min_frames;) {
    successes += uint32_t(session(refs));
    run = int32_t(uint32_t(run) + 1);
    if (ProgressDue()) ProgressShow(MinFramesShare());
  }
  runs = run;
  return int32_t(successes);
}

// Under the iteration count, run is the 1-based number of the session under way, and the schedule
// is applied before each session; its entries are taken strictly in order, so an entry whose
// iteration is not above its predecessor's is never reached.
int32_t RunForCount(SessionFn session) {
  uint32_t successes = 0;
  int32_t cursor = 0;
  for (int64_t i = 1; i <= runs; i++) {
    run = int32_t(i);
    if (cursor < ad_runs.count && ad_runs.at_run[cursor] == run) nn = ad_runs.new_nn[cursor++];
    successes += uint32_t(session(refs));
    if (ProgressDue()) ProgressShow(double(i) / runs);
  }
  return int32_t(successes);
}

}  // namespace

int32_t RunLoop(SessionFn session) {
  ProgressStart();
  int32_t successes;
  if (max_time != 0)
    successes = RunForTime(session);
  else if (min_frames != 0)
    successes = RunForFrames(session);
  else
    successes = RunForCount(session);
  ProgressErase();
  return successes;
}
