// The parts of a session's ending that few runs need: the adaptive estimate, the waiting-time
// histogram, the frame quota, the times since success added node by node, long sums, overflows.
#include "sessions/endings.h"

#include "adapt/estimator.h"
#include "support/add_to_each.h"
#include "support/fail.h"

namespace {

// Every active node has min_frames successes.
int32_t QuotaMet(const SIM &S) {
  for (int32_t i = 0; i < S.nn; i++)
    if (S.nodes[i].successes < S.min_frames) return 0;
  return 1;
}

}  // namespace

void HistogramOverflow(SIM &S, const char *name, int64_t index, int32_t size) {
  ProgressErase(S.progress_line);
  Fail(4, "Error: Index out of range for \"%s\" (%ld/%ld). Preallocate more memory. Aborting ...",
       name, long(index), long(size));
}

void BookSuccessExtras(SIM &S, const NODE *winner) {
  // Sessions since the winner's previous success, this one included; the winner contended, so it
  // is active and its counts are relative to the run's.
  const int64_t waited =
      winner->wait_succ + S.won_sessions + winner->wait_coll + S.unwon_sessions + 1;
  if (S.adaptive) AdaptUpdateEstimate(S, double(waited));
  if (S.pdf_tx_wait) CountIn(S, S.tx_wait_hist, waited, S.tx_wait_hist_size, "tx_wait");
  S.over_min_frames = S.min_frames <= 0 || QuotaMet(S);
}

// The session's duration counts for every active node; a node's sum is read only once it had a
// success, and its first success sets it to 0, so nodes without one may add it too.
void AddToTimesSinceSuccess(SIM &S, double duration) {
  AddToEach(S.t_since_succ, S.nn, duration);
}

double SinceSumBeyond(const SIM &S, int64_t k) {
  double sum = S.since_sums[S.since_sums_size - 1];
  for (int64_t j = S.since_sums_size - 1; j < k; j++) sum += S.t_succ;
  return sum;
}

int32_t LogSuccess(SIM &S, const NODE *winner, int32_t round) {
  OUTCOME_LOG &log = *S.outcomes;
  log.sessions.push_back(SESSION_OUTCOME{winner->id, round, 0, uint32_t(log.frames.size())});
  return 1;
}

int32_t LogWithoutSuccess(SIM &S) {
  OUTCOME_LOG &log = *S.outcomes;
  const int32_t failed = S.failures != log.failures_seen;
  log.failures_seen = S.failures;
  log.sessions.push_back(SESSION_OUTCOME{-1, 0, failed, uint32_t(log.frames.size())});
  return 0;
}

void LogFrame(SIM &S, const NODE *node) { S.outcomes->frames.push_back(node->id); }
