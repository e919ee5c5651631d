// Rounds of the ad hoc session played one at a time on hand-set gains and scripted draws: who
// becomes a referee and when, the superposed replies, survivors and endings, against worked values.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/endings.h"
#include "support/mt_rand.h"

namespace {

// Powers against the default threshold of 6.31e-6: strong is heard, weak alone is not but two
// weak powers on one subcarrier are.
const double kStrong = 1e-3, kWeak = 4e-6;
const uint32_t kTransmit = 0, kSilent = UINT32_MAX;  // transmit draws against pt 0.5

// The 32-bit word that makes the uniform codeword draw among count words pick index.
uint32_t PickWord(uint32_t index, uint32_t count) { return index * (UINT32_MAX / count); }

std::vector<int32_t> Ids(int list) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < nodelists[list].count; i++) ids.push_back(nodelists[list].members[i]->id);
  return ids;
}

std::vector<double> Acc(const NODE &node) { return {node.rssi_acc, node.rssi_acc + nf}; }

void SetPairGains(int32_t a, int32_t b, std::vector<double> gains) {
  for (int32_t m = 0; m < nf; m++) rssi[a][b][m] = rssi[b][a][m] = gains[m];
}

void Script(std::vector<uint32_t> words) { QueueGenRandWords(words.data(), words.size()); }

// The session start as the session makes it, without drawing gains.
void StartSession(std::vector<std::string> words, uint32_t seed = 5) {
  PrepareSimulation(words, seed);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  nodelists[NL_REFEREES].count = 0;
}

// Four one-hot codewords in two classes: words 0001 and 0010 belong to class 0011, words 0100 and
// 1000 to class 1110. The pair gains (subcarriers 0 to 3) are worked out for two rounds below.
void PrepareTwoClasses() {
  static const std::string codebook = WriteTempFile("0001\n0010\n0100\n1000\n");
  static const std::string classes = WriteTempFile("0011\n1110\n");
  StartSession({"adhoc=1", "nn=5", "codebook=" + codebook, "classes=" + classes});
  SetPairGains(0, 1, {0, kWeak, 0, kStrong});
  SetPairGains(0, 2, {0, kWeak, kStrong, kWeak});
  SetPairGains(0, 3, {0, kWeak, kWeak, 0});
  SetPairGains(1, 2, {kWeak, kStrong, kStrong, 0});
  SetPairGains(1, 3, {kWeak, 0, 0, 0});
  SetPairGains(1, 4, {0, 0, kStrong, 0});
  SetPairGains(2, 3, {0, kStrong, 0, 0});
  SetPairGains(3, 4, {0, kStrong, 0, 0});
}

