// Moving-average estimator of the number of active nodes.
#include "adapt/estimator.h"

#include <cmath>
#include <cstring>

#include "adapt/tuned_schedule.h"
#include "core/state.h"
#include "core/waits.h"
#include "support/alloc.h"
#include "support/fail.h"
#include "support/mt_rand.h"

namespace {

// The schedule row of the rounded estimate; every estimate above the table selects its last row.
void InstallSchedule() {
  int32_t n = ad_estimate > kHeurRows ? kHeurRows : int32_t(lround(ad_estimate));
  memcpy(pt, HeurFetchPt(n, ns), 3 * sizeof(double));
}

// Sessions already waited, geometric with success probability p: floor(ln(1 - u) / ln(1 - p)).
int32_t GeometricWait(double p) {
  if (!(p > 0 && p <= 1)) Fail(1, "tau must be in (0.0 ... 1.0]\n");
  if (p == 1) return 1;
  return int32_t(floor(log(1 - genrand_real2()) / log(1 - p)));
}

}  // namespace

void AdaptInit() {
  ad_samples = static_cast<double *>(MyCalloc(size_t(ad_size) + 1, sizeof(double)));
  int32_t lo = int32_t(0.9 * nn);
  int64_t hi = int64_t(1.1 * nn);
  for (int32_t i = 0; i < ad_size; i++) ad_samples[i] = GenRand(lo, int32_t(hi));
  for (int32_t j = 0; j < nn; j++) SetWaits(&nodes[j], GeometricWait(1.0 / nn), WaitColl(&nodes[j]));
  ad_oldest_idx = 0;
  ad_estimate = nn;
  InstallSchedule();
}

double AdaptWeightedAverage(int32_t k, double x) {
  const int32_t N = ad_size;
  const double m = ad_memory;
  double sum = 0.0, divisor;
  auto kept = [&](int32_t j) { return ad_samples[(k + j) % N]; };
  switch (ad_avg_type) {
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

void AdaptUpdateEstimate(double x) {
  int32_t k = (ad_oldest_idx + 1) % ad_size;
  ad_estimate = AdaptWeightedAverage(k, x);
  ad_oldest_idx = k;
  ad_samples[k] = x;
  InstallSchedule();
}
