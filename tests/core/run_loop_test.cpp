// The run loop driven by scripted sessions: the three stop rules and their precedence, the counters
// it leaves behind, the node-count schedule and its cursor, and the choice of the session routine.
#include "core/run_loop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/centralized.h"

namespace {

// What one scripted session saw when it was called.
struct SEEN {
  int32_t run, nn, referees;
};

// The script: each session advances the simulated clock by step, returns the next result of
// results (0 once they run out) and sets over_min_frames from the given call on (1-based).
struct SCRIPT {
  double step = 0.0;
  std::vector<int32_t> results;
  size_t quota_met_at = 0;
  std::vector<SEEN> seen;
};
SCRIPT script;

int32_t ScriptedSession(int32_t referees) {
  script.seen.push_back({run, nn, referees});
  size_t call = script.seen.size();
  t_elapsed += script.step;
  if (script.quota_met_at && call >= script.quota_met_at) over_min_frames = 1;
  return call <= script.results.size() ? script.results[call - 1] : 0;
}

std::vector<int32_t> SeenRuns() {
  std::vector<int32_t> runs_seen;
  for (const SEEN &s : script.seen) runs_seen.push_back(s.run);
  return runs_seen;
}

std::vector<int32_t> SeenNodeCounts() {
  std::vector<int32_t> counts;
  for (const SEEN &s : script.seen) counts.push_back(s.nn);
  return counts;
}

// A few node records, so that anything looking at the active nodes finds them.
NODE test_nodes[16];

// The built-in state with every stop rule off except the iteration count.
class RunLoopTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetState();
    script = SCRIPT{};
    nodes = test_nodes;
    nn = 5;
    refs = 1;
  }
  void TearDown() override { ResetState(); }

  void UseSchedule(std::vector<int32_t> at, std::vector<int32_t> counts) {
    at_run_ = at;
    new_nn_ = counts;
    ad_runs = ADRUNS{at_run_.data(), new_nn_.data(), int32_t(at_run_.size())};
  }

 private:
  std::vector<int32_t> at_run_, new_nn_;
};

// ---- Time limit ----

TEST_F(RunLoopTest, TimeLimitRunsUntilTheClockReachesIt) {
  max_time = 1000;  // one second of simulated time
  script.step = 0.25;
  script.results = {1, 0, 1, 1, 1};
  EXPECT_EQ(RunLoop(ScriptedSession), 3);
  EXPECT_EQ(script.seen.size(), 4u) << "the clock reaches exactly 1 s after four sessions";
  EXPECT_EQ(runs, 4);
  EXPECT_EQ(SeenRuns(), (std::vector<int32_t>{0, 1, 2, 3})) << "sessions already completed";
}

TEST_F(RunLoopTest, TimeLimitCountsTheSessionThatCrossesIt) {
  max_time = 1000;
  script.step = 0.3;
  script.results = {1, 1, 1, 1, 1};
  EXPECT_EQ(RunLoop(ScriptedSession), 4);
  EXPECT_EQ(runs, 4);
  EXPECT_DOUBLE_EQ(t_elapsed, 1.2);
}

TEST_F(RunLoopTest, TimeLimitAlreadyReachedMakesNoSession) {
  max_time = 2;
  t_elapsed = 0.002;
  script.step = 0.001;
  runs = 50;
  EXPECT_EQ(RunLoop(ScriptedSession), 0);
  EXPECT_TRUE(script.seen.empty());
  EXPECT_EQ(runs, 0);
}

TEST_F(RunLoopTest, NegativeTimeLimitMakesNoSessionAndZeroRuns) {
  max_time = -5;
  min_frames = 3;
  runs = 10;
  EXPECT_EQ(RunLoop(ScriptedSession), 0);
  EXPECT_TRUE(script.seen.empty());
  EXPECT_EQ(runs, 0);
}

TEST_F(RunLoopTest, TimeLimitOverridesFrameQuotaAndIterationCount) {
  max_time = 1000;
  min_frames = 1;
  runs = 2;
  script.step = 0.125;
  script.quota_met_at = 1;
  EXPECT_EQ(RunLoop(ScriptedSession), 0);
  EXPECT_EQ(script.seen.size(), 8u);
  EXPECT_EQ(runs, 8);
}

TEST_F(RunLoopTest, SessionsGetTheInitialRefereeCountUnchanged) {
  max_time = 1000;
  script.step = 0.5;
  refs = 3;
  RunLoop(ScriptedSession);
  ASSERT_EQ(script.seen.size(), 2u);
  for (const SEEN &s : script.seen) EXPECT_EQ(s.referees, 3);
}

// ---- Frame quota ----

