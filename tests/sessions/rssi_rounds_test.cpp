// Rounds of the ad hoc received-power session on scripted generator words and hand-set gains:
// every list and word of two rounds.
#include "common/test_util.h"
#include "sessions/adhoc.h"
#include "sessions/endings.h"

namespace {

using W = std::vector<uint32_t>;  // words, written in decimal

// Against the default threshold of 6.31e-6: strong is heard, weak alone is not but two weak powers
// on one subcarrier are, faint never is.
const double kStrong = 1e-3, kWeak = 4e-6, kFaint = 1e-7;
using L = std::vector<int32_t>;

L Ids(const SIM &S, int list) {
  L ids;
  for (int32_t i = 0; i < S.nodelists[list].count; i++)
    ids.push_back(S.nodelists[list].members[i]->id);
  return ids;
}
V Acc(const NODE &node) { return {node.rssi_acc, node.rssi_acc + 4}; }

// By default four one-hot codewords in two classes: 0001 and 0010 in class 0011, 0100 and 1000 in
// class 1110. The pair gains start at 0; the session start is made by hand, drawing no gains.
SIM &Prepare(const char *mode, int32_t count, const char *book = "0001\n0010\n0100\n1000\n",
             const char *classes = "0011\n1110\n") {
  SIM &S =
      PrepareSimulation({mode, "nn=" + std::to_string(count), "codebook=" + WriteTempFile(book),
                         "classes=" + WriteTempFile(classes), "debug=0"},
                        7);
  ViewOf(&S.nodelists[NL_ALIVE], &S.nodelists[NL_ALL], S.nn);
  S.nodelists[NL_REFEREES].count = 0;
  return S;
}

void SetPair(SIM &S, int32_t a, int32_t b, V gains) {
  for (int32_t m = 0; m < S.nf; m++) S.rssi[a][b][m] = S.rssi[b][a][m] = gains[m];
}

TEST(RSSIRounds, AdhocLeaversBecomeRefereesAndRepliesAddUp) {
  SIM &S = Prepare("adhoc=1", 5);
  const NODE *nodes = S.nodes;
  // Round 0: node 0 sends 0100 (class 1110), node 1 0001 (class 0011); 2, 3, 4 are silent.
  // Round 1, among 0 and 4: node 0 sends 1000 (class 1110), node 4 0010 (class 0011).
  Script(S, {2, 0, kQuiet, kQuiet, kQuiet, 3, 1});
  SetPair(S, 0, 1, {0, kWeak, 0, kStrong});
  SetPair(S, 0, 2, {0, kWeak, kStrong, kWeak});
  SetPair(S, 0, 3, {0, kWeak, kWeak, 0});
  SetPair(S, 1, 2, {kWeak, kStrong, kStrong, 0});
  SetPair(S, 1, 3, {kWeak, 0, 0, 0});
  SetPair(S, 1, 4, {0, 0, kStrong, 0});
  SetPair(S, 2, 3, {0, kStrong, 0, 0});
  SetPair(S, 3, 4, {0, kStrong, 0, 0});
  EXPECT_EQ(SimRoundAdhocRSSI(S, 0), kSessionGoesOn);
  EXPECT_EQ(Ids(S, NL_TX), (L{0, 1}));
  EXPECT_EQ(Ids(S, NL_QUIET), (L{3, 4}));
  // Node 2 senses node 0 and referees at once: it hears 0100 and replies 1110. Node 0 hears 0100,
  // its own class; node 1 hears 0110, closest to the other class.
  EXPECT_EQ(Acc(nodes[2]), (V{kWeak, 0, kStrong, 0}));
  EXPECT_EQ((W{nodes[2].rx_word, nodes[2].word, nodes[1].rx_word}), (W{4, 14, 6}));
  EXPECT_EQ(Acc(nodes[0]), (V{0, kWeak, kStrong, kWeak}));
  // Quiet node 3 hears the reply and referees; quiet node 4 hears nothing and stays.
  EXPECT_EQ(Acc(nodes[4]), (V{0, 0, 0, 0}));
  EXPECT_EQ(Ids(S, NL_REFEREES), (L{2, 1, 3}));
  EXPECT_EQ(Ids(S, NL_ALIVE), (L{0, 4}));

  // Round 1: nobody is silent; the referees listen. Node 2 hears one weak power and stays quiet;
  // node 1, the loser of round 0, hears 1000 and replies 1110; node 3 hears 0010, replies 0011.
  // Node 0 gets subcarrier 1 as the sum of two weak replies: 1010, class 1110, its own; node 4
  // hears 0110, class 1110, not its own: it loses and referees.
  EXPECT_EQ(SimRoundAdhocRSSI(S, 1), 1);
  EXPECT_EQ((W{nodes[2].rx_word, nodes[2].word, nodes[1].rx_word, nodes[1].word, nodes[3].rx_word,
               nodes[3].word, nodes[0].rx_word}),
            (W{0, 14, 8, 14, 2, 3, 10}));
  EXPECT_EQ(Acc(nodes[0]), (V{0, 2 * kWeak, 0, kStrong}));
  EXPECT_EQ(Acc(nodes[4]), (V{0, kStrong, kStrong, 0}));
  EXPECT_EQ(Ids(S, NL_WON), (L{0}));
  EXPECT_EQ(Ids(S, NL_REFEREES), (L{2, 1, 3, 4}));
  EXPECT_EQ(S.ns_pdf[1] + nodes[0].successes, 2);
  EXPECT_EQ(S.failures, 0);
}

}  // namespace
