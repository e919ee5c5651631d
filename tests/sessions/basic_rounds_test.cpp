// The rounds of a basic session under scripted generator words: who transmits, which rounds are
// decided, who goes on, the channel draws before the first round, and the exact number of draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"

namespace {

// The generator words of one session, in the order the session draws them.
struct SCRIPT {
  std::vector<uint32_t> words;
  // A survivor that transmits and picks codeword idx (decision word 0 is below every pt > 0).
  SCRIPT &Send(int32_t idx) {
    words.push_back(0u);
    words.push_back(uint32_t(idx) * (UINT32_MAX / uint32_t(codewords.count)));
    return *this;
  }
  // A survivor that stays silent (the top word is above every pt < 1).
  SCRIPT &Quiet() {
    words.push_back(UINT32_MAX);
    return *this;
  }
  SCRIPT &Raw(uint32_t word) {
    words.push_back(word);
    return *this;
  }
  // Plays one session on these words and checks that it drew exactly them.
  int32_t Play() {
    QueueGenRandWords(words.data(), words.size());
    int32_t result = SimSession(refs);
    EXPECT_EQ(mt_rand.next, words.size()) << "words drawn by the session";
    return result;
  }
};

void ExpectTransmissions(std::vector<int32_t> expected) {
  for (size_t i = 0; i < expected.size(); i++)
    EXPECT_EQ(nodes[i].transmissions, expected[i]) << "node " << i;
}

TEST(BasicSessionRounds, WithoutListenersARoundOfAllTransmittersIsReplayedWithEveryone) {
  PrepareSimulation({"nn=3", "refs=0", "pt=0.5,0.5,0.5", "debug=0"});
  // Rounds 0 and 1: everybody sends, nobody hears; had either been decided, node 1 (alone on
  // codeword 5, resp. node 2 on 3) would have won it. Round 2: node 0 listens, node 1 wins.
  SCRIPT s;
  s.Send(0).Send(5).Send(2);
  s.Send(1).Send(2).Send(3);
  s.Quiet().Send(4).Send(1);
  EXPECT_EQ(s.Play(), 1);
  EXPECT_EQ(ns_pdf[2], 1);
  EXPECT_EQ(ns_pdf[0] + ns_pdf[1], 0);
  EXPECT_EQ(nodes[1].successes, 1);
  ExpectTransmissions({0, 1, 0});
}

TEST(BasicSessionRounds, ARoundWithoutTransmitterUsesUpOneRound) {
  PrepareSimulation({"nn=2", "pt=0.5,0.5", "debug=0"});
  SCRIPT s;
  s.Quiet().Quiet();
  s.Send(3).Send(1);
  EXPECT_EQ(s.Play(), 1);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(nodes[0].successes, 1);
  EXPECT_EQ(nodes[1].successes, 0);
}

TEST(BasicSessionRounds, SilentRoundsToTheEndAreACollisionOfEveryone) {
  PrepareSimulation({"nn=3", "pt=0.5", "debug=0"});
  SCRIPT s;
  s.Quiet().Quiet().Quiet();
  EXPECT_EQ(s.Play(), 0);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(failures, 0);
  ExpectTransmissions({1, 1, 1});
}

TEST(BasicSessionRounds, NoRoundHeardIsACollisionOfEveryone) {
  PrepareSimulation({"nn=3", "refs=0", "pt=1,1", "debug=0"});
  SCRIPT s;
  s.Send(5).Send(1).Send(0);
  s.Send(0).Send(2).Send(4);
  EXPECT_EQ(s.Play(), 0);
  EXPECT_EQ(ns_pdf[2], 1);
  EXPECT_EQ(failures, 0);
  ExpectTransmissions({1, 1, 1});
}

TEST(BasicSessionRounds, OnlyTiedWinnersGoOnInTheirTransmitOrder) {
  PrepareSimulation({"nn=4", "pt=0.5,0.5", "debug=0"});
  SCRIPT s;
  s.Send(2).Send(5).Quiet().Send(5);  // nodes 1 and 3 tie on the highest codeword
  s.Send(0).Send(4);                  // node 1 draws first, then node 3, who wins
  EXPECT_EQ(s.Play(), 1);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(nodes[3].successes, 1);
  ExpectTransmissions({0, 0, 0, 1});
}

TEST(BasicSessionRounds, TiedWinnersOfTheLastRoundAllSendIntoTheCollision) {
  PrepareSimulation({"nn=4", "pt=0.5,0.5", "debug=0"});
  SCRIPT s;
  s.Send(1).Send(4).Send(4).Send(4);
  s.Send(2).Quiet().Send(2);  // nodes 1 and 3 still tie; node 2 lost
  EXPECT_EQ(s.Play(), 0);
  EXPECT_EQ(ns_pdf[2], 1);
  ExpectTransmissions({0, 1, 0, 1});
}

TEST(BasicSessionRounds, ChannelsAreDrawnNodeByNodeBeforeTheFirstRound) {
  PrepareSimulation({"nn=2", "nf=2", "pt=1", "fsf_type=binom", "fsf_prob=0.5", "debug=0"});
  SCRIPT s;
  s.Raw(0).Raw(UINT32_MAX);  // node 0: subcarrier 0 faded, 1 clear
  s.Raw(UINT32_MAX).Raw(0);  // node 1: subcarrier 0 clear, 1 faded
  // Both send codeword 1 (subcarrier 1): only node 0 is heard, and only node 0 hears the reply.
  s.Send(1).Send(1);
  EXPECT_EQ(s.Play(), 1);
  EXPECT_EQ(nodes[0].mask, ~1u);
  EXPECT_EQ(nodes[1].mask, ~2u);
  EXPECT_EQ(nodes[0].successes, 1);
  ExpectTransmissions({1, 0});
}

TEST(BasicSessionRounds, ARoundWithoutWinnerEndsTheSession) {
  // Three codewords of two bits each: 011 and 101 together are heard as 111, whose closest
  // codeword is 110, which nobody sent.
  std::string book = WriteTempFile("011\n101\n110\n");
  PrepareSimulation({"nn=2", "pt=1,1", "codebook=" + book, "classes=" + book, "debug=0"});
  ASSERT_EQ(codewords.count, 3);
  SCRIPT s;
  s.Send(0).Send(1);
  EXPECT_EQ(s.Play(), 0);
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(ns_pdf[2], 1);
  ExpectTransmissions({0, 0});
  std::remove(book.c_str());
}

TEST(BasicSessionRounds, ASingleNodeWinsTheFirstRoundItSendsIn) {
  PrepareSimulation({"nn=1", "pt=0.5,0.5,0.5", "debug=0"});
  SCRIPT s;
  s.Quiet().Send(2);
  EXPECT_EQ(s.Play(), 1);
  EXPECT_EQ(ns_pdf[1], 1);
}

TEST(BasicSessionRounds, SuccessiveSessionsStartFromAllActiveNodes) {
  PrepareSimulation({"nn=3", "pt=0.5", "debug=0"});
  SCRIPT first;
  first.Send(0).Send(1).Quiet();
  EXPECT_EQ(first.Play(), 1);
  SCRIPT second;
  second.Quiet().Send(0).Send(3);
  EXPECT_EQ(second.Play(), 1);
  EXPECT_EQ(nodes[1].successes, 1);
  EXPECT_EQ(nodes[2].successes, 1);
}

}  // namespace
