// Sessions on scripted generator words (and hand-set gains): the basic session's rounds and
// endings, its one-pass path against the general one, and every list and word of received-power
// rounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "coding/codeword_draw.h"
#include "coding/feedback.h"
#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/centralized.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"
#include "support/mt_rand.h"

namespace {

const int32_t kQuiet = -1;
using V = std::vector<double>;
using W = std::vector<uint32_t>;  // words, written in decimal

// Queues the draws of survivors that, in draw order, send the given codeword index or stay quiet,
// after the raw words given first (channel draws); returns the number of words.
size_t Script(const std::vector<int32_t> &picks, std::vector<uint32_t> words = {}) {
  for (int32_t idx : picks)
    if (idx == kQuiet)
      words.push_back(UINT32_MAX);
    else
      words.insert(words.end(), {0u, uint32_t(idx) * (UINT32_MAX / uint32_t(codewords.count))});
  QueueGenRandWords(words.data(), words.size());
  return words.size();
}

// Plays one basic session on such a script; checks that it drew exactly these words.
int32_t Play(int32_t referees, const std::vector<int32_t> &picks,
             std::vector<uint32_t> words = {}) {
  size_t count = Script(picks, words);
  int32_t result = SimSession(referees);
  EXPECT_EQ(mt_rand.next, count) << "words drawn";
  return result;
}

// A field of node records 0 to 3, and entries from to to of a histogram.
V Each(auto NODE::*field) {
  return {double(nodes[0].*field), double(nodes[1].*field), double(nodes[2].*field),
          double(nodes[3].*field)};
}
V Entries(const int64_t *h, int from, int to) { return {h + from, h + to + 1}; }

TEST(BasicSession, RoundsAndEndingsOfAStoryOfSessions) {
  // RTS/CTS keeps t_succ and t_coll apart; node 3 exists but is not active.
  PrepareSimulation({"nn=3", "no_rts=0", "pdf_tx_wait=1", "min_frames=1", "ad_runs=100:4",
                     "adaptive=1", "ad_size=4", "debug=0"});
  const double ts = t_succ, tc = t_coll;
  nodes[0].wait_succ = 0;  // the adaptive set-up gave each a random start value
  nodes[1].wait_succ = 4, nodes[1].wait_coll = 2, nodes[1].t_delay_sum = 9;
  nodes[2].wait_succ = 3, nodes[2].wait_coll = 1, nodes[2].successes = 1;
  nodes[2].t_since_succ = 0.5, nodes[2].t_delay_sum = 1;
  // Nobody listens: round 0, all sending, is replayed; in round 1 node 0 listens and node 1 wins.
  EXPECT_EQ(Play(0, {0, 5, 2, kQuiet, 4, 1}), 1);
  EXPECT_EQ(nodes[0].t_since_succ, 0.0);
  EXPECT_EQ(over_min_frames, 0);
  // Nodes 1 and 2 tie; in round 1 node 2, drawing second, wins its second success.
  EXPECT_EQ(Play(1, {2, 5, 5, 0, 4}), 1);
  // Three quiet rounds: everybody sends into the collision.
  EXPECT_EQ(Play(1, {kQuiet, kQuiet, kQuiet, kQuiet, kQuiet, kQuiet, kQuiet, kQuiet, kQuiet}), 0);
  // Node 0 wins alone; now every active node has its frame.
  EXPECT_EQ(Play(1, {3, kQuiet, kQuiet}), 1);
  EXPECT_EQ(over_min_frames, 1);
  // Nodes 1 and 2 tie to the last round; node 0 lost round 0. A session without success leaves
  // the frame flag alone.
  nodes[0].successes = 0;
  EXPECT_EQ(Play(1, {1, 4, 4, 2, 2, 3, 3}), 0);
  EXPECT_EQ(over_min_frames, 1);
  EXPECT_EQ(Each(&NODE::successes), (V{0, 1, 2, 0}));
  EXPECT_EQ(Each(&NODE::transmissions), (V{2, 3, 3, 0}));
  EXPECT_EQ(Each(&NODE::wait_succ), (V{0, 2, 1, 0}));
  EXPECT_EQ(Each(&NODE::t_delay_sum), (V{0, 0, 1 + (0.5 + ts + ts), 0}));  // first ones from 0
  EXPECT_EQ(Each(&NODE::t_since_succ), (V{0, ts + tc + ts + tc, tc + ts + tc, 0}));
  EXPECT_EQ(Each(&NODE::wait_coll), (V{1, 2, 2, 0}));
  EXPECT_EQ(Entries(ns_pdf, 0, 3), (V{1, 2, 0, 2}));
  // Waiting samples (sessions since the last own success): 7 (node 1), 6 (node 2), 4 (node 0).
  EXPECT_EQ(Entries(tx_wait_hist, 3, 8), (V{0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(V(ad_samples + 1, ad_samples + 4), (V{7, 6, 4}));  // after slot 0, the oldest
  EXPECT_DOUBLE_EQ(t_elapsed, 3 * ts + 2 * tc);
}

TEST(BasicSession, ChannelsAreDrawnNodeByNodeBeforeTheFirstRound) {
  PrepareSimulation({"nn=2", "nf=2", "pt=1,1", "fsf_type=binom", "fsf_prob=0.5", "debug=0"});
  // Node 0 fades on subcarrier 0, node 1 on 1. Both send word 0: only node 1 is heard, node 0
  // hears nothing, and both read class 0. Both send word 1: only node 0 is heard and hears.
  EXPECT_EQ(Play(1, {0, 0, 1, 1}, {0, UINT32_MAX, UINT32_MAX, 0}), 1);
  EXPECT_EQ((W{nodes[0].mask, nodes[1].mask}), (W{~1u, ~2u}));
  EXPECT_EQ(nodes[0].successes + ns_pdf[1], 2);
}

TEST(BasicSessionDeathTest, SuccessRoundAtTheHistogramSizeEndsTheRun) {
  PrepareSimulation({"nn=2", "pt=0.5,0.5", "debug=0"});
  ns_pdf_size = 1;  // the array stays larger; only the bound moves
  EXPECT_EQ(Play(1, {3, 1}), 1);
  EXPECT_EXIT(Play(1, {kQuiet, kQuiet, 0, kQuiet}), testing::ExitedWithCode(4),
              "for \"ns_pdf\" \\(1/1\\)\\. Preallocate");
}

// What sessions leave behind; general: with the uniform draw and the closest-class test behind
// other slot addresses, which take the general path.
V Sessions(std::vector<std::string> words, bool general, int count,
           std::vector<uint32_t> script = {}) {
  words.push_back("debug=0");
  PrepareSimulation(words, 11);
  if (general)
    GenRandGeomUni = [](double tau, int32_t lo, int32_t hi) { return GenRandModUni2(tau, lo, hi); };
  if (general && FSFWonRound == FSFWonRoundClosestClass)
    FSFWonRound = [](int32_t reply, NODE *node) { return FSFWonRoundClosestClass(reply, node); };
  QueueGenRandWords(script.data(), script.size());
  V seen;
  for (int i = 0; i < count; i++) seen.push_back(SimSession(refs));
  for (int32_t i = 0; i < nn; i++)
    seen.insert(seen.end(),
                {double(nodes[i].successes), double(nodes[i].transmissions),
                 double(nodes[i].word_idx), double(nodes[i].word), nodes[i].t_delay_sum});
  seen.insert(seen.end(), {double(failures), double(GenRandWordsUsed()), t_elapsed});
  for (int32_t k = 0; k <= ns; k++) seen.push_back(ns_pdf[k]);
  return seen;
}

TEST(BasicSession, OnePassDecisionsGiveTheSessionsOfTheGeneralPath) {
  for (const std::vector<std::string> &words : std::vector<std::vector<std::string>>{
           {"nn=40", "pt=0.9,0.3,0.7"},
           {"nn=7", "fsf_type=binom", "fsf_prob=0.3"},
           {"nn=9", "fsf_type=num", "fsf_num=2", "fsf_fbk=hamm74"},
           {"nn=3", "refs=0", "pt=1,1,0.5"},
           {"nn=20", "pt=0.3333333333333333,1e-300,0.9999999999999999,1.5,-1"},
           {"nn=300", "pt=0.5,0.2,0.9"},
           {"nn=70", "pt=0.03,0.6"}})
    EXPECT_EQ(Sessions(words, false, 3000), Sessions(words, true, 3000)) << words.back();
  // A codeword word in the remainder above the last bucket is drawn again: node 0 sends 3 alone.
  const std::vector<uint32_t> script{0, UINT32_MAX, 3 * (UINT32_MAX / 6), UINT32_MAX};
  V fast = Sessions({"nn=2", "pt=0.5"}, false, 1, script);
  EXPECT_EQ(fast, Sessions({"nn=2", "pt=0.5"}, true, 1, script));
  EXPECT_EQ((V{fast[0], fast[3], fast[12]}), (V{1, 3, 4}));  // result, node 0's word, words drawn
  // The same inside a run of decisions: node 2's codeword is drawn again, nodes 3 to 5 stay quiet.
  const std::vector<uint32_t> inside{0,          0,          UINT32_MAX, 0,         UINT32_MAX,
                                     2 * (UINT32_MAX / 6), UINT32_MAX, UINT32_MAX, UINT32_MAX};
  EXPECT_EQ(Sessions({"nn=6", "pt=0.5"}, false, 1, inside),
            Sessions({"nn=6", "pt=0.5"}, true, 1, inside));
}

// Contenders read a decision word each and a codeword word after each decision to send: the
// decisions to send that bit arithmetic finds are those of a walk through the words.
TEST(TransmitDecisions, BitArithmeticFindsTheWalksDecisionsToSend) {
  std::mt19937_64 source(3);
  std::vector<uint64_t> cases{0, ~uint64_t(0), 0x5555555555555555u, 0xaaaaaaaaaaaaaaaau,
                              uint64_t(1) << 63, 0x8000000000000001u, 0x6u, 0xeu};
  for (int i = 0; i < 20000; i++) cases.push_back(source() & source());  // longer runs too
  for (int i = 0; i < 20000; i++) cases.push_back(source());
  for (uint64_t below : cases) {
    uint64_t walked = 0;
    for (int at = 0; at < 64; at += below >> at & 1 ? 2 : 1)
      if (below >> at & 1) walked |= uint64_t(1) << at;
    ASSERT_EQ(TransmittingDecisions(below), walked) << std::hex << below;
  }
}

// Against the default threshold of 6.31e-6: strong is heard, weak alone is not but two weak powers
// on one subcarrier are, faint never is.
const double kStrong = 1e-3, kWeak = 4e-6, kFaint = 1e-7;
using L = std::vector<int32_t>;

L Ids(int list) {
  L ids;
  for (int32_t i = 0; i < nodelists[list].count; i++) ids.push_back(nodelists[list].members[i]->id);
  return ids;
}
V Acc(const NODE &node) { return {node.rssi_acc, node.rssi_acc + nf}; }

// By default four one-hot codewords in two classes: 0001 and 0010 in class 0011, 0100 and 1000 in
// class 1110. The pair gains start at 0; the session start is made by hand, drawing no gains.
void Prepare(const char *mode, int32_t count, const char *book = "0001\n0010\n0100\n1000\n",
             const char *classes = "0011\n1110\n") {
  PrepareSimulation({mode, "nn=" + std::to_string(count), "codebook=" + WriteTempFile(book),
                     "classes=" + WriteTempFile(classes), "debug=0"},
                    7);
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  nodelists[NL_REFEREES].count = 0;
}

void SetPair(int32_t a, int32_t b, V gains) {
  for (int32_t m = 0; m < nf; m++) rssi[a][b][m] = rssi[b][a][m] = gains[m];
}

TEST(RSSIRounds, CentralizedAccessPointServesByListPosition) {
  Prepare("centr=1", 5);
  // Round 0: nodes 0 and 2 send 0001 and 1000; round 1, among 0, 2 and 4: 1000, 0010 and silent.
  Script({0, kQuiet, 3, kQuiet, kQuiet, 3, 1, kQuiet});
  SetPair(1, 0, {kStrong, 0, 0, 0});  // node 1 senses node 0 and leaves
  SetPair(1, 2, {0, 0, 0, kWeak});
  SetPair(3, 0, {kWeak, 0, 0, 0});  // nodes 3 and 4: weak powers on different subcarriers
  SetPair(3, 2, {0, 0, 0, kWeak});
  SetPair(4, 0, {0, 0, 0, kWeak});
  SetPair(4, 2, {0, kWeak, 0, 0});
  // Position 1 of a list reaches the access point on subcarrier 2 only; the rows of the ids
  // (2 to 4) stay at 1.0 and must not be used.
  for (int32_t m = 0; m < 4; m++) rssi_AP[1][m] = m == 2 ? 1.0 : kFaint;
  EXPECT_EQ(SimRoundCentralizedRSSI(0), kSessionGoesOn);
  EXPECT_EQ(Ids(NL_TX), (L{0, 2}));
  EXPECT_EQ(Ids(NL_QUIET), (L{3, 4}));
  // The access point hears 0001 (node 2 through row 1 is faint) and replies 0011, which node 0
  // and quiet node 3 hear, but not node 2 nor quiet node 4 (both at position 1).
  EXPECT_EQ(Acc(ref), (V{1.0, 0, 0, kFaint}));
  EXPECT_EQ((W{ref.rx_word, ref.word, nodes[0].rx_word, nodes[2].rx_word}), (W{1, 3, 3, 0}));
  EXPECT_EQ(Acc(nodes[4]), (V{kFaint, kFaint, 0, 0}));
  EXPECT_EQ(Ids(NL_ALIVE), (L{0, 2, 4}));
  EXPECT_EQ(ns_pdf[0] + ns_pdf[1] + ns_pdf[ns] + failures, 0);

  // The access point hears 1000 and replies 1110: node 2 hears 0100 through row 1, whose class
  // is not its own; quiet node 4 hears the reply.
  EXPECT_EQ(SimRoundCentralizedRSSI(1), 1);
  EXPECT_EQ(Ids(NL_QUIET), (L{4}));
  EXPECT_EQ((W{ref.rx_word, ref.word, nodes[0].rx_word, nodes[2].rx_word}), (W{8, 14, 14, 4}));
  EXPECT_EQ(Acc(nodes[2]), (V{0, kFaint, 1.0, kFaint}));
  EXPECT_EQ(Ids(NL_WON), (L{0}));
  EXPECT_EQ(ns_pdf[1] + nodes[0].successes, 2);
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
}

TEST(RSSIRounds, CentralizedLoneTransmitterMisreadingTheReplyIsAProtocolFailure) {
  // Word 11 (class 10) heard as 01 draws the reply 01, whose class is 01.
  Prepare("centr=1", 1, "01\n11\n", "01\n10\n");
  Script({1});
  rssi_AP[0][1] = kFaint;
  EXPECT_EQ(SimRoundCentralizedRSSI(0), 0);
  EXPECT_EQ((W{ref.rx_word, ref.word, nodes[0].rx_word}), (W{1, 1, 1}));
  EXPECT_EQ(nodelists[NL_WON].count, 0);
  EXPECT_EQ(failures + ns_pdf[ns] + nodes[0].wait_coll, 3);
}

TEST(RSSIRounds, AdhocLeaversBecomeRefereesAndRepliesAddUp) {
  Prepare("adhoc=1", 5);
  // Round 0: node 0 sends 0100 (class 1110), node 1 0001 (class 0011); 2, 3, 4 are silent.
  // Round 1, among 0 and 4: node 0 sends 1000 (class 1110), node 4 0010 (class 0011).
  Script({2, 0, kQuiet, kQuiet, kQuiet, 3, 1});
  SetPair(0, 1, {0, kWeak, 0, kStrong});
  SetPair(0, 2, {0, kWeak, kStrong, kWeak});
  SetPair(0, 3, {0, kWeak, kWeak, 0});
  SetPair(1, 2, {kWeak, kStrong, kStrong, 0});
  SetPair(1, 3, {kWeak, 0, 0, 0});
  SetPair(1, 4, {0, 0, kStrong, 0});
  SetPair(2, 3, {0, kStrong, 0, 0});
  SetPair(3, 4, {0, kStrong, 0, 0});
  EXPECT_EQ(SimRoundAdhocRSSI(0), kSessionGoesOn);
  EXPECT_EQ(Ids(NL_TX), (L{0, 1}));
  EXPECT_EQ(Ids(NL_QUIET), (L{3, 4}));
  // Node 2 senses node 0 and referees at once: it hears 0100 and replies 1110. Node 0 hears 0100,
  // its own class; node 1 hears 0110, closest to the other class.
  EXPECT_EQ(Acc(nodes[2]), (V{kWeak, 0, kStrong, 0}));
  EXPECT_EQ((W{nodes[2].rx_word, nodes[2].word, nodes[1].rx_word}), (W{4, 14, 6}));
  EXPECT_EQ(Acc(nodes[0]), (V{0, kWeak, kStrong, kWeak}));
  // Quiet node 3 hears the reply and referees; quiet node 4 hears nothing and stays.
  EXPECT_EQ(Acc(nodes[4]), (V{0, 0, 0, 0}));
  EXPECT_EQ(Ids(NL_REFEREES), (L{2, 1, 3}));
  EXPECT_EQ(Ids(NL_ALIVE), (L{0, 4}));

  // Round 1: nobody is silent; the referees listen. Node 2 hears one weak power and stays quiet;
  // node 1, the loser of round 0, hears 1000 and replies 1110; node 3 hears 0010, replies 0011.
  // Node 0 gets subcarrier 1 as the sum of two weak replies: 1010, class 1110, its own; node 4
  // hears 0110, class 1110, not its own: it loses and referees.
  EXPECT_EQ(SimRoundAdhocRSSI(1), 1);
  EXPECT_EQ((W{nodes[2].rx_word, nodes[2].word, nodes[1].rx_word, nodes[1].word, nodes[3].rx_word,
               nodes[3].word, nodes[0].rx_word}),
            (W{0, 14, 8, 14, 2, 3, 10}));
  EXPECT_EQ(Acc(nodes[0]), (V{0, 2 * kWeak, 0, kStrong}));
  EXPECT_EQ(Acc(nodes[4]), (V{0, kStrong, kStrong, 0}));
  EXPECT_EQ(Ids(NL_WON), (L{0}));
  EXPECT_EQ(Ids(NL_REFEREES), (L{2, 1, 3, 4}));
  EXPECT_EQ(ns_pdf[1] + nodes[0].successes, 2);
  EXPECT_EQ(failures, 0);
}

}  // namespace
