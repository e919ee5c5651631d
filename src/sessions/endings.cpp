// End-of-session bookkeeping and the histogram bound checks.
#include "sessions/endings.h"

#include "adapt/estimator.h"
#include "core/state.h"
#include "core/waits.h"
#include "support/fail.h"

namespace {

[[gnu::cold, noreturn]] void HistogramOverflow(const char *name, int64_t index, int32_t size) {
  Fail(4, "Error: Index out of range for \"%s\" (%ld/%ld). Preallocate more memory. Aborting ...",
       name, long(index), long(size));
}

// Counts one entry of a histogram, ending the run with status 4 when the index is past its end.
void CountIn(int64_t *histogram, int64_t index, int32_t size, const char *name) {
  if (index >= size) HistogramOverflow(name, index, size);
  histogram[index]++;
}

// The session's duration counts for every active node that had a success.
void AddToTimesSinceSuccess(double duration) {
  for (int32_t i = 0; i < nn; i++)
    if (nodes[i].successes > 0) nodes[i].t_since_succ += duration;
}

// Every active node has min_frames successes (always so without a quota).
int32_t QuotaMet() {
  if (min_frames <= 0) return 1;
  for (int32_t i = 0; i < nn; i++)
    if (nodes[i].successes < min_frames) return 0;
  return 1;
}

}  // namespace

int32_t EndWithSuccess(NODE *winner, int32_t round) {
  if (winner->successes > 0) {
    winner->successes++;
    winner->t_delay_sum += winner->t_since_succ + t_succ;
  } else {
    winner->successes = 1;
    winner->t_delay_sum = 0.0;
  }
  // Sessions since the winner's previous success, this one included.
  int64_t waited = WaitSucc(winner) + WaitColl(winner) + 1;
  if (adaptive) AdaptUpdateEstimate(double(waited));
  if (pdf_tx_wait) CountIn(tx_wait_hist, waited, tx_wait_hist_size, "tx_wait");
  // Every active node has waited one more session; the quota is met when nobody is short of it.
  won_sessions++;
  AddToTimesSinceSuccess(t_succ);
  over_min_frames = QuotaMet();
  SetWaits(winner, 0, 0);
  winner->t_since_succ = 0.0;
  t_elapsed += t_succ;
  CountIn(ns_pdf, round, ns_pdf_size, "ns_pdf");
  return 1;
}

int32_t EndWithoutSuccess() {
  unwon_sessions++;
  AddToTimesSinceSuccess(t_coll);
  CountIn(ns_pdf, ns, ns_pdf_size, "ns_pdf");
  t_elapsed += t_coll;
  return 0;
}
