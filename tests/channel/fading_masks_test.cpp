// Fading masks: which subcarriers the none, binom, num and geom models fade, how many outputs of
// the protocol generator each consumes and in what order, and the law of the faded set.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <vector>

#include "channel/fading_masks.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

const uint32_t kSeed = 8675309;

uint32_t LowBits(int32_t n) { return n >= 32 ? ~0u : (1u << n) - 1u; }

// How many outputs the generator handed out since it was seeded with kSeed: the place of its
// next output in a fresh copy of the same stream.
int OutputsConsumed() {
  uint32_t next = genrand_int32();
  std::mt19937 fresh(kSeed);
  for (int i = 0; i < 100000; i++)
    if (fresh() == next) return i;
  return -1;
}

class FadingMaskTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetState();
    init_genrand(kSeed);
    node.id = 3;
    node.mask = 0x0F0F0F0Fu;  // every model overwrites the whole mask
  }
  void Queue(std::vector<uint32_t> words) { QueueGenRandWords(words.data(), words.size()); }
  uint32_t Faded() const { return ~node.mask & LowBits(nf); }
  bool HighBitsSet() const { return (node.mask | LowBits(nf)) == ~0u; }
  NODE node{};
};

TEST_F(FadingMaskTest, NoneLeavesEveryCarrierAndDrawsNothing) {
  for (int32_t carriers : {1, 6, 26}) {
    nf = carriers;
    FSFRandChannelMaskNone(&node);
    EXPECT_EQ(node.mask, ~0u);
  }
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, BinomWithProbabilityAtOrBelowZeroFadesNothingAndDrawsNothing) {
  nf = 6;
  for (double p : {0.0, -0.5}) {
    fsf_prob = p;
    FSFRandChannelMaskBinom(&node);
    EXPECT_EQ(node.mask, ~0u) << "fsf_prob " << p;
  }
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, BinomWithProbabilityOneOrMoreFadesEveryCarrierWithOneDrawEach) {
  int expected_draws = 0;
  for (double p : {1.0, 1.5})
    for (int32_t carriers : {1, 6, 26}) {
      fsf_prob = p;
      nf = carriers;
      FSFRandChannelMaskBinom(&node);
      EXPECT_EQ(node.mask, ~LowBits(carriers)) << "fsf_prob " << p << " nf " << carriers;
      expected_draws += carriers;
    }
  EXPECT_EQ(OutputsConsumed(), expected_draws);
}

TEST_F(FadingMaskTest, BinomFadesACarrierOnlyWhenTheProbabilityExceedsItsDraw) {
  nf = 4;
  fsf_prob = 0.25;
  // Carrier by carrier: u just below 0.25, u exactly 0.25, u = 0, u just above 0.25.
  Queue({0x3FFFFFFFu, 0x40000000u, 0u, 0x40000001u});
  FSFRandChannelMaskBinom(&node);
  EXPECT_EQ(Faded(), 0b0101u);
  EXPECT_TRUE(HighBitsSet());
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, NumberFadesExactlyTheSmallerOfItsCountAndTheCarriers) {
  for (int32_t carriers : {1, 6, 26})
    for (int32_t count : {0, 1, 3, carriers - 1, carriers, carriers + 1, 40}) {
      nf = carriers;
      fsf_num = count;
      int32_t expected = count < carriers ? count : carriers;
      for (int trial = 0; trial < 50; trial++) {
        FSFRandChannelMaskNumber(&node);
        ASSERT_EQ(std::popcount(Faded()), expected) << "nf " << carriers << " fsf_num " << count;
        ASSERT_TRUE(HighBitsSet());
      }
    }
}

TEST_F(FadingMaskTest, NumberWithCountZeroDrawsNothing) {
  nf = 6;
  fsf_num = 0;
  FSFRandChannelMaskNumber(&node);
  EXPECT_EQ(node.mask, ~0u);
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, NumberDrawsAgainForARepeatedOrOutOfRangePosition) {
  nf = 6;
  fsf_num = 2;
  const uint32_t bucket = 715827882u;  // floor((2^32 - 1) / 6)
  // Position 6 (rejected), position 2, position 2 again (drawn anew), the last word of
  // position 5.
  Queue({6 * bucket, 2 * bucket, 2 * bucket + 5, 6 * bucket - 1});
  FSFRandChannelMaskNumber(&node);
  EXPECT_EQ(Faded(), (1u << 2) | (1u << 5));
  EXPECT_TRUE(HighBitsSet());
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, GeomWithTauOneFadesNothingWithOneDrawPerMask) {
  fsf_tau = 1.0;
  for (int32_t carriers : {1, 6, 26}) {
    nf = carriers;
    for (int trial = 0; trial < 100; trial++) {
      FSFRandChannelMaskGeom(&node);
      ASSERT_EQ(node.mask, ~0u);
    }
  }
  EXPECT_EQ(OutputsConsumed(), 300);
}

TEST_F(FadingMaskTest, GeomDrawsTheCountByInverseTransformThenThePositions) {
  nf = 6;
  fsf_tau = 0.75;
  const uint32_t bucket = 715827882u;  // floor((2^32 - 1) / 6)
  // u = 0.75 lies below P(c = 0) = 0.75 / (1 - 0.25^7): no fading, one draw.
  Queue({0xC0000000u});
  FSFRandChannelMaskGeom(&node);
  EXPECT_EQ(Faded(), 0u);
  // u = 0.750244 gives c = 1, then position 3.
  Queue({0xC0100000u, 3 * bucket});
  FSFRandChannelMaskGeom(&node);
  EXPECT_EQ(Faded(), 1u << 3);
  // u = 0.938477 gives c = 2; then position 6 (rejected), 1, 1 again (drawn anew), 4.
  Queue({0xF0400000u, 0xFFFFFFFFu, bucket, bucket + 7, 4 * bucket});
  FSFRandChannelMaskGeom(&node);
  EXPECT_EQ(Faded(), (1u << 1) | (1u << 4));
  EXPECT_TRUE(HighBitsSet());
  // The largest u gives the largest count, every carrier.
  Queue({0xFFFFFFFFu, 0u, bucket, 2 * bucket, 3 * bucket, 4 * bucket, 5 * bucket});
  FSFRandChannelMaskGeom(&node);
  EXPECT_EQ(node.mask, ~LowBits(6));
  EXPECT_EQ(OutputsConsumed(), 0);
}

TEST_F(FadingMaskTest, GeomWithTauZeroDrawsTheCountUniformlyUpToEveryCarrier) {
  nf = 6;
  fsf_tau = 0.0;
  const uint32_t count_bucket = 613566756u;  // floor((2^32 - 1) / 7)
  const uint32_t bucket = 715827882u;
  // Count 7 is out of range and drawn again; count 6 fades every carrier.
  std::vector<uint32_t> words{7 * count_bucket, 6 * count_bucket};
  for (uint32_t position = 0; position < 6; position++) words.push_back(position * bucket);
  Queue(words);
  FSFRandChannelMaskGeom(&node);
  EXPECT_EQ(node.mask, ~LowBits(6));
  EXPECT_EQ(OutputsConsumed(), 0);
}

}  // namespace
