// The run loop driven by a scripted session (stop rules, counts, the node-count schedule), and the
// stop rules and the histogram bounds of real runs.
#include "app/run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"

namespace {

using Ints = std::vector<int64_t>;

struct LOOP_CASE {
  int32_t max_time = 0, min_frames = 0, runs = 0;
  double step = 0;    // simulated seconds each session adds
  int quota_at = 0;   // the call from which over_min_frames is set (0: before the loop; -1: never)
  Ints results = {};  // the sessions' results in turn (then 0)
  Ints at = {}, new_nn = {};  // the node-count schedule
  int64_t successes = 0, sessions = 0, first_run = 0;
  Ints seen_nn = {};  // nn in each session (empty: 5 throughout)
};
const Ints kAll = {0, 1, 2, 3}, kNew = {7, 8, 9, 10};  // a schedule that must not apply
// clang-format off
const LOOP_CASE kCases[] = {
    // The clock reaches 1 s; the session that crosses the limit counts.
    {.max_time = 1000, .step = 0.25, .quota_at = -1, .results = {1, 0, 1, 1, 1}, .at = kAll,
     .new_nn = kNew, .successes = 3, .sessions = 4},
    {.max_time = 1000, .step = 0.3, .quota_at = -1, .results = {1, 1, 1, 1, 1}, .successes = 4,
     .sessions = 4},
    // The time limit overrides the others; a negative one makes no session.
    {.max_time = 1000, .min_frames = 1, .runs = 2, .step = 0.125, .quota_at = 1, .sessions = 8},
    {.max_time = -5, .min_frames = 3, .runs = 10, .step = 0.25, .quota_at = -1, .results = {1}},
    // The frame quota overrides the count, and is not looked at before the first session.
    {.min_frames = -1, .runs = 1, .quota_at = 3, .results = {1, 0, 1}, .at = kAll, .new_nn = kNew,
     .successes = 2, .sessions = 3},
    {.min_frames = 4, .runs = 7, .quota_at = 0, .results = {1}},
    // The count; the frame flag plays no part; entries taken strictly in order.
    {.runs = 5, .quota_at = 0, .results = {1, 1, 0, 1, 0}, .successes = 3, .sessions = 5,
     .first_run = 1},
    {.quota_at = -1, .results = {1}, .first_run = 1},
    {.runs = 3, .quota_at = -1, .at = {2}, .new_nn = {7}, .sessions = 3, .first_run = 1,
     .seen_nn = {5, 7, 7}},
    {.runs = 4, .quota_at = -1, .at = {1, 3}, .new_nn = {2, 9}, .sessions = 4, .first_run = 1,
     .seen_nn = {2, 2, 9, 9}},
    {.runs = 6, .quota_at = -1, .at = {3, 2, 5}, .new_nn = {4, 9, 6}, .sessions = 6, .first_run = 1,
     .seen_nn = {5, 5, 4, 4, 4, 4}},
    {.runs = 5, .quota_at = -1, .at = {2, 2, 4}, .new_nn = {7, 9, 3}, .sessions = 5,
     .first_run = 1, .seen_nn = {5, 7, 7, 7, 7}}};
// clang-format on

const LOOP_CASE *script;
Ints seen_run, seen_nn;
NODE test_nodes[16];  // for anything that looks at the active nodes

int32_t ScriptedSession(int32_t referees) {
  seen_run.push_back(run);
  seen_nn.push_back(nn);
  EXPECT_EQ(referees, 3) << "refs, unchanged";
  const size_t call = seen_run.size();
  t_elapsed += script->step;
  if (script->quota_at > 0 && call >= size_t(script->quota_at)) over_min_frames = 1;
  if (call > 50) t_elapsed = 1e9, over_min_frames = 1;  // ends a runaway loop
  return call <= script->results.size() ? int32_t(script->results[call - 1]) : 0;
}

std::string CaseName(const testing::TestParamInfo<LOOP_CASE> &info) {
  const LOOP_CASE &c = info.param;
  const char *rule = c.max_time ? "Time" : c.min_frames ? "Frames" : "Count";
  return rule + std::to_string(info.index);
}

class RunLoopRules : public testing::TestWithParam<LOOP_CASE> {};

TEST_P(RunLoopRules, CountSessionsAndSuccessesAndApplyTheSchedule) {
  const LOOP_CASE &c = GetParam();
  ResetState();
  script = &c;
  seen_run.clear(), seen_nn.clear();
  nodes = test_nodes, nn = 5, refs = 3;
  max_time = c.max_time, min_frames = c.min_frames, runs = c.runs;
  over_min_frames = c.quota_at == 0;
  std::vector<int32_t> at(c.at.begin(), c.at.end()), new_nn(c.new_nn.begin(), c.new_nn.end());
  ad_runs = ADRUNS{at.data(), new_nn.data(), int32_t(at.size())};
  const RUN_TOTALS totals = RunLoop(ScriptedSession);
  EXPECT_EQ(totals.successes, c.successes);
  EXPECT_EQ(totals.sessions, c.sessions);
  ASSERT_EQ(int64_t(seen_run.size()), c.sessions);
  for (size_t i = 0; i < seen_run.size(); i++) EXPECT_EQ(seen_run[i], c.first_run + int64_t(i));
  EXPECT_EQ(seen_nn, c.seen_nn.empty() ? Ints(seen_run.size(), 5) : c.seen_nn);
  ResetState();
}
INSTANTIATE_TEST_SUITE_P(Cases, RunLoopRules, testing::ValuesIn(kCases), CaseName);

}  // namespace
