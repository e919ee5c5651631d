// Whole runs of the basic session through the program: each stop rule end to end, the node-count
// schedule seen in the per-node table, and the adaptive mode with three rounds and with four.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

// Summary columns by name.
enum {
  kRuns = 0,
  kNn = 7,
  kNs = 10,
  kFailures = 11,
  kSuccesses = 12,
  kRuntime = 23,
  kFirstRound = 38
};

struct RESULT {
  std::vector<std::string> summary;
  std::vector<std::vector<std::string>> node_rows;
};

// Runs the program with debug 0 and the per-node table, and splits what it printed.
RESULT RunWithNodeTable(std::vector<std::string> words) {
  words.insert(words.end(), {"debug=0", "pdf_nodes=1"});
  SIM_RUN run = RunSim(words);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::vector<std::string> lines = Lines(run.out);
  RESULT r;
  if (lines.size() < 2) {
    ADD_FAILURE() << "output: " << run.out;
    return r;
  }
  EXPECT_EQ(lines[0], "nn, ns, nf, node, successes, Ps, Pt, pdf");
  for (size_t i = 1; i + 1 < lines.size(); i++) r.node_rows.push_back(Fields(lines[i]));
  r.summary = Fields(lines.back());
  return r;
}

long Long(const std::string &field) { return std::stol(field); }

long NodeSuccessSum(const RESULT &r) {
  long sum = 0;
  for (const auto &row : r.node_rows) sum += Long(row[4]);
  return sum;
}

TEST(BasicSessionCommandLine, IterationCountRule) {
  RESULT r = RunWithNodeTable({"runs=777", "nn=4", "seed=3"});
  ASSERT_EQ(r.summary.size(), 38u + 9u);
  EXPECT_EQ(Long(r.summary[kRuns]), 777);
  ASSERT_EQ(r.node_rows.size(), 4u);
  EXPECT_EQ(NodeSuccessSum(r), Long(r.summary[kSuccesses]));
  EXPECT_LE(Long(r.summary[kSuccesses]), 777);
}

TEST(BasicSessionCommandLine, SimulatedTimeRuleOverridesTheOthers) {
  // With RTS/CTS a success takes 1680 us and a collision 120 us of simulated time.
  const double t_succ = 1680e-6, t_coll = 120e-6, limit = 0.25;
  RESULT r = RunWithNodeTable({"max_time=250", "no_rts=0", "runs=3", "min_frames=2", "seed=5"});
  ASSERT_EQ(r.summary.size(), 38u + 9u);
  long runs = Long(r.summary[kRuns]), successes = Long(r.summary[kSuccesses]);
  double elapsed = successes * t_succ + (runs - successes) * t_coll;
  EXPECT_GE(elapsed, limit);
  EXPECT_LT(elapsed - t_succ, limit);  // the crossing session is the last one counted
  EXPECT_NEAR(std::stod(r.summary[kRuntime]), elapsed, elapsed * 1e-5);
  EXPECT_GT(runs, 3);
}

TEST(BasicSessionCommandLine, FrameQuotaRuleStopsWhenTheLastNodeReachesIt) {
  RESULT r = RunWithNodeTable({"min_frames=4", "nn=6", "runs=2", "seed=9"});
  ASSERT_EQ(r.node_rows.size(), 6u);
  long fewest = 1 << 30;
  for (const auto &row : r.node_rows) fewest = std::min(fewest, Long(row[4]));
  EXPECT_EQ(fewest, 4);  // the last success lifted the only node still below the quota
  EXPECT_GT(Long(r.summary[kRuns]), 24);
  EXPECT_EQ(NodeSuccessSum(r), Long(r.summary[kSuccesses]));
}

TEST(BasicSessionCommandLine, NodeCountScheduleShowsTheNewCountInTheTables) {
  RESULT grown = RunWithNodeTable({"runs=400", "ad_runs=200:8", "seed=4"});
  ASSERT_EQ(grown.node_rows.size(), 8u);
  for (size_t i = 0; i < 8; i++) {
    EXPECT_EQ(grown.node_rows[i][0], "8");
    EXPECT_EQ(Long(grown.node_rows[i][3]), long(i) + 1);
  }
  EXPECT_EQ(grown.summary[kNn], "8");
  EXPECT_EQ(NodeSuccessSum(grown), Long(grown.summary[kSuccesses]));
  // Shrinking hides the records of the nodes that left, with their successes.
  RESULT shrunk = RunWithNodeTable({"runs=400", "ad_runs=200:2", "seed=4"});
  ASSERT_EQ(shrunk.node_rows.size(), 2u);
  EXPECT_EQ(shrunk.summary[kNn], "2");
  EXPECT_LT(NodeSuccessSum(shrunk), Long(shrunk.summary[kSuccesses]));
}

TEST(BasicSessionCommandLine, AdaptiveModeRetunesTheSchedule) {
  RESULT r = RunWithNodeTable({"adaptive=1", "runs=3000", "seed=2"});
  ASSERT_EQ(r.summary.size(), 38u + 9u);
  EXPECT_EQ(r.summary[kNs], "3");
  // Every tuned row sends less than half the nodes in round 0 and more than half in round 2.
  EXPECT_LT(std::stod(r.summary[kFirstRound]), 0.5);
  EXPECT_GT(std::stod(r.summary[kFirstRound + 2]), 0.5);
  EXPECT_GT(Long(r.summary[kSuccesses]), 1500);
}

TEST(BasicSessionCommandLine, AdaptiveModeNeedsThreeRounds) {
  SIM_RUN run = RunSim({"adaptive=1", "ns=4", "debug=1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Heuristic pt values not tabled for ns = 4.\n");
  SIM_RUN listed = RunSim({"adaptive=1", "pt=0.1,0.2", "debug=1"});
  EXPECT_EQ(listed.status, 2);
  EXPECT_EQ(listed.err, "Heuristic pt values not tabled for ns = 2.\n");
}

TEST(BasicSessionCommandLine, ProtocolFailuresAreCountedUnderTotalFading) {
  RESULT r = RunWithNodeTable({"fsf_type=binom", "fsf_prob=1", "runs=2000", "seed=8"});
  long failures = Long(r.summary[kFailures]);
  EXPECT_GT(failures, 0);
  EXPECT_LE(failures + Long(r.summary[kSuccesses]), 2000);
}

}  // namespace
