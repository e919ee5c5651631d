// The state reset: after a played simulation every block is released and the same simulation plays
// again the same way, the generators and stopwatches restarted; the nodes' waiting counts.
#include "core/state.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/test_util.h"
#include "core/waits.h"
#include "sessions/basic.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"

namespace {

// Plays 200 sessions with the optional models on; returns the clock, failures and counts.
std::vector<double> Play() {
  PrepareSimulation(
      {"nn=4", "ad_runs=3:9", "fsf_type=binom", "adaptive=1", "interleave=2", "fsf_fbk=hamm74",
       "pdf_tx_wait=1", "debug=1", "pt=0.5,0.4,0.3", "pn=1,1,1", "pw=0.8,0.8,0.8", "tau=0,0,0"},
      77u);
  for (run = 1; run <= 200; run++) SimSession(refs);
  std::vector<double> outcome{t_elapsed, double(failures)};
  for (int32_t i = 0; i < nn; i++) outcome.push_back(double(nodes[i].successes));
  for (int32_t i = 0; i <= ns; i++) outcome.push_back(double(ns_pdf[i]));
  return outcome;
}

TEST(ResetState, ReleasesAPlayedSimulationAndRestoresTheStartValues) {
  const std::vector<double> first = Play();
  ASSERT_GT(first[0], 0.0);
  Stopwatch(1);  // left running
  const uint32_t word = 7;
  QueueGenRandWords(&word, 1);  // a word left queued
  ResetState();
  EXPECT_EQ(nodes, nullptr);
  EXPECT_EQ(ns_pdf, nullptr);
  EXPECT_EQ(gsl_base_rand, nullptr);
  EXPECT_EQ(nn, 5);
  EXPECT_EQ(runs, 10000);
  EXPECT_STREQ(fsf_fbk, "class");
  EXPECT_EQ(cached_hamming74_encode[1], 0);
  EXPECT_EQ(nodelists[NL_ALL].members, nullptr);
  EXPECT_EQ(FSFWonRound, nullptr);
  EXPECT_EQ(genrand_int32(), 3499211612u) << "unseeded, the queued word dropped";
  EXPECT_EQ(Stopwatch(1), 0.0) << "the running watch was stopped";
  EXPECT_EQ(Play(), first);
  ResetState();
}

}  // namespace

namespace {

// Sessions that end count for the active nodes only; a node that leaves stands still until it
// joins again, and then counts on from where it stood.
TEST(WaitingCounts, ActiveNodesCountOnAndInactiveOnesStandStill) {
  PrepareSimulation({"nn=2", "ad_runs=5:4", "debug=0"});
  for (int32_t i = 0; i < 4; i++) SetWaits(&nodes[i], 10 * i, i);
  won_sessions += 3, unwon_sessions += 1;  // three sessions won, one without a winner
  SetActiveNodes(4);
  won_sessions += 1;
  SetActiveNodes(1);
  unwon_sessions += 2;
  const int64_t succ[] = {4, 14, 21, 31}, coll[] = {3, 2, 2, 3};
  for (int32_t i = 0; i < 4; i++) {
    EXPECT_EQ(WaitSucc(&nodes[i]), succ[i]) << i;
    EXPECT_EQ(WaitColl(&nodes[i]), coll[i]) << i;
  }
}

}  // namespace