TEST_F(RunLoopTest, FrameQuotaRunsUntilEveryNodeHasItsFrames) {
  min_frames = 2;
  runs = 1;
  script.quota_met_at = 3;
  script.results = {1, 0, 1};
  EXPECT_EQ(RunLoop(ScriptedSession), 2);
  EXPECT_EQ(script.seen.size(), 3u) << "runs does not stop the frame quota";
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(SeenRuns(), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(RunLoopTest, FrameQuotaIsTestedOnlyAfterASession) {
  min_frames = -1;  // any nonzero value selects the rule
  script.quota_met_at = 1;
  EXPECT_EQ(RunLoop(ScriptedSession), 0);
  EXPECT_EQ(script.seen.size(), 1u);
  EXPECT_EQ(runs, 1);
}

TEST_F(RunLoopTest, FrameQuotaAlreadyMetMakesNoSession) {
  min_frames = 4;
  over_min_frames = 1;
  runs = 7;
  EXPECT_EQ(RunLoop(ScriptedSession), 0);
  EXPECT_TRUE(script.seen.empty());
  EXPECT_EQ(runs, 0);
}

TEST_F(RunLoopTest, FrameQuotaOverridesIterationCount) {
  min_frames = 1;
  runs = 100;
  script.quota_met_at = 2;
  RunLoop(ScriptedSession);
  EXPECT_EQ(script.seen.size(), 2u);
  EXPECT_EQ(runs, 2);
}

// ---- Iteration count ----

TEST_F(RunLoopTest, IterationCountRunsThatManySessionsNumberedFromOne) {
  runs = 5;
  script.results = {1, 1, 0, 1, 0};
  script.quota_met_at = 1;  // the frame flag plays no part here
  EXPECT_EQ(RunLoop(ScriptedSession), 3);
  EXPECT_EQ(SeenRuns(), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(runs, 5);
}

TEST_F(RunLoopTest, IterationCountBelowOneMakesNoSession) {
  for (int32_t count : {0, -3}) {
    script = SCRIPT{};
    runs = count;
    EXPECT_EQ(RunLoop(ScriptedSession), 0);
    EXPECT_TRUE(script.seen.empty()) << "runs " << count;
  }
}

// ---- Node-count schedule ----

TEST_F(RunLoopTest, ScheduleChangesNodeCountBeforeTheNamedSession) {
  runs = 3;
  UseSchedule({2}, {7});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 7, 7}));
  EXPECT_EQ(nn, 7);
}

TEST_F(RunLoopTest, ScheduleEntryForTheFirstSessionAppliesBeforeIt) {
  runs = 4;
  UseSchedule({1, 3}, {2, 9});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{2, 2, 9, 9}));
}

TEST_F(RunLoopTest, OutOfOrderEntryIsNeverReachedNorAnyAfterIt) {
  runs = 6;
  UseSchedule({3, 2, 5}, {4, 9, 6});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 5, 4, 4, 4, 4}));
}

TEST_F(RunLoopTest, RepeatedIterationInTheScheduleStopsTheCursor) {
  runs = 5;
  UseSchedule({2, 2, 4}, {7, 9, 3});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 7, 7, 7, 7}));
}

TEST_F(RunLoopTest, ScheduleEntriesBeyondTheLastSessionAreNotApplied) {
  runs = 3;
  UseSchedule({9}, {3});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 5, 5}));
  EXPECT_EQ(nn, 5);
}

TEST_F(RunLoopTest, ScheduleIsIgnoredUnderTheTimeLimit) {
  max_time = 1000;
  script.step = 0.25;
  UseSchedule({0, 1, 2, 3}, {7, 8, 9, 10});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 5, 5, 5}));
}

TEST_F(RunLoopTest, ScheduleIsIgnoredUnderTheFrameQuota) {
  min_frames = 1;
  script.quota_met_at = 4;
  UseSchedule({0, 1, 2, 3}, {7, 8, 9, 10});
  RunLoop(ScriptedSession);
  EXPECT_EQ(SeenNodeCounts(), (std::vector<int32_t>{5, 5, 5, 5}));
}

// ---- Choice of the session routine ----

TEST_F(RunLoopTest, ChoosesAdHocThenCentralizedThenBasic) {
  adhoc = 1;
  centr = 1;
  EXPECT_EQ(ChooseSession(), &SimSessionAdhocRSSI);
  adhoc = -2;
  centr = 0;
  EXPECT_EQ(ChooseSession(), &SimSessionAdhocRSSI);
  adhoc = 0;
  centr = 5;
  EXPECT_EQ(ChooseSession(), &SimSessionCentralizedRSSI);
  centr = 0;
  fast = 1;
  EXPECT_EQ(ChooseSession(), &SimSession);
}

// ---- The wall-clock line of the whole program ----

TEST(SimtimeLine, NothingOnStandardErrorAtDebugOneOrBelow) {
  for (const char *level : {"debug=1", "debug=0", "debug=-1"}) {
    SIM_RUN result = RunSim({level, "runs=200"});
    EXPECT_EQ(result.status, 0) << level;
    EXPECT_EQ(result.err, "") << level;
    EXPECT_FALSE(result.out.empty()) << level;
  }
}

// The number between "// simtime " and " sec" of a line, or -1 when the line has another form or
// the number is not one that %g writes (digits, one point, an exponent).
double SimtimeSeconds(const std::string &line) {
  const std::string head = "// simtime ", tail = " sec";
  if (line.size() <= head.size() + tail.size() || line.rfind(head, 0) != 0 ||
      line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
    return -1.0;
  std::string number = line.substr(head.size(), line.size() - head.size() - tail.size());
  if (number.find_first_not_of("0123456789.e+-") != std::string::npos) return -1.0;
  char *end = nullptr;
  double seconds = std::strtod(number.c_str(), &end);
  return *end == '\0' ? seconds : -1.0;
}

// At debug 2 the last thing on standard error is "// simtime <seconds> sec" without a line end.
void ExpectSimtimeLast(const std::vector<std::string> &words) {
  SIM_RUN result = RunSim(words);
  ASSERT_EQ(result.status, 0);
  ASSERT_FALSE(result.err.empty());
  EXPECT_NE(result.err.back(), '\n');
  std::string last = Lines(result.err).back();
  EXPECT_GE(SimtimeSeconds(last), 0.0) << last;
}

TEST(SimtimeLine, EndsStandardErrorAtDebugTwo) {
  ExpectSimtimeLast({"debug=2", "runs=200"});
  ExpectSimtimeLast({"runs=1"});
  ExpectSimtimeLast({"max_time=-1"});
  ExpectSimtimeLast({"min_frames=2", "nn=2"});
}

}  // namespace
