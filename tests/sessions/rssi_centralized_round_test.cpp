// Rounds of the access-point session played one at a time on hand-set gains and scripted draws:
// every list, accumulator, reply word and survivor is checked against a worked expectation.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/centralized.h"
#include "sessions/endings.h"
#include "support/mt_rand.h"

namespace {

// Powers against the default threshold of 6.31e-6: strong is heard, weak alone is not but two
// weak powers on one subcarrier are, faint never is.
const double kStrong = 1e-3, kWeak = 4e-6, kFaint = 1e-7;
const uint32_t kTransmit = 0, kSilent = UINT32_MAX;  // transmit draws against pt 0.5

// The 32-bit word that makes the uniform codeword draw among count words pick index.
uint32_t PickWord(uint32_t index, uint32_t count) { return index * (UINT32_MAX / count); }

std::vector<int32_t> Ids(int list) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < nodelists[list].count; i++) ids.push_back(nodelists[list].members[i]->id);
  return ids;
}

std::vector<double> Acc(const NODE &node) { return {node.rssi_acc, node.rssi_acc + nf}; }

void SetPairGain(int32_t a, int32_t b, int32_t m, double gain) {
  rssi[a][b][m] = rssi[b][a][m] = gain;
}

void SetAccessPointRow(int32_t k, std::vector<double> gains) {
  for (int32_t m = 0; m < nf; m++) rssi_AP[k][m] = gains[m];
}

// Four one-hot codewords in two classes: words 0001 and 0010 belong to class 0011, words 0100 and
// 1000 to class 1110.
void PrepareTwoClasses(int32_t nodes_count, std::vector<std::string> more = {}) {
  static const std::string codebook = WriteTempFile("0001\n0010\n0100\n1000\n");
  static const std::string classes = WriteTempFile("0011\n1110\n");
  std::vector<std::string> words{"centr=1", "nn=" + std::to_string(nodes_count),
                                 "codebook=" + codebook, "classes=" + classes};
  words.insert(words.end(), more.begin(), more.end());
  PrepareSimulation(words, 7);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
}

void Script(std::vector<uint32_t> words) { QueueGenRandWords(words.data(), words.size()); }

TEST(CentralizedRound, AccessPointServesByListPositionAndSurvivorsShrinkToOneWinner) {
  PrepareTwoClasses(5);
  // Round 0: nodes 0 and 2 send 0001 and 1000; 1, 3 and 4 stay silent.
  Script({kTransmit, PickWord(0, 4), kSilent, kTransmit, PickWord(3, 4), kSilent, kSilent,
          // Round 1, among 0, 2 and 4: node 0 sends 1000, node 2 sends 0010, node 4 is silent.
          kTransmit, PickWord(3, 4), kTransmit, PickWord(1, 4), kSilent});
  SetPairGain(1, 0, 0, kStrong);  // node 1 senses node 0 and leaves
  SetPairGain(1, 2, 3, kWeak);
  SetPairGain(3, 0, 0, kWeak);  // node 3 gets two weak powers on different subcarriers
  SetPairGain(3, 2, 3, kWeak);
  SetPairGain(4, 0, 3, kWeak);  // round 1: node 4 again only weak powers
  SetPairGain(4, 2, 1, kWeak);
  // Position 1 of a list reaches the access point only on subcarrier 2; rows 2 to 4 (the ids of
  // the second transmitter and of the quiet nodes) stay at 1.0 and must not be used.
  SetAccessPointRow(1, {kFaint, kFaint, 1.0, kFaint});

  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  EXPECT_EQ(Ids(NL_TX), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(Ids(NL_SILENT), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(Acc(nodes[1]), (std::vector<double>{kStrong, 0, 0, kWeak}));
  // The access point hears 0001 only (node 2's subcarrier 3 through row 1 is faint).
  EXPECT_EQ(Acc(ref), (std::vector<double>{1.0, 0, 0, kFaint}));
  EXPECT_EQ(ref.rx_word, 0b0001u);
  EXPECT_EQ(ref.word, 0b0011u);
  // Node 0 hears its own class; node 2 (position 1) hears nothing and stays.
  EXPECT_EQ(Acc(nodes[0]), (std::vector<double>{1.0, 1.0, 0, 0}));
  EXPECT_EQ(nodes[0].rx_word, 0b0011u);
  EXPECT_EQ(Acc(nodes[2]), (std::vector<double>{kFaint, kFaint, 0, 0}));
  EXPECT_EQ(nodes[2].rx_word, 0u);
  // Quiet node 3 (position 0) hears the reply and leaves; node 4 (position 1) does not.
  EXPECT_EQ(Acc(nodes[3]), (std::vector<double>{1.0, 1.0, 0, 0}));
  EXPECT_EQ(Acc(nodes[4]), (std::vector<double>{kFaint, kFaint, 0, 0}));
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{0, 2, 4}));
  EXPECT_EQ(Ids(NL_ALIVE), (std::vector<int32_t>{0, 2, 4}));
  EXPECT_EQ(nodelists[NL_ALIVE].members, nodelists[NL_WON].members);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(ns_pdf[0] + ns_pdf[1] + ns_pdf[ns], 0);

  EXPECT_EQ(SimRoundCentralizedRSSI(1), 1);
  EXPECT_EQ(Ids(NL_TX), (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{4}));
  EXPECT_EQ(ref.rx_word, 0b1000u);
  EXPECT_EQ(ref.word, 0b1110u);
  EXPECT_EQ(Acc(nodes[0]), (std::vector<double>{0, 1.0, 1.0, 1.0}));
  EXPECT_EQ(nodes[0].rx_word, 0b1110u);
  // Node 2 hears 0100 through row 1, whose closest class is 1110 while its own word is in 0011.
  EXPECT_EQ(Acc(nodes[2]), (std::vector<double>{0, kFaint, 1.0, kFaint}));
  EXPECT_EQ(nodes[2].rx_word, 0b0100u);
  EXPECT_EQ(Acc(nodes[4]), (std::vector<double>{0, 1.0, 1.0, 1.0}));
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{0}));
  // The success of node 0 in round 1.
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(nodes[0].successes, 1);
  EXPECT_EQ(nodes[0].wait_succ, 0);
  for (int32_t i = 1; i < 5; i++) EXPECT_EQ(nodes[i].wait_succ, 1) << "node " << i;
  EXPECT_DOUBLE_EQ(t_elapsed, t_succ);
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
}

