// Whole received-power sessions at the edges a user can reach: idle schedules, a lone contender,
// an access point that hears nothing, rounds nobody can referee, the adaptive hook, and the choice
// of the session routine by the options.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/run_loop.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/centralized.h"
#include "sessions/survivor_chain.h"
#include "support/mt_rand.h"

namespace {

struct SESSION_KIND {
  const char *mode;
  SessionFn session;
};
const SESSION_KIND kBoth[] = {{"centr=1", SimSessionCentralizedRSSI},
                              {"adhoc=1", SimSessionAdhocRSSI}};

void Script(std::vector<uint32_t> words) { QueueGenRandWords(words.data(), words.size()); }

// Plays count sessions, expecting each to end without success; returns nothing, checks the run.
void ExpectNoSuccessEver(SessionFn session, int32_t count) {
  for (int32_t i = 0; i < count; i++) ASSERT_EQ(session(refs), 0) << "session " << i;
  EXPECT_EQ(ns_pdf[ns], count);
  EXPECT_EQ(failures, 0);
  for (int32_t i = 0; i < nn; i++) {
    EXPECT_EQ(nodes[i].successes, 0) << "node " << i;
    EXPECT_EQ(nodes[i].wait_coll, count) << "node " << i;
    EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
  }
  EXPECT_NEAR(t_elapsed, count * t_coll, 1e-9 * count * t_coll);
}

TEST(RSSISessionEdges, ScheduleOfZerosMakesEveryRoundIdle) {
  for (const SESSION_KIND &kind : kBoth) {
    SCOPED_TRACE(kind.mode);
    PrepareSimulation({kind.mode, "pt=0,0,0", "debug=0"}, 3);
    ExpectNoSuccessEver(kind.session, 300);
    for (int32_t k = 0; k < ns; k++) EXPECT_EQ(ns_pdf[k], 0);
  }
}

TEST(RSSISessionEdges, AccessPointThatHearsNothingNeverShrinksTheContenders) {
  // -20 dBm is ten times an access-point gain, and far above any pair gain.
  PrepareSimulation({"centr=1", "rssi_thresh=-20", "debug=0"}, 3);
  ExpectNoSuccessEver(SimSessionCentralizedRSSI, 2000);
}

TEST(RSSISessionEdges, AdhocSessionWhereNobodyHearsAnybodyIsNeverDecided) {
  PrepareSimulation({"adhoc=1", "rssi_thresh=-20", "debug=0"}, 3);
  ExpectNoSuccessEver(SimSessionAdhocRSSI, 2000);
}

TEST(RSSISessionEdges, LoneAdhocNodeNeverWins) {
  PrepareSimulation({"adhoc=1", "nn=1", "rssi_min=-60", "debug=0"}, 3);
  ExpectNoSuccessEver(SimSessionAdhocRSSI, 2000);
}

TEST(RSSISessionEdges, AdhocContendersAlwaysAllTransmittingAreNeverDecided) {
  PrepareSimulation({"adhoc=1", "nn=4", "pt=1,1,1,1", "rssi_min=-60", "debug=0"}, 3);
  ExpectNoSuccessEver(SimSessionAdhocRSSI, 500);
}

TEST(RSSISessionEdges, LoneCentralizedContenderWinsInTheFirstRoundItTransmits) {
  PrepareSimulation({"centr=1", "nn=1", "debug=0"}, 3);
  Script({UINT32_MAX, 0, 4 * (UINT32_MAX / 6)});  // silent, then transmits word 4
  EXPECT_EQ(SimSessionCentralizedRSSI(refs), 1);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(nodes[0].successes, 1);
  EXPECT_EQ(nodes[0].rx_word, 0b010000u);
  EXPECT_EQ(ref.word, 0b010000u);
}

TEST(RSSISessionEdges, LoneCentralizedContenderSucceedsUnlessSilentInEveryRound) {
  const int32_t runs = 40000;
  PrepareSimulation({"centr=1", "nn=1", "pt=0.5,0.3,0.8,0.6", "debug=0"}, 5);
  for (int32_t i = 0; i < runs; i++) SimSessionCentralizedRSSI(refs);
  const double exact[] = {0.5, 0.5 * 0.3, 0.5 * 0.7 * 0.8, 0.5 * 0.7 * 0.2 * 0.6,
                          0.5 * 0.7 * 0.2 * 0.4};
  for (int32_t k = 0; k <= 4; k++)
    EXPECT_NEAR(double(ns_pdf[k]) / runs, exact[k], FiveSigma(exact[k], runs)) << "round " << k;
  EXPECT_EQ(failures, 0);
}

TEST(RSSISessionEdges, WinnerHandsItsWaitToTheEstimatorAndTheWaitingHistogram) {
  // Without fading the lone listener of the ad hoc pair always senses and referees.
  const std::vector<std::string> settings[] = {
      {"centr=1", "nn=1", "adaptive=1", "pdf_tx_wait=1", "debug=0"},
      {"adhoc=1", "nn=2", "adaptive=1", "pdf_tx_wait=1", "rssi_min=-60", "debug=0"}};
  for (const std::vector<std::string> &words : settings) {
    SCOPED_TRACE(words[0]);
    PrepareSimulation(words, 3);
    nodes[0].wait_succ = 6;
    nodes[0].wait_coll = 2;
    int32_t oldest = ad_oldest_idx;
    Script({0, 1 * (UINT32_MAX / 6), UINT32_MAX});  // node 0 transmits, node 1 (if any) not
    EXPECT_EQ(words[0] == "centr=1" ? SimSessionCentralizedRSSI(refs) : SimSessionAdhocRSSI(refs),
              1);
    EXPECT_EQ(nodes[0].successes, 1);
    EXPECT_EQ(ad_oldest_idx, (oldest + 1) % ad_size);
    EXPECT_EQ(ad_samples[ad_oldest_idx], 9.0);
    EXPECT_EQ(tx_wait_hist[9], 1);
    EXPECT_EQ(nodes[0].wait_succ, 0);
    EXPECT_EQ(nodes[0].wait_coll, 0);
  }
}

TEST(RSSISessionEdges, AdhocOptionWinsOverCentralized) {
  ParseWords({"adhoc=1", "centr=1"});
  EXPECT_EQ(ChooseSession(), &SimSessionAdhocRSSI);
  ParseWords({"centr=1"});
  EXPECT_EQ(ChooseSession(), &SimSessionCentralizedRSSI);
  ParseWords({"adhoc=0", "centr=0"});
  EXPECT_EQ(ChooseSession(), &SimSession);
}

}  // namespace
