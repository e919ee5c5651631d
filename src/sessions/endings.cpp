// End-of-session bookkeeping and the histogram bound checks.
#include "sessions/endings.h"

#include "adapt/estimator.h"
#include "core/state.h"
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
  int64_t waited = winner->wait_succ + winner->wait_coll + 1;
  if (adaptive) AdaptUpdateEstimate(double(waited));
  if (pdf_tx_wait) CountIn(tx_wait_hist, waited, tx_wait_hist_size, "tx_wait");
  // Every active node has waited one more session; the quota is met when nobody is short of it.
  const double duration = t_succ;
  const int32_t quota = min_frames;
  int32_t quota_met = 1;
  for (int32_t i = 0; i < nn; i++) {
    NODE &node = nodes[i];
    node.wait_succ++;
    if (node.successes > 0) node.t_since_succ += duration;
    if (node.successes < quota) quota_met = 0;
  }
  over_min_frames = quota_met;
  winner->wait_succ = 0;
  winner->wait_coll = 0;
  winner->t_since_succ = 0.0;
  t_elapsed += t_succ;
  CountIn(ns_pdf, round, ns_pdf_size, "ns_pdf");
  return 1;
}

int32_t EndWithoutSuccess() {
  const double duration = t_coll;
  for (int32_t i = 0; i < nn; i++) {
    NODE &node = nodes[i];
    if (node.successes > 0) node.t_since_succ += duration;
    node.wait_coll++;
  }
  CountIn(ns_pdf, ns, ns_pdf_size, "ns_pdf");
  t_elapsed += t_coll;
  return 0;
}