TEST(CentralizedRound, TransmittersAtPositionsZeroAndOneUseTheFirstTwoAccessPointRows) {
  PrepareSimulation({"centr=1", "nn=5"}, 3);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  // Nodes 3 and 4 send subcarriers 2 and 5; nodes 0 to 2 are silent and sense nothing.
  Script({kSilent, kSilent, kSilent, kTransmit, PickWord(2, 6), kTransmit, PickWord(5, 6)});
  SetAccessPointRow(0, {1, 1, 1, 1, 1, 1});
  SetAccessPointRow(1, {kFaint, kFaint, kFaint, kFaint, kFaint, kFaint});
  SetAccessPointRow(3, {kFaint, kFaint, kFaint, kFaint, kFaint, kFaint});
  SetAccessPointRow(4, {kFaint, kFaint, kFaint, kFaint, kFaint, kFaint});

  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  // Only the first transmitter (row 0) reaches the access point.
  EXPECT_EQ(ref.rx_word, 0b000100u);
  EXPECT_EQ(ref.word, 0b000100u);
  EXPECT_EQ(nodes[3].rx_word, 0b000100u);
  EXPECT_EQ(nodes[4].rx_word, 0u);
  // The reply reaches quiet nodes 0 and 2 (rows 0 and 2), not node 1 (row 1).
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{3, 4, 1}));
}

TEST(CentralizedRound, EveryContenderTransmittingLeavesTheDecisionToTheAccessPoint) {
  PrepareSimulation({"centr=1", "nn=3", "pt=1,1,1"}, 3);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  Script({0, PickWord(2, 6), 0, PickWord(5, 6), 0, PickWord(5, 6),  // round 0
          0, PickWord(0, 6), 0, PickWord(4, 6)});                   // round 1: nodes 1, 2
  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  EXPECT_EQ(nodelists[NL_SILENT].count, 0);
  EXPECT_EQ(nodelists[NL_QUIET].count, 0);
  EXPECT_EQ(ref.rx_word, 0b100100u);
  EXPECT_EQ(ref.word, 0b100000u);
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(SimRoundCentralizedRSSI(1), 1);
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{2}));
  EXPECT_EQ(nodes[2].successes, 1);
  EXPECT_EQ(ns_pdf[1], 1);
}

TEST(CentralizedRound, AccessPointHearingNothingKeepsEveryContenderTransmittersFirst) {
  // -20 dBm is ten times the access-point gain: no single sender, and no pair gain, reaches it.
  PrepareSimulation({"centr=1", "nn=5", "rssi_thresh=-20"}, 3);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  Script({kSilent, kTransmit, PickWord(1, 6), kSilent, kTransmit, PickWord(4, 6), kSilent});
  ref.word = 0b111111u;  // whatever the access point replied last must not be sent again
  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  EXPECT_EQ(ref.rx_word, 0u);
  EXPECT_EQ(ref.word, 0b111111u);
  EXPECT_EQ(Acc(nodes[1]), std::vector<double>(6, 0.0));
  EXPECT_EQ(Acc(nodes[0]), std::vector<double>(6, 0.0));
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{0, 2, 4}));
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{1, 3, 0, 2, 4}));
  EXPECT_EQ(failures, 0);
}

TEST(CentralizedRound, TwoWeakTransmissionsOnOneSubcarrierAddUpAtASilentNode) {
  PrepareSimulation({"centr=1", "nn=3"}, 3);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  Script({kTransmit, PickWord(3, 6), kTransmit, PickWord(3, 6), kSilent});
  SetPairGain(2, 0, 3, kWeak);
  SetPairGain(2, 1, 3, kWeak);
  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  EXPECT_DOUBLE_EQ(nodes[2].rssi_acc[3], 2 * kWeak);
  EXPECT_EQ(nodelists[NL_QUIET].count, 0);
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{0, 1}));
}

TEST(CentralizedRound, ALoneTransmitterMisreadingTheReplyEndsInAProtocolFailure) {
  // Codeword 11 belongs to class 10; heard as 01 by the access point it draws the reply 01.
  static const std::string codebook = WriteTempFile("01\n11\n");
  static const std::string classes = WriteTempFile("01\n10\n");
  PrepareSimulation({"centr=1", "nn=1", "codebook=" + codebook, "classes=" + classes}, 3);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  Script({kTransmit, PickWord(1, 2)});
  SetAccessPointRow(0, {1.0, kFaint});
  EXPECT_EQ(SimRoundCentralizedRSSI(0), 0);
  EXPECT_EQ(ref.rx_word, 0b01u);
  EXPECT_EQ(ref.word, 0b01u);
  EXPECT_EQ(nodes[0].rx_word, 0b01u);
  EXPECT_EQ(nodelists[NL_WON].count, 0);
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(ns_pdf[ns], 1);
  EXPECT_EQ(nodes[0].wait_coll, 1);
  EXPECT_EQ(nodes[0].transmissions, 0);
  EXPECT_DOUBLE_EQ(t_elapsed, t_coll);
}

}  // namespace
