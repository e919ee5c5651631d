// The superposed word of a contention slot: the OR of the transmitters' words thinned by their
// masks, and the received-power sums compared with the detection threshold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "coding/superpose.h"
#include "core/state.h"

namespace {

class Superposition : public testing::Test {
 protected:
  void SetUp() override {
    ResetState();
    nf = 6;
  }
  void TearDown() override { ResetState(); }

  static NODE Node(uint32_t word, uint32_t mask, double *powers = nullptr) {
    NODE node{};
    node.word = word;
    node.mask = mask;
    node.rssi_acc = powers;
    return node;
  }
};

TEST_F(Superposition, MaskModelOrsTheWordsWithinEachMask) {
  NODE first = Node(0b000011, ~0u), second = Node(0b000110, ~0u);
  ORed_word = 0b111000;
  ClearORedWordMask();
  EXPECT_EQ(ORed_word, 0u);
  BuildORedWordMask(&first);
  BuildORedWordMask(&second);
  ExtractORedWordMask();
  EXPECT_EQ(ORed_word, 0b000111u);

  second.mask = ~0b000100u;
  ClearORedWordMask();
  BuildORedWordMask(&first);
  BuildORedWordMask(&second);
  ExtractORedWordMask();
  EXPECT_EQ(ORed_word, 0b000011u);
}

TEST_F(Superposition, MaskModelWithEveryBitFadedAddsNothing) {
  NODE faded = Node(0b100001, 0u), other = Node(0b010000, ~0u);
  ClearORedWordMask();
  BuildORedWordMask(&faded);
  EXPECT_EQ(ORed_word, 0u);
  BuildORedWordMask(&other);
  EXPECT_EQ(ORed_word, 0b010000u);
}

class ReceivedPower : public Superposition {
 protected:
  void SetUp() override {
    Superposition::SetUp();
    ORed_word_rssi = sums;
    rssi_thresh_pw = 1.0;
  }
  double sums[6] = {};
};

TEST_F(ReceivedPower, ClearEmptiesTheSumsButLeavesTheWord) {
  for (double &sum : sums) sum = 7.5;
  ORed_word = 0b101010;
  ClearORedWordRSSI();
  for (double sum : sums) EXPECT_EQ(sum, 0.0);
  EXPECT_EQ(ORed_word, 0b101010u);
}

TEST_F(ReceivedPower, ASumAtTheThresholdIsDetectedAndBelowItIsNot) {
  double a[6] = {0.5, 2.0, 0.0, 0.0, 0.0, 0.0};
  double b[6] = {0.5, 0.0, 0.999, 0.0, 0.25, 0.0};
  NODE first = Node(0b000011, ~0u, a), second = Node(0b010101, ~0u, b);
  ORed_word = 0b100000;  // stale bit of an earlier slot
  ClearORedWordRSSI();
  BuildORedWordRSSI(&first);
  BuildORedWordRSSI(&second);
  EXPECT_DOUBLE_EQ(sums[0], 1.0);
  EXPECT_DOUBLE_EQ(sums[1], 2.0);
  EXPECT_DOUBLE_EQ(sums[2], 0.999);
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b000011u);
}

TEST_F(ReceivedPower, OnlySubcarriersOfTheWordAddTheirPower) {
  double a[6] = {5.0, 5.0, 5.0, 5.0, 5.0, 5.0};
  NODE node = Node(0b100100, ~0u, a);
  ClearORedWordRSSI();
  BuildORedWordRSSI(&node);
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b100100u);
  EXPECT_EQ(sums[0], 0.0);
  EXPECT_EQ(sums[5], 5.0);
}

TEST_F(ReceivedPower, TheMaskIsNotApplied) {
  double a[6] = {0.0, 0.0, 0.0, 3.0, 0.0, 0.0};
  NODE node = Node(0b001000, 0u, a);
  ClearORedWordRSSI();
  BuildORedWordRSSI(&node);
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b001000u);
}

TEST_F(ReceivedPower, ASumThatIsNotANumberIsNotDetected) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  double a[6] = {nan, 2.0, 0.0, 0.0, 0.0, 0.0};
  double b[6] = {1.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  NODE first = Node(0b000011, ~0u, a), second = Node(0b000001, ~0u, b);
  ClearORedWordRSSI();
  BuildORedWordRSSI(&first);
  BuildORedWordRSSI(&second);
  EXPECT_TRUE(std::isnan(sums[0]));
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b000010u);
}

TEST_F(ReceivedPower, InfinitePowerIsDetected) {
  double a[6] = {0.0, 0.0, 0.0, 0.0, 0.0, std::numeric_limits<double>::infinity()};
  NODE node = Node(0b100000, ~0u, a);
  ClearORedWordRSSI();
  BuildORedWordRSSI(&node);
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b100000u);
}

}  // namespace
