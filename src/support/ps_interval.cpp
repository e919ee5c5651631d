// Wilson's interval and the batch-means interval of a success probability.
#include "support/ps_interval.h"

#include <gsl/gsl_cdf.h>

#include <cmath>

namespace {

const double kZ95 = 1.959963984540054;  // the standard normal's 97.5% quantile

}  // namespace

INTERVAL WilsonInterval(int64_t successes, int64_t n) {
  const double p = double(successes) / double(n), z2n = kZ95 * kZ95 / double(n);
  const double centre = (p + z2n / 2) / (1 + z2n);
  const double half = kZ95 / (1 + z2n) * sqrt(p * (1 - p) / double(n) + z2n / (4 * double(n)));
  return INTERVAL{std::fmax(0.0, centre - half), std::fmin(1.0, centre + half)};
}

bool BatchMeansInterval(const BATCH_MEANS &b, INTERVAL *interval) {
  const int32_t k = b.full;
  if (k < BATCH_MEANS::kMaxBatches / 2) return false;
  double sum = 0, squares = 0;
  for (int32_t i = 0; i < k; i++) sum += double(b.successes[i]) / double(b.length);
  const double mean = sum / k;
  for (int32_t i = 0; i < k; i++) {
    const double d = double(b.successes[i]) / double(b.length) - mean;
    squares += d * d;
  }
  const double half = gsl_cdf_tdist_Pinv(0.975, k - 1) * sqrt(squares / (k - 1) / k);
  *interval = INTERVAL{std::fmax(0.0, mean - half), std::fmin(1.0, mean + half)};
  return true;
}
