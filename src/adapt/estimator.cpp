// Moving-average estimator of the number of active nodes.
#include "adapt/estimator.h"

#include <cmath>
#include <cstring>

#include "adapt/tuned_schedule.h"
#include "core/state.h"
#include "core/waits.h"
#include "support/alloc.h"
#include "support/fail.h"
#include "support/keyed_rand.h"

namespace {

// The schedule row of the rounded estimate; every estimate above the table selects its last row.
void InstallSchedule(SIM &S) {
  int32_t n = S.ad_estimate > kHeurRows ? kHeurRows : int32_t(lround(S.ad_estimate));
  memcpy(S.pt, HeurFetchPt(n, S.ns), 3 * sizeof(double));
}

// Sessions already waited, geometric with success probability p: floor(ln(1 - u) / ln(1 - p)).
int32_t GeometricWait(SETUP_WORDS &words, double p) {
  if (!(p > 0 && p <= 1)) Fail(1, "tau must be in (0.0 ... 1.0]\n");
  if (p == 1) return 1;
  return int32_t(floor(log(1 - words() * (1.0 / 4294967296.0)) / log(1 - p)));
}

}  // namespace

void AdaptInit(SIM &S) {
  const int32_t nn = S.nn;
  S.ad_samples = static_cast<double *>(MyCalloc(S.memory, size_t(S.ad_size) + 1, sizeof(double)));
  int32_t lo = int32_t(0.9 * nn);
  int64_t hi = int64_t(1.1 * nn);
  SETUP_WORDS window(S.mt_rand, S.keyed, KEYED_SETUP_WINDOW);
  const UNIFORM_BUCKETS buckets = BucketsOver(uint32_t(hi) - uint32_t(lo) + 1u);
  for (int32_t i = 0; i < S.ad_size; i++)
    S.ad_samples[i] = int32_t(uint32_t(lo) + IndexFromWords(buckets, window));
  SETUP_WORDS waits(S.mt_rand, S.keyed, KEYED_SETUP_WAITS);
  for (int32_t j = 0; j < nn; j++)
    SetWaits(S, &S.nodes[j], GeometricWait(waits, 1.0 / nn), WaitColl(S, &S.nodes[j]));
  S.ad_oldest_idx = 0;
  S.ad_estimate = nn;
  InstallSchedule(S);
}

double AdaptWeightedAverage(const SIM &S, int32_t k, double x) {
  const int32_t N = S.ad_size;
  const double m = S.ad_memory;
  double sum = 0.0, divisor;
  auto kept = [&](int32_t j) { return S.ad_samples[(k + j) % N]; };
  switch (S.ad_avg_type) {
    case 1:
      for (int32_t j = 1; j < N; j++) sum += j * kept(j);
      sum += N * x;
      divisor = N * (N + 1.0) / 2;
      break;
    case 2:
      for (int32_t j = 1; j < N; j++) sum += (N + 1 - j) * kept(j);
      sum += x;
      divisor = N * (N + 1.0) / 2;
      break;
    case 3:
      for (int32_t j = 1; j < N; j++) sum += pow(m, N - j) * kept(j);
      sum += x;
      // With m = 1 every weight is 1 and the divisor is its limit N.
      divisor = m == 1 ? N : (1 - pow(m, N)) / (1 - m);
      break;
    default:
      for (int32_t j = 1; j < N; j++) sum += kept(j);
      sum += x;
      divisor = N;
  }
  return sum / divisor;
}

void AdaptUpdateEstimate(SIM &S, double x) {
  int32_t k = (S.ad_oldest_idx + 1) % S.ad_size;
  S.ad_estimate = AdaptWeightedAverage(S, k, x);
  S.ad_oldest_idx = k;
  S.ad_samples[k] = x;
  InstallSchedule(S);
}
