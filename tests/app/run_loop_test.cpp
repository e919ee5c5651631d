// The run loop driven by a scripted session (stop rules, counts, the node-count schedule), and two
// simulations of one process played in turn against their own processes.
#include "app/run_loop.h"

#include "common/test_util.h"
#include "core/report.h"

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

int32_t ScriptedSession(SIM &S, int32_t referees) {
  seen_run.push_back(S.run);
  seen_nn.push_back(S.nn);
  EXPECT_EQ(referees, 3) << "refs, unchanged";
  const size_t call = seen_run.size();
  S.t_elapsed += script->step;
  if (script->quota_at > 0 && call >= size_t(script->quota_at)) S.over_min_frames = 1;
  if (call > 50) S.t_elapsed = 1e9, S.over_min_frames = 1;  // ends a runaway loop
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
  SIM S;
  NODE nodes[16] = {};  // for anything that looks at the active nodes
  script = &c;
  seen_run.clear(), seen_nn.clear();
  S.nodes = nodes, S.nn = 5, S.refs = 3;
  S.max_time = c.max_time, S.min_frames = c.min_frames, S.runs = c.runs;
  S.over_min_frames = c.quota_at == 0;
  std::vector<int32_t> at(c.at.begin(), c.at.end()), new_nn(c.new_nn.begin(), c.new_nn.end());
  S.ad_runs = ADRUNS{at.data(), new_nn.data(), int32_t(at.size())};
  const RUN_TOTALS totals = RunLoop(S, ScriptedSession);
  EXPECT_EQ(totals.successes, c.successes);
  EXPECT_EQ(totals.sessions, c.sessions);
  ASSERT_EQ(int64_t(seen_run.size()), c.sessions);
  for (size_t i = 0; i < seen_run.size(); i++) EXPECT_EQ(seen_run[i], c.first_run + int64_t(i));
  EXPECT_EQ(seen_nn, c.seen_nn.empty() ? Ints(seen_run.size(), 5) : c.seen_nn);
}
INSTANTIATE_TEST_SUITE_P(Cases, RunLoopRules, testing::ValuesIn(kCases), CaseName);

// The standard output of the real program for these option words.
std::string ProgramOutput(const Words &words) {
  std::string command = QRVL_SIM_BINARY;
  for (const std::string &word : words) command += " " + word;
  FILE *pipe = popen(command.c_str(), "r");
  std::string out;
  for (int c; (c = fgetc(pipe)) != EOF;) out += char(c);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

// Two simulations in one process, a basic run with binomial fading and an ad hoc run, played
// session by session in turn: each reports exactly what its own process reports.
TEST(Simulations, TwoInOneProcessInterleavedReportAsTwoProcesses) {
  const Words kinds[2] = {{"nn=20", "nf=8", "fsf_type=binom", "fsf_prob=0.2", "runs=3000"},
                          {"adhoc=1", "nn=12", "runs=800", "pdf_nodes=1"}};
  std::unique_ptr<SIM> sims[2];
  RUN_TOTALS totals[2] = {};
  for (int k = 0; k < 2; k++) {
    Words words = kinds[k];
    words.insert(words.end(), {"seed=" + std::to_string(5 + k), "debug=1"});
    sims[k] = NewSimulation(words, uint32_t(5 + k));
  }
  for (int64_t run = 1; run <= 3000; run++)
    for (int k = 0; k < 2; k++) {
      SIM &S = *sims[k];
      if (run > S.runs) continue;
      S.run = run;
      totals[k].successes += ChooseSession(S)(S, S.refs);
      totals[k].sessions = run;
    }
  for (int k = 0; k < 2; k++) {
    testing::internal::CaptureStdout();
    Report(*sims[k], totals[k].sessions, totals[k].successes);
    fflush(stdout);
    Words words = kinds[k];
    words.insert(words.end(), {"seed=" + std::to_string(5 + k), "debug=1"});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ProgramOutput(words)) << k;
  }
}

}  // namespace
