// End-of-session bookkeeping and the histogram bound checks.
#include "sessions/endings.h"

#include "adapt/estimator.h"
#include "core/state.h"
#include "core/waits.h"
#include "support/add_to_each.h"
#include "support/fail.h"

namespace {

[[gnu::cold, noreturn]] void HistogramOverflow(SIM &S, const char *name, int64_t index,
                                                int32_t size) {
  ProgressErase(S.progress_line);
  Fail(4, "Error: Index out of range for \"%s\" (%ld/%ld). Preallocate more memory. Aborting ...",
       name, long(index), long(size));
}

// Counts one entry of a histogram, ending the run with status 4 when the index is past its end.
void CountIn(SIM &S, int64_t *histogram, int64_t index, int32_t size, const char *name) {
  if (index >= size) HistogramOverflow(S, name, index, size);
  histogram[index]++;
}

// The session's duration counts for every active node; a node's sum is read only once it had a
// success, and its first success sets it to 0, so nodes without one may add it too.
void AddToTimesSinceSuccess(SIM &S, double duration) {
  AddToEach(S.t_since_succ, S.nn, duration);
}

// Every active node has min_frames successes.
int32_t QuotaMet(const SIM &S) {
  for (int32_t i = 0; i < S.nn; i++)
    if (S.nodes[i].successes < S.min_frames) return 0;
  return 1;
}

}  // namespace

// What a success books only in some runs: the adaptive estimate, the waiting-time histogram and
// the frame quota; kept apart so that the common ending stays short.
[[gnu::noinline]] void BookSuccessExtras(SIM &S, int64_t waited) {
  if (S.adaptive) AdaptUpdateEstimate(S, double(waited));
  if (S.pdf_tx_wait) CountIn(S, S.tx_wait_hist, waited, S.tx_wait_hist_size, "tx_wait");
}

int32_t EndWithSuccess(SIM &S, NODE *winner, int32_t round) {
  const double t_succ = S.t_succ;
  double *since = S.t_since_succ;
  if (winner->successes > 0) {
    winner->successes++;
    winner->t_delay_sum += since[winner->id] + t_succ;
  } else {
    winner->successes = 1;
    winner->t_delay_sum = 0.0;
  }
  // Sessions since the winner's previous success, this one included.
  const int64_t waited = WaitSucc(S, winner) + WaitColl(S, winner) + 1;
  if (S.adaptive | S.pdf_tx_wait) BookSuccessExtras(S, waited);
  // Every active node has waited one more session; the quota is met when nobody is short of it.
  S.won_sessions++;
  AddToTimesSinceSuccess(S, t_succ);
  S.over_min_frames = S.min_frames <= 0 || QuotaMet(S);
  SetWaits(S, winner, 0, 0);
  since[winner->id] = 0.0;
  S.t_elapsed += t_succ;
  CountIn(S, S.ns_pdf, round, S.ns_pdf_size, "ns_pdf");
  return 1;
}

int32_t EndWithoutSuccess(SIM &S) {
  S.unwon_sessions++;
  AddToTimesSinceSuccess(S, S.t_coll);
  CountIn(S, S.ns_pdf, S.ns, S.ns_pdf_size, "ns_pdf");
  S.t_elapsed += S.t_coll;
  return 0;
}
