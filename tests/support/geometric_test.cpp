// The truncated geometric draw by inverse transform: q = 0, the limit q = 1, the law's cumulative
// probabilities at the step points, clamping at the top, and the frequencies of generator draws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/state.h"
#include "support/geometric.h"
#include "support/mt_rand.h"

namespace {

// P(k <= j) = (1 - q^(j+1)) / (1 - q^n) for the law P(k) = (1 - q) q^k / (1 - q^n).
double Cumulative(double q, int n, int j) {
  return (1 - std::pow(q, j + 1)) / (1 - std::pow(q, n));
}

const double kBelowOne = std::nextafter(1.0, 0.0);

TEST(TruncatedGeometric, QZeroAlwaysGivesTheFirstIndex) {
  for (double u : {0.0, 0.3, 0.999, kBelowOne})
    for (int n : {1, 2, 26}) EXPECT_EQ(TruncatedGeometric(u, 0.0, n), 0) << u << " " << n;
}

TEST(TruncatedGeometric, QOneIsTheUniformLimit) {
  EXPECT_EQ(TruncatedGeometric(0.0, 1.0, 10), 0);
  EXPECT_EQ(TruncatedGeometric(0.5, 1.0, 10), 5);
  EXPECT_EQ(TruncatedGeometric(0.99, 1.0, 10), 9);
  EXPECT_EQ(TruncatedGeometric(kBelowOne, 1.0, 10), 9);
}

TEST(TruncatedGeometric, StepsAtTheLawsCumulativeProbabilities) {
  for (double q : {0.25, 0.6, 0.9}) {
    const int n = 7;
    EXPECT_EQ(TruncatedGeometric(0.0, q, n), 0);
    for (int j = 0; j + 1 < n; j++) {
      double step = Cumulative(q, n, j);
      EXPECT_EQ(TruncatedGeometric(step - 1e-9, q, n), j) << "q " << q << " below step " << j;
      EXPECT_EQ(TruncatedGeometric(step + 1e-9, q, n), j + 1) << "q " << q << " above step " << j;
    }
    EXPECT_EQ(TruncatedGeometric(kBelowOne, q, n), n - 1);
  }
}

TEST(TruncatedGeometric, RoundingAtTheTopIsClampedToTheLastIndex) {
  // With n = 1 and q = 0.5, 1 - u * 0.5 rounds to 0.5 for the largest u below 1, so the quotient
  // of the logarithms is exactly 1: one past the only index.
  EXPECT_EQ(TruncatedGeometric(kBelowOne, 0.5, 1), 0);
  for (double u : {0.0, 0.5, 0.9999}) EXPECT_EQ(TruncatedGeometric(u, 0.5, 1), 0);
}

TEST(TruncatedGeometric, FrequenciesFollowTheLaw) {
  ResetState();
  init_genrand(12345u);
  const double q = 0.6;
  const int n = 5, draws = 200000;
  std::vector<int> counts(n, 0);
  for (int i = 0; i < draws; i++) {
    int k = TruncatedGeometric(genrand_real2(), q, n);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, n);
    counts[k]++;
  }
  for (int k = 0; k < n; k++) {
    double p = (1 - q) * std::pow(q, k) / (1 - std::pow(q, n));
    double se = std::sqrt(draws * p * (1 - p));
    EXPECT_NEAR(counts[k], draws * p, 5 * se) << "index " << k;
  }
}

}  // namespace
