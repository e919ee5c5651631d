// The run loop driven by a scripted session (stop rules, counts, the node-count schedule), its
// signal handlers, and two simulations of one process played in turn against their own processes.
#include "app/run_loop.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "adapt/runs_schedule.h"
#include "app/interrupt.h"
#include "common/test_util.h"
#include "core/report.h"

namespace {

struct LOOP_CASE {
  int32_t max_time, min_frames, runs;
  double step;   // simulated seconds each session adds
  int quota_at;  // the call from which over_min_frames is set (0: before the loop; -1: never)
  const char *results, *schedule;  // the sessions' results in turn (then 0); ad_runs
  int64_t successes, sessions;
  std::vector<int32_t> seen_nn;  // nn in each session (empty: 5 throughout)
};
// clang-format off
const LOOP_CASE kCases[] = {
    // The clock reaches 1 s; the session that crosses the limit counts; no schedule applies.
    {1000, 0, 0, 0.25, -1, "10111", "0:7,1:8,2:9,3:10", 3, 4, {}},
    {1000, 0, 0, 0.3, -1, "11111", "", 4, 4, {}},
    // The time limit overrides the others; a negative one makes no session.
    {1000, 1, 2, 0.125, 1, "", "", 0, 8, {}},
    {-5, 3, 10, 0.25, -1, "1", "", 0, 0, {}},
    // The frame quota overrides the count and applies no schedule; a quota met makes no session.
    {0, -1, 1, 0, 3, "101", "0:7,1:8,2:9,3:10", 2, 3, {}},
    {0, 4, 7, 0, 0, "1", "", 0, 0, {}},
    // The count, from run 1; the frame flag plays no part; entries taken strictly in order.
    {0, 0, 5, 0, 0, "11010", "", 3, 5, {}},
    {0, 0, 0, 0, -1, "1", "", 0, 0, {}},
    {0, 0, 3, 0, -1, "", "2:7", 0, 3, {5, 7, 7}},
    {0, 0, 4, 0, -1, "", "1:2,3:9", 0, 4, {2, 2, 9, 9}},
    {0, 0, 6, 0, -1, "", "3:4,2:9,5:6", 0, 6, {5, 5, 4, 4, 4, 4}},
    {0, 0, 5, 0, -1, "", "2:7,2:9,4:3", 0, 5, {5, 7, 7, 7, 7}}};
// clang-format on

const LOOP_CASE *script;
std::vector<int64_t> seen_run;
std::vector<int32_t> seen_nn;

int32_t ScriptedSession(SIM &S, int32_t referees) {
  seen_run.push_back(S.run);
  seen_nn.push_back(S.nn);
  EXPECT_EQ(referees, 3) << "refs, unchanged";
  const size_t call = seen_run.size();
  S.t_elapsed += script->step;
  if (script->quota_at > 0 && call >= size_t(script->quota_at)) S.over_min_frames = 1;
  if (call > 50) S.t_elapsed = 1e9, S.over_min_frames = 1;  // ends a runaway loop
  return call <= strlen(script->results) && script->results[call - 1] == '1';
}

class RunLoopRules : public testing::TestWithParam<LOOP_CASE> {};

TEST_P(RunLoopRules, CountSessionsAndSuccessesAndApplyTheSchedule) {
  const LOOP_CASE &c = *(script = &GetParam());
  SIM S;
  NODE nodes[16] = {};  // for anything that looks at the active nodes
  seen_run.clear(), seen_nn.clear();
  S.nodes = nodes, S.nn = 5, S.refs = 3;
  S.max_time = c.max_time, S.min_frames = c.min_frames, S.runs = c.runs;
  S.over_min_frames = c.quota_at == 0;
  if (*c.schedule) S.ad_runs = AdaptReadRuns(S.memory, c.schedule);
  const RUN_TOTALS totals = RunLoop(S, ScriptedSession);
  EXPECT_EQ(std::pair(totals.successes, totals.sessions), std::pair(c.successes, c.sessions));
  ASSERT_EQ(int64_t(seen_run.size()), c.sessions);
  const bool by_count = !c.max_time && !c.min_frames;
  for (size_t i = 0; i < seen_run.size(); i++) EXPECT_EQ(seen_run[i], by_count + int64_t(i));
  EXPECT_EQ(seen_nn, c.seen_nn.empty() ? std::vector<int32_t>(seen_run.size(), 5) : c.seen_nn);
}
INSTANTIATE_TEST_SUITE_P(Cases, RunLoopRules, testing::ValuesIn(kCases));

// The first signal is noted for the loop, signals within a second of it are the same request, and
// a signal a second later ends the process at once.
TEST(InterruptDeathTest, SignalsTogetherAreOneRequestAndALaterOneEndsTheProcess) {
  auto together = [] {
    CatchInterrupts(), raise(SIGTERM), raise(SIGINT), raise(SIGTERM);
    exit(interrupt_signal == SIGTERM);
  };
  EXPECT_EXIT(together(), testing::ExitedWithCode(1), "");
  auto later = [] { CatchInterrupts(), raise(SIGINT), usleep(1100000), raise(SIGHUP), exit(0); };
  EXPECT_EXIT(later(), testing::KilledBySignal(SIGHUP), "");
}

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
  const Words kinds[2] = {
      {"nn=20", "nf=8", "fsf_type=binom", "fsf_prob=0.2", "runs=3000", "seed=5", "debug=1"},
      {"adhoc=1", "nn=12", "runs=800", "pdf_nodes=1", "seed=6", "debug=1"}};
  std::unique_ptr<SIM> sims[2] = {NewSimulation(kinds[0], 5), NewSimulation(kinds[1], 6)};
  RUN_TOTALS totals[2] = {};
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
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ProgramOutput(kinds[k])) << k;
  }
}

}  // namespace
