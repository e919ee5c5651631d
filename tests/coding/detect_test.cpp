// Closest-word detection: Hamming distance, the plain detector with its tie-break to the highest
// index, the one-hot shortcut, repetition folding and the received word 0.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "coding/codebook.h"
#include "coding/detect.h"
#include "core/state.h"

namespace {

int32_t HighestBit(uint32_t word) {
  int32_t bit = -1;
  for (int32_t b = 0; b < 32; b++)
    if (word >> b & 1u) bit = b;
  return bit;
}

class Detectors : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }

  int32_t Closest(int32_t word, std::vector<int32_t> codes, int32_t nbits) {
    set = codes;
    BINCODES record{set.data(), int32_t(set.size()), nbits};
    return FSFFindWinningWordClosest(word, &record);
  }
  int32_t Repeat(int32_t word, std::vector<int32_t> codes, int32_t nbits) {
    set = codes;
    BINCODES record{set.data(), int32_t(set.size()), nbits};
    return FSFFindWinningWordRepeat(word, &record);
  }
  std::vector<int32_t> set;
};

TEST_F(Detectors, HammingDistanceCountsDifferingBits) {
  EXPECT_EQ(HammingDistance(0, 0), 0);
  EXPECT_EQ(HammingDistance(5, 3), 2);
  EXPECT_EQ(HammingDistance(-1, 0), 32);
  EXPECT_EQ(HammingDistance(INT32_MIN, 0), 1);
  EXPECT_EQ(HammingDistance(0x0F0F0F0F, -1), 16);
  std::mt19937 source(3);
  for (int i = 0; i < 1000; i++) {
    uint32_t a = source(), b = source();
    int32_t differing = 0;
    for (int bit = 0; bit < 32; bit++) differing += ((a ^ b) >> bit) & 1u;
    ASSERT_EQ(HammingDistance(int32_t(a), int32_t(b)), differing);
    ASSERT_EQ(HammingDistance(int32_t(b), int32_t(a)), differing);
  }
}

TEST_F(Detectors, ReceivedWordZeroGivesIndexZero) {
  EXPECT_EQ(Closest(0, {7, 0}, 3), 0);
  EXPECT_EQ(Closest(0, {}, 3), 0);
  nf = 12;
  repeat = 2;
  EXPECT_EQ(Repeat(0, {7, 0}, 12), 0);
}

TEST_F(Detectors, TiesGoToTheHighestIndex) {
  EXPECT_EQ(Closest(1, {3, 5}, 3), 1);
  EXPECT_EQ(Closest(7, {1, 2, 4}, 3), 2);
  EXPECT_EQ(Closest(5, {5, 5, 5}, 3), 2);
  EXPECT_EQ(Closest(6, {6, 1, 6, 1}, 3), 2);
  EXPECT_EQ(Closest(3, {3, 1, 2, 0}, 2), 0);
}

TEST_F(Detectors, OneHotCodebookGivesTheHighestSetBit) {
  std::vector<int32_t> oneHot;
  for (int32_t i = 0; i < 6; i++) oneHot.push_back(1 << i);
  EXPECT_EQ(Closest(0b010110, oneHot, 6), 4);
  EXPECT_EQ(Closest(0b000001, oneHot, 6), 0);
  for (int32_t word = 1; word < 64; word++)
    EXPECT_EQ(Closest(word, oneHot, 6), HighestBit(uint32_t(word))) << word;
}

TEST_F(Detectors, RepetitionsFoldOntoTheBaseLength) {
  nf = 12;
  repeat = 2;
  BuildDefaultCodebook(6, 2);
  std::vector<int32_t> codes(codewords.codes, codewords.codes + codewords.count);
  EXPECT_EQ(Repeat((1 << 1) | (1 << 8), codes, 12), 2);
  for (uint32_t word = 1; word < 4096; word++)
    ASSERT_EQ(Repeat(int32_t(word), codes, 12), HighestBit((word & 63u) | (word >> 6))) << word;
}

TEST_F(Detectors, RepetitionDetectorComparesOnlyTheBaseBitsOfEachCode) {
  nf = 12;
  repeat = 2;
  EXPECT_EQ(Repeat(1, {0b000001000001, 0b000010}, 12), 0);
  EXPECT_EQ(Repeat(0b000001000000, {0b111111000001, 0b000010}, 12), 0);
  // Two codes equal in their base bits tie; the later one wins.
  EXPECT_EQ(Repeat(2, {0b000010, 0b101000000010, 0b000001}, 12), 1);
}

TEST_F(Detectors, ThreeRepetitionsFoldAllSegments) {
  nf = 9;
  repeat = 3;
  std::vector<int32_t> oneHot = {0b001001001, 0b010010010, 0b100100100};
  EXPECT_EQ(Repeat(0b000001000, oneHot, 9), 0);
  EXPECT_EQ(Repeat(0b100000001, oneHot, 9), 2);
  EXPECT_EQ(Repeat(0b000010000, oneHot, 9), 1);
}

TEST_F(Detectors, BitsBeyondTheLastFullSegmentAreIgnored) {
  nf = 7;  // base length 3, two segments: bit 6 belongs to neither
  repeat = 2;
  EXPECT_EQ(Repeat(0b1000000, {0b001, 0b000, 0b011}, 7), 1);
  EXPECT_EQ(Repeat(0b1000100, {0b001, 0b000, 0b100}, 7), 2);
}

}  // namespace
