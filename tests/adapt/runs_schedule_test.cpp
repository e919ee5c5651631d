// Reading the node-count schedule "i:nn[,i:nn..]": well-formed texts give their pairs in order;
// every malformed text ends the process with status 1 and a message quoting it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapt/runs_schedule.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

void ExpectPairs(const char *text, std::vector<int32_t> at, std::vector<int32_t> counts) {
  ADRUNS schedule = AdaptReadRuns(text);
  ASSERT_EQ(schedule.count, int32_t(at.size())) << text;
  EXPECT_EQ(std::vector<int32_t>(schedule.at_run, schedule.at_run + schedule.count), at) << text;
  EXPECT_EQ(std::vector<int32_t>(schedule.new_nn, schedule.new_nn + schedule.count), counts)
      << text;
}

class RunsScheduleTest : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
};

TEST_F(RunsScheduleTest, ReadsEveryPairInOrder) {
  ExpectPairs("500:2,1000:20", {500, 1000}, {2, 20});
  ExpectPairs("500:2,1000:20,1700:15", {500, 1000, 1700}, {2, 20, 15});
  ExpectPairs("7:3", {7}, {3});
  ExpectPairs("0:1", {0}, {1});
  ExpectPairs("1:2147483647", {1}, {2147483647});
  // Entries are kept as written, out of order included.
  ExpectPairs("900:4,100:6", {900, 100}, {4, 6});
}

TEST_F(RunsScheduleTest, NumbersMayBeSurroundedByBlanks) {
  ExpectPairs(" 500 : 2 , 1000:\t20", {500, 1000}, {2, 20});
}

struct BAD_TEXT {
  const char *text, *fault;
};

const BAD_TEXT kBadTexts[] = {
    {"500", "missing colon"},
    {"500:2,1000", "missing colon in the second pair"},
    {"500:2,", "trailing comma"},
    {",500:2", "leading comma"},
    {"500:2,,1000:3", "empty pair"},
    {"500:2,abc", "stray word"},
    {"500:2 abc", "stray word after a count"},
    {"500:2x", "letters after a count"},
    {"500;2", "wrong separator"},
    {":2", "no iteration"},
    {"500:", "no node count"},
    {"500:0", "zero node count"},
    {"500:-3", "negative node count"},
    {"500:3000000000", "node count out of range"},
    {"3000000000:2", "iteration out of range"},
    {"500:2:7", "two colons"},
};

TEST_F(RunsScheduleTest, MalformedTextEndsTheProcessQuotingIt) {
  for (const BAD_TEXT &bad : kBadTexts) {
    SCOPED_TRACE(std::string(bad.fault) + ": " + bad.text);
    // The message names the option and quotes the whole text.
    std::string quoted;
    for (const char *p = bad.text; *p; p++) {
      if (std::string("\\^$.|?*+()[]{}").find(*p) != std::string::npos) quoted += '\\';
      quoted += *p;
    }
    EXPECT_EXIT(AdaptReadRuns(bad.text), testing::ExitedWithCode(1), "ad_runs.*'" + quoted + "'");
  }
}

TEST_F(RunsScheduleTest, CommandLineRejectsABadScheduleBeforeAnyRun) {
  SIM_RUN run = RunSim({"debug=1", "runs=50", "ad_runs=20:3,"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("'20:3,'"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(RunsScheduleTest, CommandLineScheduleSizesTheNodesForTheLargestCount) {
  ParseWords({"debug=1", "nn=4", "ad_runs=10:9,20:2"});
  EXPECT_EQ(ad_runs.count, 2);
  EXPECT_EQ(ad_runs.new_nn[0], 9);
  PrepareSimulation({"debug=1", "nn=4", "ad_runs=10:9,20:2"});
  EXPECT_EQ(max_nn, 9);
}

}  // namespace
