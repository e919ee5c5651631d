// Simulated received-power sessions against the exact survivor chain. With the default thresholds
// the access point hears every word and every node hears its reply, so the centralized session
// keeps exactly the transmitters of the highest subcarrier, like the basic session with a referee.
// In the ad hoc session with the gain floor at or above the threshold no link fades: every silent
// node senses and referees, every referee hears the whole word, and a round is undecided only while
// everybody transmits and nobody has left, which is the chain without a dedicated referee.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/centralized.h"
#include "sessions/survivor_chain.h"

namespace {

struct SETTING {
  const char *label;
  CHAIN_CASE chain;
  std::vector<std::string> extra;  // option words of the channel
};

std::string ListOf(const std::vector<double> &values) {
  std::ostringstream text;
  for (size_t i = 0; i < values.size(); i++) text << (i ? "," : "") << values[i];
  return text.str();
}

CHAIN_CASE Chain(int32_t nn, int32_t nf, std::vector<double> pt, int32_t refs) {
  CHAIN_CASE c;
  c.nn = nn;
  c.nf = nf;
  c.pt = std::move(pt);
  c.refs = refs;
  return c;
}

// Plays runs sessions and compares the rounds table, Ps and the failures with the exact law.
void ExpectMatchesChain(SessionFn session, const char *mode, const SETTING &s, int32_t runs,
                        uint32_t seed) {
  SCOPED_TRACE(s.label);
  std::vector<std::string> words{mode, "nn=" + std::to_string(s.chain.nn),
                                 "nf=" + std::to_string(s.chain.nf), "pt=" + ListOf(s.chain.pt),
                                 "debug=0"};
  words.insert(words.end(), s.extra.begin(), s.extra.end());
  PrepareSimulation(words, seed);
  int64_t successes = 0;
  for (int32_t i = 0; i < runs; i++) successes += session(refs);
  CHAIN_RESULT exact = SurvivorChain(s.chain);
  int32_t rounds = int32_t(s.chain.pt.size());
  for (int32_t k = 0; k <= rounds; k++) {
    double p = double(ns_pdf[k]) / runs;
    EXPECT_NEAR(p, exact.end_round[k], FiveSigma(exact.end_round[k], runs)) << "round " << k;
  }
  EXPECT_EQ(successes, runs - ns_pdf[rounds]);
  EXPECT_NEAR(double(successes) / runs, exact.success, FiveSigma(exact.success, runs));
  EXPECT_NEAR(double(failures) / runs, exact.failure, FiveSigma(exact.failure, runs));
  for (int32_t i = 0; i < nn; i++) EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
}

const int32_t kRuns = 60000;

TEST(RSSIChainStatistics, CentralizedSessionWithDefaultThresholdsFollowsTheSurvivorChain) {
  const SETTING settings[] = {
      {"built-in values", Chain(5, 6, {0.5, 0.5, 0.5}, 1), {}},
      {"twelve nodes, four subcarriers", Chain(12, 4, {0.2, 0.6, 0.9}, 1), {}},
      {"three nodes, five rounds", Chain(3, 8, {0.3, 0.5, 0.7, 0.2, 0.9}, 1), {}},
      {"everybody always transmits", Chain(4, 3, {1.0, 1.0}, 1), {}},
      {"flat gains", Chain(6, 6, {0.4, 0.7, 0.8}, 1), {"rssi_type=1"}},
  };
  uint32_t seed = 11;
  for (const SETTING &s : settings)
    ExpectMatchesChain(SimSessionCentralizedRSSI, "centr=1", s, kRuns, seed++);
}

TEST(RSSIChainStatistics, AdhocSessionWithoutFadingFollowsTheChainWithoutReferees) {
  const SETTING settings[] = {
      {"gain floor equal to the threshold", Chain(5, 6, {0.5, 0.5, 0.5}, 0), {"rssi_min=-82"}},
      {"gain floor above the threshold", Chain(10, 4, {0.3, 0.6, 0.9}, 0), {"rssi_min=-70"}},
      {"two nodes, four rounds", Chain(2, 3, {0.7, 0.3, 0.9, 0.5}, 0), {"rssi_min=-82"}},
      {"everybody transmits first",
       Chain(4, 5, {1.0, 0.5, 0.5}, 0),
       {"rssi_min=-82", "rssi_type=1"}},
  };
  uint32_t seed = 21;
  for (const SETTING &s : settings)
    ExpectMatchesChain(SimSessionAdhocRSSI, "adhoc=1", s, kRuns, seed++);
}

}  // namespace
