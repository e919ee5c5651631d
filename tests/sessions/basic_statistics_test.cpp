// Simulated basic sessions against the exact survivor chain: the round in which sessions end, the
// success and protocol-failure probabilities and the frames sent per node, for several node
// counts, subcarrier counts, schedules, feedback schemes, listener counts and total fading.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "sessions/survivor_chain.h"

namespace {

struct SETTING {
  const char *label;
  CHAIN_CASE chain;
  std::vector<std::string> extra;  // further option words that must not change the law
};

std::string ListOf(const std::vector<double> &values) {
  std::ostringstream text;
  for (size_t i = 0; i < values.size(); i++) text << (i ? "," : "") << values[i];
  return text.str();
}

std::vector<std::string> WordsOf(const SETTING &s) {
  std::vector<std::string> words{"nn=" + std::to_string(s.chain.nn),
                                 "nf=" + std::to_string(s.chain.nf), "pt=" + ListOf(s.chain.pt),
                                 "refs=" + std::to_string(s.chain.refs), "debug=0"};
  words.insert(words.end(), s.extra.begin(), s.extra.end());
  return words;
}

// Plays runs sessions and compares what they booked with the exact law.
void ExpectMatchesChain(const SETTING &s, int32_t runs, uint32_t seed) {
  SCOPED_TRACE(s.label);
  PrepareSimulation(WordsOf(s), seed);
  int64_t successes = 0;
  for (int32_t i = 0; i < runs; i++) successes += SimSession(refs);
  CHAIN_RESULT exact = SurvivorChain(s.chain);
  int32_t rounds = int32_t(s.chain.pt.size());
  int64_t booked = 0;
  for (int32_t k = 0; k <= rounds; k++) {
    double p = double(ns_pdf[k]) / runs;
    EXPECT_NEAR(p, exact.end_round[k], FiveSigma(exact.end_round[k], runs)) << "round " << k;
    booked += ns_pdf[k];
  }
  EXPECT_EQ(booked, runs);
  EXPECT_EQ(successes, runs - ns_pdf[rounds]);
  EXPECT_NEAR(double(successes) / runs, exact.success, FiveSigma(exact.success, runs));
  EXPECT_NEAR(double(failures) / runs, exact.failure, FiveSigma(exact.failure, runs));
  double frames = 0;
  for (int32_t i = 0; i < nn; i++) frames += nodes[i].transmissions;
  double per_node = exact.data_frames / nn;
  EXPECT_NEAR(frames / nn / runs, per_node, FiveSigma(per_node, runs));
}

CHAIN_CASE Chain(int32_t nn, int32_t nf, std::vector<double> pt, int32_t refs = 1,
                 bool fade_all = false) {
  CHAIN_CASE c;
  c.nn = nn;
  c.nf = nf;
  c.pt = std::move(pt);
  c.refs = refs;
  c.fade_all = fade_all;
  return c;
}

const int32_t kRuns = 40000;

TEST(BasicSessionStatistics, ClosestClassFeedbackFollowsTheSurvivorChain) {
  const SETTING settings[] = {
      {"built-in values", Chain(5, 6, {0.5, 0.5, 0.5}), {}},
      {"two nodes, four rounds", Chain(2, 2, {0.7, 0.3, 0.9, 0.5}), {}},
      {"ten nodes, two referees", Chain(10, 8, {0.2, 0.6, 0.8}, 2), {}},
      {"twenty nodes, five rounds", Chain(20, 12, {0.1, 0.7, 0.85, 0.9, 0.95}), {}},
      {"everybody always transmits", Chain(3, 4, {1.0, 1.0}), {}},
      {"sixteen subcarriers", Chain(30, 16, {0.15, 0.8, 0.85}), {}},
      {"single node", Chain(1, 6, {0.3, 0.3}), {}},
  };
  uint32_t seed = 11;
  for (const SETTING &s : settings) ExpectMatchesChain(s, kRuns, seed++);
}

TEST(BasicSessionStatistics, PerfectAndHammingFeedbackWithoutFadingFollowTheSameChain) {
  const SETTING settings[] = {
      {"perfect feedback", Chain(5, 6, {0.5, 0.5, 0.5}), {"fsf_fbk=perf"}},
      {"Hamming(7,4) feedback", Chain(8, 10, {0.4, 0.7, 0.8}), {"fsf_fbk=hamm74"}},
      {"Hamming(7,4), sixteen classes", Chain(12, 16, {0.3, 0.8}), {"fsf_fbk=HAMM74"}},
  };
  uint32_t seed = 101;
  for (const SETTING &s : settings) ExpectMatchesChain(s, kRuns, seed++);
}

TEST(BasicSessionStatistics, ChannelModelsThatFadeNothingFollowTheSameChain) {
  const SETTING settings[] = {
      {"binomial with probability 0",
       Chain(6, 5, {0.4, 0.6, 0.8}),
       {"fsf_type=binom", "fsf_prob=0"}},
      {"fixed number 0", Chain(6, 5, {0.4, 0.6, 0.8}), {"fsf_type=num", "fsf_num=0"}},
      {"geometric with tau 1", Chain(6, 5, {0.4, 0.6, 0.8}), {"fsf_type=geom", "fsf_tau=1"}},
  };
  uint32_t seed = 201;
  for (const SETTING &s : settings) ExpectMatchesChain(s, kRuns, seed++);
}

TEST(BasicSessionStatistics, CodewordDrawWithTauOneActsAsASingleSubcarrier) {
  // Every transmitter sends word 0 of the six, so all transmitters always tie: the chain of a
  // single subcarrier.
  PrepareSimulation({"nn=3", "nf=6", "tau=1,1,1", "debug=0"}, 301);
  ASSERT_EQ(codewords.count, 6);
  for (int32_t i = 0; i < kRuns; i++) SimSession(refs);
  CHAIN_RESULT exact = SurvivorChain(Chain(3, 1, {0.5, 0.5, 0.5}));
  for (int32_t k = 0; k <= 3; k++)
    EXPECT_NEAR(double(ns_pdf[k]) / kRuns, exact.end_round[k],
                FiveSigma(exact.end_round[k], kRuns));
}

TEST(BasicSessionStatistics, WithoutDedicatedReferees) {
  const SETTING settings[] = {
      {"four eager nodes", Chain(4, 6, {0.9, 0.9, 0.9, 0.9}, 0), {}},
      {"two nodes, all transmit first", Chain(2, 3, {1.0, 0.5, 0.5}, 0), {}},
      {"single node never heard", Chain(1, 6, {0.5, 0.5}, 0), {}},
      {"eight nodes", Chain(8, 6, {0.6, 0.8, 0.9}, 0), {}},
  };
  uint32_t seed = 401;
  for (const SETTING &s : settings) ExpectMatchesChain(s, kRuns, seed++);
}

TEST(BasicSessionStatistics, EveryNodeFadedOutLeavesOnlyTheClassZeroPickers) {
  const SETTING settings[] = {
      {"closest class", Chain(6, 4, {0.6, 0.6, 0.6}, 1, true), {"fsf_type=binom", "fsf_prob=1"}},
      {"perfect feedback",
       Chain(6, 4, {0.6, 0.6, 0.6}, 1, true),
       {"fsf_type=binom", "fsf_prob=1", "fsf_fbk=perf"}},
      {"Hamming(7,4)",
       Chain(5, 3, {1.0, 0.7}, 1, true),
       {"fsf_type=binom", "fsf_prob=1", "fsf_fbk=hamm74"}},
      {"without referees", Chain(4, 2, {0.8, 0.8, 0.8}, 0, true), {"fsf_type=binom", "fsf_prob=1"}},
  };
  uint32_t seed = 501;
  for (const SETTING &s : settings) ExpectMatchesChain(s, kRuns, seed++);
}

// The printed success probability and rounds table of a whole run, against the chain.
TEST(BasicSessionStatistics, PrintedRoundsTableMatchesTheChain) {
  const int32_t runs = 30000;
  SIM_RUN run =
      RunSim({"nn=4", "nf=5", "pt=0.6,0.8", "runs=30000", "seed=7", "pdf_slots=1", "debug=1"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_GE(lines.size(), 4u);
  CHAIN_RESULT exact = SurvivorChain(Chain(4, 5, {0.6, 0.8}));
  std::vector<std::string> summary = Fields(lines[1]);
  ASSERT_EQ(summary.size(), 38u + 6u);
  EXPECT_NEAR(std::stod(summary[14]), exact.success, FiveSigma(exact.success, runs));
  ASSERT_EQ(lines[2], "nn, ns, nf, pt[slot], slot, successes, pdf, cdf");
  ASSERT_EQ(lines.size(), 6u);  // rows 0, 1 and 2 (no success) all occur
  for (int32_t k = 0; k <= 2; k++) {
    std::vector<std::string> row = Fields(lines[3 + k]);
    EXPECT_EQ(row[4], std::to_string(k));
    EXPECT_NEAR(std::stod(row[6]), exact.end_round[k], FiveSigma(exact.end_round[k], runs));
  }
}

}  // namespace
