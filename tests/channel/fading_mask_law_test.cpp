// The law of the faded set: the binomial model's per-carrier rate and count, and the geometric
// model's truncated geometric (or uniform) count with uniform positions, against their formulas
// within five standard errors, with fixed seeds.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "channel/fading_masks.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

uint32_t LowBits(int32_t n) { return (1u << n) - 1u; }

// Tallies of many masks: how often each carrier was faded and how often each count occurred.
struct TALLY {
  std::vector<long> per_carrier, per_count;
  long masks = 0, high_bits_cleared = 0;
};

TALLY DrawMasks(void (*model)(NODE *), int trials) {
  TALLY tally;
  tally.per_carrier.assign(size_t(nf), 0);
  tally.per_count.assign(size_t(nf) + 1, 0);
  NODE node{};
  for (int t = 0; t < trials; t++) {
    model(&node);
    uint32_t faded = ~node.mask & LowBits(nf);
    for (int32_t b = 0; b < nf; b++) tally.per_carrier[size_t(b)] += faded >> b & 1u;
    tally.per_count[size_t(std::popcount(faded))]++;
    if ((node.mask | LowBits(nf)) != ~0u) tally.high_bits_cleared++;
    tally.masks++;
  }
  return tally;
}

// The observed share of hits among n trials lies within five standard errors of p.
void ExpectShare(long hits, long n, double p, const char *what, int index) {
  double share = double(hits) / double(n);
  double se = std::sqrt(p * (1 - p) / double(n));
  EXPECT_NEAR(share, p, 5 * se) << what << " " << index;
}

double Binomial(int n, int k, double p) {
  double c = 1;
  for (int i = 1; i <= k; i++) c = c * (n - k + i) / i;
  return c * std::pow(p, k) * std::pow(1 - p, n - k);
}

class FadingMaskLawTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetState();
    init_genrand(424242);
  }
};

TEST_F(FadingMaskLawTest, BinomFadesEachCarrierIndependentlyAtTheGivenRate) {
  nf = 10;
  fsf_prob = 0.3;
  const int trials = 40000;
  TALLY tally = DrawMasks(FSFRandChannelMaskBinom, trials);
  for (int b = 0; b < nf; b++) ExpectShare(tally.per_carrier[size_t(b)], trials, 0.3, "carrier", b);
  for (int k = 0; k <= nf; k++)
    ExpectShare(tally.per_count[size_t(k)], trials, Binomial(10, k, 0.3), "count", k);
  EXPECT_EQ(tally.high_bits_cleared, 0);
}

// P(c = k) = q^k (1 - q) / (1 - q^(nf + 1)) for k = 0 .. nf, with q = 1 - fsf_tau; positions are
// uniform, so each carrier is faded in a share E[c] / nf of the masks.
void ExpectTruncatedGeometricLaw(double tau, int trials) {
  SCOPED_TRACE("fsf_tau " + std::to_string(tau));
  nf = 6;
  fsf_tau = tau;
  const double q = 1 - tau, norm = 1 - std::pow(q, 7);
  TALLY tally = DrawMasks(FSFRandChannelMaskGeom, trials);
  double mean_count = 0;
  for (int k = 0; k <= nf; k++) {
    double p = std::pow(q, k) * (1 - q) / norm;
    mean_count += k * p;
    ExpectShare(tally.per_count[size_t(k)], trials, p, "count", k);
  }
  for (int b = 0; b < nf; b++)
    ExpectShare(tally.per_carrier[size_t(b)], trials, mean_count / nf, "carrier", b);
  EXPECT_EQ(tally.high_bits_cleared, 0);
}

// With the default 0.75 no carrier fades in 0.75 / (1 - 0.25^7) of the masks.
TEST_F(FadingMaskLawTest, GeomCountFollowsTheTruncatedGeometricLaw) {
  ExpectTruncatedGeometricLaw(0.75, 60000);
  ExpectTruncatedGeometricLaw(0.3, 30000);
}

TEST_F(FadingMaskLawTest, GeomWithTauZeroMakesEveryCountEquallyLikely) {
  nf = 6;
  fsf_tau = 0.0;
  const int trials = 40000;
  TALLY tally = DrawMasks(FSFRandChannelMaskGeom, trials);
  for (int k = 0; k <= nf; k++)
    ExpectShare(tally.per_count[size_t(k)], trials, 1.0 / 7, "count", k);
  // The mean count is 3, so each carrier is faded in half of the masks.
  for (int b = 0; b < nf; b++) ExpectShare(tally.per_carrier[size_t(b)], trials, 0.5, "carrier", b);
  EXPECT_EQ(tally.high_bits_cleared, 0);
}

TEST_F(FadingMaskLawTest, NumberPlacesItsFadesUniformlyOverTheCarriers) {
  nf = 26;
  fsf_num = 5;
  const int trials = 20000;
  TALLY tally = DrawMasks(FSFRandChannelMaskNumber, trials);
  for (int b = 0; b < nf; b++)
    ExpectShare(tally.per_carrier[size_t(b)], trials, 5.0 / 26, "carrier", b);
  EXPECT_EQ(tally.per_count[5], trials);
  EXPECT_EQ(tally.high_bits_cleared, 0);
}

}  // namespace
