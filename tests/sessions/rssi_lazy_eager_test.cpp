// The pair gains drawn when a session first uses them against all pairs drawn at session start:
// both give every gain the same law, so the rounds table, Ps and the failure rate of a run must
// agree within five standard errors of the difference, in settings where fading decides rounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/centralized.h"

namespace {

const int32_t kRuns = 60000;

struct TALLY {
  std::vector<double> end_round;  // share of sessions ending in each round (last: no success)
  double success = 0, failure = 0;
};

TALLY Play(SessionFn session, std::vector<std::string> words, int32_t eager, uint32_t seed) {
  words.push_back("debug=0");
  PrepareSimulation(words, seed);
  rssi_eager_gains = eager;
  int64_t successes = 0;
  for (int32_t i = 0; i < kRuns; i++) successes += session(refs);
  TALLY t;
  for (int32_t k = 0; k <= ns; k++) t.end_round.push_back(double(ns_pdf[k]) / kRuns);
  t.success = double(successes) / kRuns;
  t.failure = double(failures) / kRuns;
  return t;
}

double FiveSigmaOfDifference(double a, double b) {
  return 5 * std::sqrt((a * (1 - a) + b * (1 - b)) / kRuns) + 1e-9;
}

void ExpectSameLaw(SessionFn session, const std::vector<std::string> &words) {
  TALLY lazy = Play(session, words, 0, 101), eager = Play(session, words, 1, 202);
  for (size_t k = 0; k < lazy.end_round.size(); k++)
    EXPECT_NEAR(lazy.end_round[k], eager.end_round[k],
                FiveSigmaOfDifference(lazy.end_round[k], eager.end_round[k]))
        << "round " << k;
  EXPECT_NEAR(lazy.success, eager.success, FiveSigmaOfDifference(lazy.success, eager.success));
  EXPECT_NEAR(lazy.failure, eager.failure, FiveSigmaOfDifference(lazy.failure, eager.failure));
}

TEST(RSSILazyEagerGains, AdhocSessionWithDefaultThresholds) {
  ExpectSameLaw(SimSessionAdhocRSSI, {"adhoc=1"});
  ExpectSameLaw(SimSessionAdhocRSSI, {"adhoc=1", "nn=12", "ns=4", "pt=0.3,0.6,0.8,0.9"});
}

TEST(RSSILazyEagerGains, AdhocSessionWithSingleLinksMissedHalfTheTime) {
  ExpectSameLaw(SimSessionAdhocRSSI, {"adhoc=1", "nn=8", "rssi_thresh=-63.6"});
  ExpectSameLaw(SimSessionAdhocRSSI,
                {"adhoc=1", "nn=6", "nf=4", "rssi_thresh=-63.6", "rssi_type=1"});
}

// Above -30 dBm the access point detects only subcarriers shared by two senders and nobody hears
// its reply, so the contenders shrink only by silent nodes sensing energy over the pair gains.
TEST(RSSILazyEagerGains, CentralizedSessionWhereCarrierSensingDecides) {
  ExpectSameLaw(SimSessionCentralizedRSSI, {"centr=1", "nn=8", "rssi_thresh=-29", "rssi_avg=-29"});
  ExpectSameLaw(SimSessionCentralizedRSSI,
                {"centr=1", "nn=6", "nf=4", "rssi_thresh=-29", "rssi_avg=-29", "rssi_type=1"});
}

}  // namespace
