// A receiver under the received-power model: resetting and accumulating powers through the pair
// table or a given gain vector, detection against the threshold, and the referee's reply and the
// win test read from the class tables of the one-hot codebook.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "channel/rssi.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

class RssiReceiverTest : public testing::Test {
 protected:
  void SetUp() override { PrepareSimulation({"debug=1", "nn=4", "nf=6"}); }
  static void Fill(NODE *node, double value) {
    for (int m = 0; m < nf; m++) node->rssi_acc[m] = value;
  }
};

TEST_F(RssiReceiverTest, ListResetClearsTheMembersOnly) {
  for (int i = 0; i < 4; i++) Fill(&nodes[i], 5.0);
  NODELIST list{nodelists[NL_TX].members, 2};
  list.members[0] = &nodes[2];
  list.members[1] = &nodes[0];
  NodelistResetRSSI(&list);
  for (int m = 0; m < nf; m++) {
    EXPECT_EQ(nodes[0].rssi_acc[m], 0.0);
    EXPECT_EQ(nodes[2].rssi_acc[m], 0.0);
    EXPECT_EQ(nodes[1].rssi_acc[m], 5.0);
    EXPECT_EQ(nodes[3].rssi_acc[m], 5.0);
  }
  Fill(&ref, 2.0);
  RSSIReset(&ref);
  for (int m = 0; m < nf; m++) EXPECT_EQ(ref.rssi_acc[m], 0.0);
}

TEST_F(RssiReceiverTest, AddSumsTheReceiversGainFromEachSenderOnTheSendersCarriers) {
  for (int m = 0; m < nf; m++) {
    rssi[0][1][m] = 1.0 + m;
    rssi[0][2][m] = 10.0 * (m + 1);
    rssi[1][0][m] = rssi[2][0][m] = 1000.0;  // the other direction must not be read
  }
  nodes[1].word = 0b000101;
  nodes[2].word = 0b000110;
  RSSIReset(&nodes[0]);
  RSSIAdd(&nodes[0], &nodes[1]);
  RSSIAdd(&nodes[0], &nodes[2]);
  const double expected[6] = {1.0, 20.0, 3.0 + 30.0, 0.0, 0.0, 0.0};
  for (int m = 0; m < nf; m++) EXPECT_EQ(nodes[0].rssi_acc[m], expected[m]) << m;
}

TEST_F(RssiReceiverTest, AddWithAGainVectorUsesThatVector) {
  for (int a = 0; a < max_nn; a++)
    for (int m = 0; m < nf; m++) ASSERT_EQ(rssi_AP[a][m], 1.0);
  const double gains[6] = {0.5, 1.5, 2.5, 3.5, 4.5, 5.5};
  nodes[0].word = 0b100001;
  nodes[1].word = 0b100010;
  nodes[2].word = 0b100000;
  RSSIReset(&ref);
  RSSIAdd(&ref, &nodes[0], gains);
  RSSIAdd(&ref, &nodes[1], rssi_AP[1]);
  RSSIAdd(&ref, &nodes[2], rssi_AP[2]);
  const double expected[6] = {0.5, 1.0, 0.0, 0.0, 0.0, 5.5 + 1.0 + 1.0};
  for (int m = 0; m < nf; m++) EXPECT_EQ(ref.rssi_acc[m], expected[m]) << m;
}

TEST_F(RssiReceiverTest, PowerAtTheThresholdIsDetectedAndNotANumberIsNot) {
  const double t = rssi_thresh_pw;
  const double powers[6] = {t,
                            std::nextafter(t, 0.0),
                            std::numeric_limits<double>::quiet_NaN(),
                            2 * t,
                            0.0,
                            std::numeric_limits<double>::infinity()};
  for (int m = 0; m < nf; m++) nodes[0].rssi_acc[m] = powers[m];
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0b101001u);
  EXPECT_EQ(RSSIAnyAboveThreshold(&nodes[0]), 1);
  nodes[0].rssi_acc[0] = nodes[0].rssi_acc[3] = nodes[0].rssi_acc[5] = 0.0;
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0u);
  EXPECT_EQ(RSSIAnyAboveThreshold(&nodes[0]), 0);
}

TEST_F(RssiReceiverTest, SilentAccumulatorOrNoCarriersDetectNothing) {
  RSSIReset(&nodes[0]);
  nodes[0].rx_word = 0b111;
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0u);
  EXPECT_EQ(RSSIAnyAboveThreshold(&nodes[0]), 0);
  Fill(&nodes[0], 1.0);
  nf = 0;
  EXPECT_EQ(RSSIAnyAboveThreshold(&nodes[0]), 0);
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0u);
}

