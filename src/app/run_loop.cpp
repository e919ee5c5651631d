// Stop rules and the node-count schedule of the run loop, over sessions played in this thread or
// booked from worker threads.
#include "app/run_loop.h"

#include <memory>

#include "app/interrupt.h"
#include "app/progress.h"
#include "app/worker_pool.h"
#include "core/state.h"
#include "core/waits.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/basic_windowed.h"
#include "sessions/centralized.h"

SessionFn ChooseSession(const SIM &S) {
  if (S.adhoc) return SimSessionAdhocRSSI;
  if (S.centr) return SimSessionCentralizedRSSI;
  return S.session_paths.windowed_session ? WindowedSessionFor(S) : SimSession;
}

namespace {

// Sessions played here: the session of index (from 0) with its keyed draws.
struct PLAYED {
  SessionFn session;
  int32_t operator()(SIM &S, int64_t index) const {
    S.keyed.session = uint64_t(index);
    return session(S, S.refs);
  }
};

// Sessions played by worker threads and booked here in order; -1 when interrupted first.
struct BOOKED {
  WORKER_POOL &pool;
  int32_t operator()(SIM &S, int64_t index) const { return pool.Book(S, index); }
};

void CountSession(bool adaptive, int64_t &successes, BATCH_MEANS &batches, int32_t won) {
  successes += won;
  if (adaptive) AddToBatches(batches, won);
}

// Under the time limit and the frame quota, run counts the sessions completed.
template <class Sessions>
RUN_TOTALS RunForTime(SIM &S, Sessions next) {
  RUN_TOTALS totals{};
  double limit = S.max_time / 1000.0;
  for (S.run = 0; S.t_elapsed < limit && !interrupt_signal; S.run++) {
    const int32_t won = next(S, S.run);
    if (won < 0) break;
    CountSession(S.adaptive != 0, totals.successes, totals.batches, won);
    totals.sessions = S.run + 1;
    if (ProgressDue(S.progress_line))
      ProgressShow(S, S.t_elapsed / limit, totals.sessions, totals.successes);
  }
  return totals;
}

template <class Sessions>
RUN_TOTALS RunForFrames(SIM &S, Sessions next) {
  RUN_TOTALS totals{};
  for (S.run = 0; !S.over_min_frames && !interrupt_signal;) {
    const int32_t won = next(S, S.run);
    if (won < 0) break;
    CountSession(S.adaptive != 0, totals.successes, totals.batches, won);
    totals.sessions = ++S.run;
    if (ProgressDue(S.progress_line))
      ProgressShow(S, MinFramesShare(S), totals.sessions, totals.successes);
  }
  return totals;
}

// The iteration of the schedule's entry at cursor; 0, which no session has, past the last.
int64_t ScheduledRun(const ADRUNS &schedule, int32_t cursor) {
  return cursor < schedule.count ? schedule.at_run[cursor] : 0;
}

// Under the iteration count, run is the 1-based number of the session under way, and the schedule
// is applied before each session; its entries are taken strictly in order, so an entry whose
// iteration is not above its predecessor's is never reached. What the loop reads every session
// is held in locals (the sessions change none of it), and whether the run is adaptive is fixed
// for the loop. Out of line, so that the counters keep their registers.
template <bool adaptive, class Sessions>
[[gnu::noinline]] RUN_TOTALS RunCounted(SIM &S, Sessions next) {
  RUN_TOTALS totals{};
  const ADRUNS schedule = S.ad_runs;
  const int64_t runs = S.runs;
  int32_t cursor = 0;
  int64_t change_at = ScheduledRun(schedule, cursor);
  int64_t run = 1, successes = 0;
  for (; run <= runs && !interrupt_signal; run++) {
    S.run = run;
    if (run == change_at) {
      SetActiveNodes(S, schedule.new_nn[cursor++]);
      change_at = ScheduledRun(schedule, cursor);
    }
    const int32_t won = next(S, run - 1);
    if (won < 0) break;
    CountSession(adaptive, successes, totals.batches, won);
    if (ProgressDue(S.progress_line)) ProgressShow(S, double(run) / runs, run, successes);
  }
  S.run = run;
  totals.sessions = run - 1;  // the sessions completed before the loop ended
  totals.successes = successes;
  return totals;
}

template <class Sessions>
RUN_TOTALS RunForCount(SIM &S, Sessions next) {
  return S.adaptive ? RunCounted<true>(S, next) : RunCounted<false>(S, next);
}

template <class Sessions>
RUN_TOTALS RunByStopRule(SIM &S, Sessions next) {
  if (S.max_time != 0) return RunForTime(S, next);
  if (S.min_frames != 0) return RunForFrames(S, next);
  return RunForCount(S, next);
}

}  // namespace

RUN_TOTALS RunLoop(SIM &S, SessionFn session, int argc, char **argv) {
  ProgressStart(S);
  RUN_TOTALS totals;
  if (S.threads > 1) {
    const bool counted = S.max_time == 0 && S.min_frames == 0;
    WORKER_POOL pool(S, session, argc, argv, S.threads, counted ? (S.runs > 0 ? S.runs : 0) : -1);
    totals = RunByStopRule(S, BOOKED{pool});
  } else {
    totals = RunByStopRule(S, PLAYED{session});
  }
  ProgressErase(S.progress_line);
  return totals;
}