TEST(AdhocRound, NodesLeavingContentionBecomeRefereesInTheOrderWritten) {
  PrepareTwoClasses();
  // Round 0: node 0 sends 0100 (class 1110), node 1 sends 0001 (class 0011); 2, 3, 4 are silent.
  Script({kTransmit, PickWord(2, 4), kTransmit, PickWord(0, 4), kSilent, kSilent, kSilent,
          // Round 1, among 0 and 4: node 0 sends 1000 (class 1110), node 4 sends 0010 (0011).
          kTransmit, PickWord(3, 4), kTransmit, PickWord(1, 4)});

  EXPECT_EQ(SimRoundAdhocRSSI(0), kSessionGoesOn);
  EXPECT_EQ(Ids(NL_TX), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(Ids(NL_SILENT), (std::vector<int32_t>{2, 3, 4}));
  // Node 2 senses node 0 and referees at once: it heard 0100 and replies 1110.
  EXPECT_EQ(Acc(nodes[2]), (std::vector<double>{kWeak, 0, kStrong, 0}));
  EXPECT_EQ(nodes[2].rx_word, 0b0100u);
  EXPECT_EQ(nodes[2].word, 0b1110u);
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{3, 4}));
  // Node 0 hears 0100, closest to its own class; node 1 hears 0110, closest to the other class.
  EXPECT_EQ(Acc(nodes[0]), (std::vector<double>{0, kWeak, kStrong, kWeak}));
  EXPECT_EQ(nodes[0].rx_word, 0b0100u);
  EXPECT_EQ(Acc(nodes[1]), (std::vector<double>{0, kStrong, kStrong, 0}));
  EXPECT_EQ(nodes[1].rx_word, 0b0110u);
  // Quiet node 3 sensed nothing but hears the reply; quiet node 4 hears nothing.
  EXPECT_EQ(Acc(nodes[3]), (std::vector<double>{0, kStrong, 0, 0}));
  EXPECT_EQ(Acc(nodes[4]), (std::vector<double>{0, 0, 0, 0}));
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{0, 4}));
  EXPECT_EQ(Ids(NL_REFEREES), (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(Ids(NL_ALIVE), (std::vector<int32_t>{0, 4}));

  // Round 1: no silent node; the referees of round 0 listen. Node 2 hears only a weak power and
  // sends nothing; node 1 (the loser of round 0) hears 1000 and replies 1110; node 3 hears 0010
  // and replies 0011.
  EXPECT_EQ(SimRoundAdhocRSSI(1), 1);
  EXPECT_EQ(nodelists[NL_SILENT].count, 0);
  EXPECT_EQ(Acc(nodes[2]), (std::vector<double>{0, 0, 0, kWeak}));
  EXPECT_EQ(nodes[2].rx_word, 0u);
  EXPECT_EQ(nodes[2].word, 0b1110u);
  EXPECT_EQ(Acc(nodes[1]), (std::vector<double>{0, 0, 0, kStrong}));
  EXPECT_EQ(nodes[1].rx_word, 0b1000u);
  EXPECT_EQ(nodes[1].word, 0b1110u);
  EXPECT_EQ(Acc(nodes[3]), (std::vector<double>{0, kStrong, 0, 0}));
  EXPECT_EQ(nodes[3].rx_word, 0b0010u);
  EXPECT_EQ(nodes[3].word, 0b0011u);
  // Node 0 gets subcarrier 1 only as the sum of two weak replies: 1010, class 1110, its own.
  EXPECT_EQ(Acc(nodes[0]), (std::vector<double>{0, 2 * kWeak, 0, kStrong}));
  EXPECT_EQ(nodes[0].rx_word, 0b1010u);
  // Node 4 hears 0110, class 1110, not its own: it loses and referees.
  EXPECT_EQ(Acc(nodes[4]), (std::vector<double>{0, kStrong, kStrong, 0}));
  EXPECT_EQ(nodes[4].rx_word, 0b0110u);
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{0}));
  EXPECT_EQ(Ids(NL_REFEREES), (std::vector<int32_t>{2, 1, 3, 4}));
  EXPECT_EQ(nodes[0].successes, 1);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(failures, 0);
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
}

TEST(AdhocRound, SilentNodeSensingTheOnlyTransmitterRefereesAndItWins) {
  StartSession({"adhoc=1", "nn=2"});
  Script({kTransmit, PickWord(3, 6), kSilent});
  SetPairGains(0, 1, {0, 0, 0, kStrong, 0, 0});
  EXPECT_EQ(SimRoundAdhocRSSI(0), 1);
  EXPECT_EQ(Ids(NL_REFEREES), (std::vector<int32_t>{1}));
  EXPECT_EQ(nodes[1].rx_word, 0b001000u);
  EXPECT_EQ(nodes[1].word, 0b001000u);
  EXPECT_EQ(nodes[0].rx_word, 0b001000u);
  EXPECT_EQ(nodes[0].successes, 1);
  EXPECT_EQ(ns_pdf[0], 1);
}