TEST_F(RssiReceiverTest, TwoSendersBelowTheThresholdTogetherReachIt) {
  for (int m = 0; m < nf; m++) {
    rssi[0][1][m] = rssi[0][2][m] = 0.5 * rssi_thresh_pw;  // the sum equals the threshold
    rssi[0][3][m] = 0.4 * rssi_thresh_pw;
  }
  nodes[1].word = nodes[2].word = nodes[3].word = 0b010010;
  RSSIReset(&nodes[0]);
  RSSIAdd(&nodes[0], &nodes[1]);
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0u);
  RSSIAdd(&nodes[0], &nodes[2]);
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0b010010u);
  RSSIReset(&nodes[0]);
  RSSIAdd(&nodes[0], &nodes[1]);
  RSSIAdd(&nodes[0], &nodes[3]);
  RSSIExtractWord(&nodes[0]);
  EXPECT_EQ(nodes[0].rx_word, 0u);
}

TEST(RssiAccessPointTest, AccessPointLinksAreHeardAtThirtyBelowOneMilliwatt) {
  PrepareSimulation({"debug=1", "nn=3", "nf=6", "rssi_thresh=-30"});
  nodes[2].word = 0b011010;
  RSSIReset(&ref);
  RSSIAdd(&ref, &nodes[2], rssi_AP[2]);
  RSSIExtractWord(&ref);
  EXPECT_EQ(ref.rx_word, 0b011010u);
}

// One-hot codebook, classes equal to the codewords: the closest codeword of a received word is
// its highest set bit, and the class reply is that bit after interleaving.
uint32_t HighestBit(uint32_t w) { return w ? 1u << (31 - std::countl_zero(w)) : 0u; }
uint32_t RotateRight6(uint32_t w) { return ((w & 1u) << 5) | (w >> 1); }
uint32_t RotateLeft6(uint32_t w) { return ((w << 1) | (w >> 5 & 1u)) & 63u; }

struct REPLY_RULE {
  uint32_t (*reply)(uint32_t heard);       // what the referee sends for a heard word
  uint32_t (*understood)(uint32_t reply);  // the class reply a node makes of a received reply
};

void ExpectRepliesAndWins(const std::vector<uint32_t> &words, REPLY_RULE rule) {
  NODE node{};
  for (uint32_t w : words) {
    node.rx_word = w;
    RSSIBuildReply(&node);
    ASSERT_EQ(node.word, rule.reply(w)) << "heard " << w;
  }
  for (uint32_t r : words)
    for (uint32_t w : words) {
      node.rx_word = r;
      node.word = w;
      ASSERT_EQ(RSSIWonRound(&node), rule.understood(r) == rule.reply(w) ? 1 : 0)
          << "reply " << r << " own word " << w;
    }
}

std::vector<uint32_t> AllWords(int bits) {
  std::vector<uint32_t> words;
  for (uint32_t w = 0; w < 1u << bits; w++) words.push_back(w);
  return words;
}

TEST(RssiReplyTest, OneHotRepliesAndWinsFollowTheHighestCarrier) {
  PrepareSimulation({"debug=1", "nf=6"});
  // A silent reply is understood as class 0, the word 1.
  ExpectRepliesAndWins(AllWords(6),
                       {HighestBit, [](uint32_t r) { return r ? HighestBit(r) : 1u; }});
}

TEST(RssiReplyTest, RotatedRepliesAreRotatedBackBeforeTheClassIsFound) {
  PrepareSimulation({"debug=1", "nf=6", "interleave=1"});
  ExpectRepliesAndWins(
      AllWords(6), {[](uint32_t w) { return w ? RotateRight6(HighestBit(w)) : 0u; },
                    [](uint32_t r) { return RotateRight6(r ? HighestBit(RotateLeft6(r)) : 1u); }});
}

TEST(RssiReplyTest, LongWordsWithoutFullTablesGiveTheSameReplies) {
  PrepareSimulation({"debug=1", "nf=20"});
  ExpectRepliesAndWins({0u, 1u, 3u, 0x400u, 0x7FFu, 0x12345u, 0x80000u, 0xFFFFFu},
                       {HighestBit, [](uint32_t r) { return r ? HighestBit(r) : 1u; }});
}

}  // namespace
