// Checks of the exact reference law itself on settings small enough to count by hand, so that the
// statistical tests of the sessions compare against trustworthy numbers.
#include <gtest/gtest.h>

#include "sessions/survivor_chain.h"

namespace {

CHAIN_CASE Case(int32_t nn, int32_t nf, std::vector<double> pt, int32_t refs = 1,
                bool fade_all = false) {
  CHAIN_CASE c;
  c.nn = nn;
  c.nf = nf;
  c.pt = std::move(pt);
  c.refs = refs;
  c.fade_all = fade_all;
  return c;
}

TEST(SurvivorChainReference, TwoNodesTwoSubcarriersOneRound) {
  // Both transmit; they part when their picks differ (probability 1/2).
  CHAIN_RESULT r = SurvivorChain(Case(2, 2, {1.0}));
  EXPECT_DOUBLE_EQ(r.end_round[0], 0.5);
  EXPECT_DOUBLE_EQ(r.end_round[1], 0.5);
  EXPECT_DOUBLE_EQ(r.collision, 0.5);
  EXPECT_DOUBLE_EQ(r.failure, 0.0);
  EXPECT_DOUBLE_EQ(r.data_frames, 1.5);
}

TEST(SurvivorChainReference, TiedWinnersTryAgainInTheNextRound) {
  CHAIN_RESULT r = SurvivorChain(Case(2, 2, {1.0, 1.0}));
  EXPECT_DOUBLE_EQ(r.end_round[0], 0.5);
  EXPECT_DOUBLE_EQ(r.end_round[1], 0.25);
  EXPECT_DOUBLE_EQ(r.end_round[2], 0.25);
  EXPECT_DOUBLE_EQ(r.success, 0.75);
}

TEST(SurvivorChainReference, ThreeNodesKeepThoseAtTheHighestPick) {
  // Eight equally likely pick patterns over two subcarriers: one node alone on the highest in
  // three of them (100, 010, 001 read as "on subcarrier 1").
  CHAIN_RESULT r = SurvivorChain(Case(3, 2, {1.0}));
  EXPECT_DOUBLE_EQ(r.success, 3.0 / 8);
  // Two left in three patterns, three left in two (all on 0, all on 1).
  EXPECT_DOUBLE_EQ(r.data_frames, 3.0 / 8 + 2 * 3.0 / 8 + 3 * 2.0 / 8);
}

TEST(SurvivorChainReference, SilentRoundsUseUpRounds) {
  CHAIN_RESULT r = SurvivorChain(Case(1, 6, {0.5, 0.5}));
  EXPECT_DOUBLE_EQ(r.end_round[0], 0.5);
  EXPECT_DOUBLE_EQ(r.end_round[1], 0.25);
  EXPECT_DOUBLE_EQ(r.collision, 0.25);
}

TEST(SurvivorChainReference, WithoutListenersOnlyPartialRoundsAreDecided) {
  // All of two nodes transmitting is never heard; one transmitting alone wins at once.
  EXPECT_DOUBLE_EQ(SurvivorChain(Case(2, 2, {1.0, 1.0}, 0)).collision, 1.0);
  CHAIN_RESULT r = SurvivorChain(Case(2, 2, {0.5}, 0));
  EXPECT_DOUBLE_EQ(r.success, 0.5);
  EXPECT_DOUBLE_EQ(r.data_frames, 0.5 + 2 * 0.5);
  // A lone node without a referee never gets a decision.
  EXPECT_DOUBLE_EQ(SurvivorChain(Case(1, 6, {0.9, 0.9, 0.9}, 0)).success, 0.0);
}

TEST(SurvivorChainReference, FadingEverythingKeepsThoseOnWordZero) {
  CHAIN_RESULT r = SurvivorChain(Case(2, 2, {1.0}, 1, true));
  EXPECT_DOUBLE_EQ(r.failure, 0.25);
  EXPECT_DOUBLE_EQ(r.success, 0.5);
  EXPECT_DOUBLE_EQ(r.collision, 0.25);
  EXPECT_DOUBLE_EQ(r.end_round[1], 0.5);
  EXPECT_DOUBLE_EQ(r.data_frames, 0.5 + 2 * 0.25);
}

TEST(SurvivorChainReference, ProbabilitiesAddUpForLargeGroups) {
  CHAIN_RESULT r = SurvivorChain(Case(200, 26, {0.05, 0.8, 0.85}));
  double total = 0;
  for (double p : r.end_round) total += p;
  EXPECT_NEAR(total, 1.0, 1e-9);
  EXPECT_NEAR(r.failure, 0.0, 1e-15);
  EXPECT_GT(r.success, 0.0);
}

}  // namespace
