// Sessions on scripted generator words: the rounds, endings and channel draws of basic sessions,
// the windowed transmit decisions against the contender-by-contender path, and every list and word
// of two ad hoc received-power rounds on hand-set gains.
#include "common/test_util.h"
#include "core/waits.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/endings.h"

namespace {

using W = std::vector<uint32_t>;  // words, written in decimal

// Plays one basic session on such a script; checks that it drew exactly these words.
int32_t Play(SIM &S, int32_t referees, const std::vector<int32_t> &picks,
             std::vector<uint32_t> words = {}) {
  size_t count = Script(S, picks, words);
  int32_t result = SimSession(S, referees);
  EXPECT_EQ(S.mt_rand.next, count) << "words drawn";
  return result;
}

TEST(BasicSession, RoundsAndEndingsOfAStoryOfSessions) {
  // RTS/CTS keeps t_succ and t_coll apart; node 3 exists but is not active.
  SIM &S = PrepareSimulation({"nn=3", "no_rts=0", "pdf_tx_wait=1", "min_frames=1", "ad_runs=100:4",
                              "adaptive=1", "ad_size=4", "debug=0"});
  NODE *nodes = S.nodes;
  const double ts = S.t_succ, tc = S.t_coll;
  nodes[0].wait_succ = 0;  // the adaptive set-up gave each a random start value
  nodes[1].wait_succ = 4, nodes[1].wait_coll = 2, nodes[1].t_delay_sum = 9;
  nodes[2].wait_succ = 3, nodes[2].wait_coll = 1, nodes[2].successes = 1;
  S.t_since_succ[2] = 0.5, nodes[2].t_delay_sum = 1;
  // Nobody listens: round 0, all sending, is replayed; in round 1 node 0 listens and node 1 wins.
  EXPECT_EQ(Play(S, 0, {0, 5, 2, kQuiet, 4, 1}), 1);
  EXPECT_EQ(S.over_min_frames, 0);
  // Nodes 1 and 2 tie; in round 1 node 2, drawing second, wins its second success.
  EXPECT_EQ(Play(S, 1, {2, 5, 5, 0, 4}), 1);
  // Three quiet rounds: everybody sends into the collision.
  EXPECT_EQ(Play(S, 1, std::vector<int32_t>(9, kQuiet)), 0);
  // Node 0 wins alone; now every active node has its frame.
  EXPECT_EQ(Play(S, 1, {3, kQuiet, kQuiet}), 1);
  EXPECT_EQ(S.over_min_frames, 1);
  // Nodes 1 and 2 tie to the last round; node 0 lost round 0. A session without success leaves
  // the frame flag alone.
  nodes[0].successes = 0;
  EXPECT_EQ(Play(S, 1, {1, 4, 4, 2, 2, 3, 3}), 0);
  EXPECT_EQ(S.over_min_frames, 1);
  // Per node: successes, transmissions, sessions won by others and sessions without a winner since
  // its last success, delay sum (the first successes count from 0), time since the last success
  // (node 0 lost its success by hand: its time goes on, unread, from 0).
  const V expected[4] = {{0, 2, 0, 1, 0, tc},
                         {1, 3, 2, 2, 0, ts + tc + ts + tc},
                         {2, 3, 1, 2, 1 + (0.5 + ts + ts), tc + ts + tc},
                         {0, 0, 0, 0, 0, 0}};
  for (const NODE &n : std::vector<NODE>(nodes, nodes + 4))
    EXPECT_EQ(V({double(n.successes), double(n.transmissions), double(WaitSucc(S, &n)),
                 double(WaitColl(S, &n)), n.t_delay_sum, S.t_since_succ[n.id]}),
              expected[n.id])
        << n.id;
  EXPECT_EQ(V(S.ns_pdf, S.ns_pdf + 4), (V{1, 2, 0, 2}));
  // Waiting samples (sessions since the last own success): 7 (node 1), 6 (node 2), 4 (node 0).
  EXPECT_EQ(V(S.tx_wait_hist + 3, S.tx_wait_hist + 9), (V{0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(V(S.ad_samples + 1, S.ad_samples + 4), (V{7, 6, 4}));  // after slot 0, the oldest
  EXPECT_DOUBLE_EQ(S.t_elapsed, 3 * ts + 2 * tc);
}

TEST(BasicSession, ChannelsAreDrawnNodeByNodeBeforeTheFirstRound) {
  SIM &S =
      PrepareSimulation({"nn=2", "nf=2", "pt=1,1", "fsf_type=binom", "fsf_prob=0.5", "debug=0"});
  // Node 0 fades on subcarrier 0, node 1 on 1. Both send word 0: only node 1 is heard, node 0
  // hears nothing, and both read class 0. Both send word 1: only node 0 is heard and hears.
  EXPECT_EQ(Play(S, 1, {0, 0, 1, 1}, {0, UINT32_MAX, UINT32_MAX, 0}), 1);
  EXPECT_EQ((W{S.nodes[0].mask, S.nodes[1].mask}), (W{~1u, ~2u}));
  EXPECT_EQ(S.nodes[0].successes + S.ns_pdf[1], 2);
}

// What sessions leave behind; general: every path of the session the contender-by-contender one.
V Sessions(Words words, bool general, int count, std::vector<uint32_t> script = {}) {
  words.push_back("debug=0");
  SIM &S = PrepareSimulation(words, 11);
  if (general) S.session_paths = SESSION_PATHS{};
  QueueGenRandWords(S.mt_rand, script.data(), script.size());
  V seen;
  for (int i = 0; i < count; i++) seen.push_back(SimSession(S, S.refs));
  for (int32_t i = 0; i < S.nn; i++) {
    const NODE &node = S.nodes[i];
    seen.insert(seen.end(), {double(node.successes), double(node.transmissions),
                             double(node.word_idx), double(node.word), node.t_delay_sum});
  }
  seen.insert(seen.end(), {double(S.failures), double(GenRandWordsUsed(S.mt_rand)), S.t_elapsed});
  for (int32_t k = 0; k <= S.ns; k++) seen.push_back(S.ns_pdf[k]);
  return seen;
}

TEST(WindowedDecisions, EqualTheContenderByContenderPath) {
  // clang-format off
  const Words settings[] = {
      {"nn=40", "pt=0.9,0.3,0.7"}, {"nn=7", "fsf_type=binom", "fsf_prob=0.3"},
      {"nn=9", "fsf_type=num", "fsf_num=2", "fsf_fbk=hamm74"}, {"nn=3", "refs=0", "pt=1,1,0.5"},
      {"nn=20", "pt=0.3333333333333333,1e-300,0.9999999999999999,1.5,-1"},
      {"nn=300", "pt=0.5,0.2,0.9"}, {"nn=70", "pt=0.03,0.6"}};
  // clang-format on
  for (const Words &words : settings)
    EXPECT_EQ(Sessions(words, false, 3000), Sessions(words, true, 3000)) << words.back();
  // A codeword word in the remainder above the last bucket is drawn again: node 0 sends 3 alone.
  const std::vector<uint32_t> script{0, UINT32_MAX, 3 * (UINT32_MAX / 6), UINT32_MAX};
  V fast = Sessions({"nn=2", "pt=0.5"}, false, 1, script);
  EXPECT_EQ(fast, Sessions({"nn=2", "pt=0.5"}, true, 1, script));
  EXPECT_EQ((V{fast[0], fast[3], fast[12]}), (V{1, 3, 4}));  // result, node 0's word, words drawn
  // The same inside a run of decisions: node 2's codeword is drawn again, nodes 3 to 5 stay quiet.
  const std::vector<uint32_t> inside{
      0, 0, UINT32_MAX, 0, UINT32_MAX, 2 * (UINT32_MAX / 6), UINT32_MAX, UINT32_MAX, UINT32_MAX};
  EXPECT_EQ(Sessions({"nn=6", "pt=0.5"}, false, 1, inside),
            Sessions({"nn=6", "pt=0.5"}, true, 1, inside));
}

// Against the default threshold of 6.31e-6: strong is heard, weak alone is not but two weak powers
// on one subcarrier are.
const double kStrong = 1e-3, kWeak = 4e-6;
using L = std::vector<int32_t>;

L Ids(const SIM &S, int list) {
  L ids;
  for (int32_t i = 0; i < S.nodelists[list].count; i++)
    ids.push_back(S.nodelists[list].members[i]->id);
  return ids;
}
V Acc(const NODE &node) { return {node.rssi_acc, node.rssi_acc + 4}; }

void SetPair(SIM &S, int32_t a, int32_t b, V gains) {
  for (int32_t m = 0; m < S.nf; m++) S.rssi[a][b][m] = S.rssi[b][a][m] = gains[m];
}

// Four one-hot codewords in two classes: 0001 and 0010 in class 0011, 0100 and 1000 in class 1110.
// The pair gains start at 0; the session start is made by hand, drawing no gains.
TEST(RSSIRounds, AdhocLeaversBecomeRefereesAndRepliesAddUp) {
  SIM &S =
      PrepareSimulation({"adhoc=1", "nn=5", "codebook=" + WriteTempFile("0001\n0010\n0100\n1000\n"),
                         "classes=" + WriteTempFile("0011\n1110\n"), "debug=0"},
                        7);
  ViewOf(&S.nodelists[NL_ALIVE], &S.nodelists[NL_ALL], S.nn);
  S.nodelists[NL_REFEREES].count = 0;
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