TEST(AdhocRound, SilentNodeMissingTheOnlyTransmitterLeavesTheRoundUndecided) {
  StartSession({"adhoc=1", "nn=2"});
  Script({kTransmit, PickWord(3, 6), kSilent});
  SetPairGains(0, 1, {kStrong, kStrong, kStrong, kWeak, kStrong, kStrong});
  EXPECT_EQ(SimRoundAdhocRSSI(0), kSessionGoesOn);
  EXPECT_EQ(nodelists[NL_REFEREES].count, 0);
  EXPECT_EQ(Ids(NL_QUIET), (std::vector<int32_t>{1}));
  EXPECT_EQ(Ids(NL_ALIVE), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(nodelists[NL_ALIVE].members, nodelists[NL_ALL].members);
  EXPECT_EQ(failures + ns_pdf[0] + ns_pdf[ns], 0);
}

TEST(AdhocRound, LoneTransmitterMisreadingTheOnlyReplyEndsInAProtocolFailure) {
  // Codeword 11 belongs to class 10; heard as 01 by the referee it draws the reply 01.
  static const std::string codebook = WriteTempFile("01\n11\n");
  static const std::string classes = WriteTempFile("01\n10\n");
  StartSession({"adhoc=1", "nn=2", "codebook=" + codebook, "classes=" + classes});
  Script({kTransmit, PickWord(1, 2), kSilent});
  SetPairGains(0, 1, {kStrong, kWeak});
  EXPECT_EQ(SimRoundAdhocRSSI(0), 0);
  EXPECT_EQ(nodes[1].rx_word, 0b01u);
  EXPECT_EQ(nodes[1].word, 0b01u);
  EXPECT_EQ(nodes[0].rx_word, 0b01u);
  EXPECT_EQ(nodelists[NL_WON].count, 0);
  EXPECT_EQ(Ids(NL_REFEREES), (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(ns_pdf[ns], 1);
  EXPECT_EQ(nodes[0].wait_coll, 1);
  EXPECT_EQ(nodes[1].wait_coll, 1);
}

TEST(AdhocRound, EveryContenderTransmittingBeforeAnyoneLeftIsSkipped) {
  StartSession({"adhoc=1", "nn=3", "pt=1,1,1"});
  Script({0, PickWord(2, 6), 0, PickWord(5, 6), 0, PickWord(1, 6)});
  SetPairGains(0, 1, {kStrong, kStrong, kStrong, kStrong, kStrong, kStrong});
  EXPECT_EQ(SimRoundAdhocRSSI(0), kSessionGoesOn);
  EXPECT_EQ(Ids(NL_TX), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(nodelists[NL_REFEREES].count, 0);
  EXPECT_EQ(Ids(NL_ALIVE), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(nodes[0].rx_word, 0u);
  EXPECT_EQ(failures + ns_pdf[0] + ns_pdf[ns], 0);
}

TEST(AdhocRound, EveryContenderTransmittingIsDecidedByEarlierReferees) {
  StartSession({"adhoc=1", "nn=3", "pt=1,1,1"});
  // Node 2 left in an earlier round; nodes 0 and 1 both transmit now.
  nodelists[NL_REFEREES].members[0] = &nodes[2];
  nodelists[NL_REFEREES].count = 1;
  nodelists[NL_ALIVE].count = 2;
  Script({0, PickWord(1, 6), 0, PickWord(4, 6)});
  SetPairGains(2, 0, {kStrong, kStrong, kStrong, kStrong, kStrong, kStrong});
  SetPairGains(2, 1, {kStrong, kStrong, kStrong, kStrong, kStrong, kStrong});
  EXPECT_EQ(SimRoundAdhocRSSI(0), 1);
  EXPECT_EQ(nodes[2].rx_word, 0b010010u);
  EXPECT_EQ(nodes[2].word, 0b010000u);
  EXPECT_EQ(Ids(NL_WON), (std::vector<int32_t>{1}));
  EXPECT_EQ(Ids(NL_REFEREES), (std::vector<int32_t>{2, 0}));
}

}  // namespace
