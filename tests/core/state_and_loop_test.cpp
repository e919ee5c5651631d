// The simulation's spine: the state reset after a played simulation, the run loop driven by a
// scripted session, the choice of the session routine, and the program's standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "app/run_loop.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/basic.h"
#include "sessions/centralized.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"

namespace {

// Plays 200 sessions with the optional models on; returns the clock, failures and counts.
std::vector<double> Play() {
  PrepareSimulation({"nn=4", "ad_runs=3:9", "fsf_type=binom", "adaptive=1", "interleave=2",
                     "fsf_fbk=hamm74", "pdf_tx_wait=1", "debug=1", "seed=7", "pt=0.5,0.4,0.3",
                     "pn=1,1,1", "pw=0.8,0.8,0.8", "tau=0,0,0"},
                    77u);
  for (run = 1; run <= 200; run++) SimSession(refs);
  std::vector<double> outcome{t_elapsed, double(failures)};
  for (int32_t i = 0; i < nn; i++) outcome.push_back(nodes[i].successes);
  for (int32_t i = 0; i <= ns; i++) outcome.push_back(ns_pdf[i]);
  return outcome;
}

template <class T, size_t N>
bool AllZero(const T (&array)[N]) {
  return std::all_of(array, array + N, [](T value) { return value == 0; });
}

TEST(ResetState, ReleasesAPlayedSimulationAndRestoresTheStartValues) {
  const std::vector<double> first = Play();
  ASSERT_GT(first[0], 0.0);
  Stopwatch(1);                 // left running
  QueueGenRandWords(&seed, 1);  // a word left queued
  ResetState();
  EXPECT_EQ((std::vector<int32_t>{nn, runs, debug, adaptive, interleave, pdf_tx_wait}),
            (std::vector<int32_t>{5, 10000, 2, 0, 0, 0}));
  EXPECT_STREQ(fsf_type, "none");
  EXPECT_STREQ(fsf_fbk, "class");
  // clang-format off
  const void *const blocks[] = {nodes, ns_pdf, tx_wait_hist, pt, tau, pn, pw, ref.rssi_acc,
      codewords.codes, classes.codes, refreplies.codes, refreplies_idx.codes, refclasses.codes,
      refclasses_idx.codes, closest_classes.codes, codeword_class, class_reply, codeword_memo,
      class_memo, ORed_word_rssi, rssi, rssi_AP, rssi_pair_stamp, ad_samples, gsl_base_rand};
  // clang-format on
  for (const NODELIST &list : nodelists) EXPECT_TRUE(list.members == nullptr && list.count == 0);
  EXPECT_TRUE(!FSFRandChannel && !ClearORedWord && !BuildORedWord && !ExtractORedWord &&
              !GenRandGeomUni && !FSFFindWinningWord && !FSFInterleaveWord &&
              !FSFDeinterleaveWord && !FSFRefereeReply && !FSFWonRound);
  // clang-format off
  const int32_t counts[] = {ad_runs.count, seed_given, int32_t(seed), pt_given, pn_given, pw_given,
      tau_given, max_nn, codewords.count, codewords.nbits, classes.count, classes.nbits, int32_t(run),
      int32_t(failures), over_min_frames, bitScrambleDrawn, ad_oldest_idx, int32_t(ORed_word)};
  // clang-format on
  const double values[] = {delta, t_elapsed, t_cont, t_succ, t_coll, ad_estimate, rssi_thresh_pw};
  EXPECT_TRUE(AllZero(blocks) && AllZero(counts) && AllZero(values) && AllZero(sw_results) &&
              AllZero(bitScramble) && AllZero(cached_hamming74_encode) &&
              AllZero(cached_hamming74_decode));
  EXPECT_EQ(genrand_int32(), 3499211612u) << "unseeded, the queued word dropped";
  EXPECT_EQ(Stopwatch(1), 0.0) << "the running watch was stopped";
  EXPECT_EQ(Play(), first);
  ResetState();
}

using Ints = std::vector<int32_t>;

// Options max_time, min_frames, runs; each session adds step to the clock, returns the next of
// results (then 0) and sets over_min_frames from call quota_at on (0: before the loop, -1: never);
// the schedule at -> new_nn. Expected: success sum, runs, first session's run, nn seen (empty: 5).
struct LOOP_CASE {
  int32_t max_time, min_frames, runs;
  double step;
  int quota_at;
  Ints results, at, new_nn;
  int32_t successes, runs_after, first_run;
  Ints seen_nn;
};
const Ints kAll = {0, 1, 2, 3}, kNew = {7, 8, 9, 10};  // a schedule that must not apply
// clang-format off
const LOOP_CASE kCases[] = {
    {1000, 0, 0, 0.25, -1, {1, 0, 1, 1, 1}, kAll, kNew, 3, 4, 0, {}},  // the clock reaches 1 s
    {1000, 0, 0, 0.3, -1, {1, 1, 1, 1, 1}, {}, {}, 4, 4, 0, {}},  // the crossing session counts
    {1000, 1, 2, 0.125, 1, {}, {}, {}, 0, 8, 0, {}},  // the time limit overrides the others
    {-5, 3, 10, 0.25, -1, {1}, {}, {}, 0, 0, 0, {}},
    {0, -1, 1, 0, 3, {1, 0, 1}, kAll, kNew, 2, 3, 0, {}},  // the quota overrides the count
    {0, 4, 7, 0, 0, {1}, {}, {}, 0, 0, 0, {}},
    {0, 0, 5, 0, 0, {1, 1, 0, 1, 0}, {}, {}, 3, 5, 1, {}},  // the frame flag plays no part
    {0, 0, 0, 0, -1, {1}, {}, {}, 0, 0, 1, {}},
    {0, 0, 3, 0, -1, {}, {2}, {7}, 0, 3, 1, {5, 7, 7}},
    {0, 0, 4, 0, -1, {}, {1, 3}, {2, 9}, 0, 4, 1, {2, 2, 9, 9}},
    {0, 0, 6, 0, -1, {}, {3, 2, 5}, {4, 9, 6}, 0, 6, 1, {5, 5, 4, 4, 4, 4}},  // out of order
    {0, 0, 5, 0, -1, {}, {2, 2, 4}, {7, 9, 3}, 0, 5, 1, {5, 7, 7, 7, 7}}};
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
  return call <= script->results.size() ? script->results[call - 1] : 0;
}

TEST(RunLoop, StopRulesCountersAndSchedule) {
  for (const LOOP_CASE &c : kCases) {
    ResetState();
    script = &c;
    SCOPED_TRACE(&c - kCases);
    seen_run.clear(), seen_nn.clear();
    nodes = test_nodes, nn = 5, refs = 3;
    max_time = c.max_time, min_frames = c.min_frames, runs = c.runs;
    over_min_frames = c.quota_at == 0;
    Ints at = c.at, new_nn = c.new_nn;
    ad_runs = ADRUNS{at.data(), new_nn.data(), int32_t(at.size())};
    RUN_TOTALS totals = RunLoop(ScriptedSession);
    EXPECT_EQ(totals.successes, c.successes);
    EXPECT_EQ(totals.sessions, c.runs_after);
    ASSERT_EQ(seen_run.size(), size_t(c.runs_after));
    for (size_t i = 0; i < seen_run.size(); i++) EXPECT_EQ(seen_run[i], c.first_run + int(i));
    EXPECT_EQ(seen_nn, c.seen_nn.empty() ? Ints(seen_run.size(), 5) : c.seen_nn);
  }
  ResetState();
}

TEST(RunLoop, ChoosesAdHocThenCentralizedThenBasic) {
  ResetState();
  adhoc = -2, centr = 1;
  EXPECT_EQ(ChooseSession(), &SimSessionAdhocRSSI);
  adhoc = 0;
  EXPECT_EQ(ChooseSession(), &SimSessionCentralizedRSSI);
  centr = 0, fast = 1;
  EXPECT_EQ(ChooseSession(), &SimSession);
}

// Standard error stays empty at debug <= 1; at debug 2 it ends with "// simtime <seconds> sec"
// without a line end, under each stop rule; the report is the same at debug 1 and 2.
TEST(ProgramOutput, StandardErrorByDebugLevel) {
  std::string report;
  for (const char *level : {"debug=-1", "debug=0", "debug=1"}) {
    const SIM_RUN run = RunSim({"seed=21", "runs=200", level});
    EXPECT_EQ(run.status, 0) << level;
    EXPECT_EQ(run.err, "") << level;
    report = run.out;
  }
  for (std::string stop : {"runs=200", "max_time=-1", "min_frames=2"}) {
    const SIM_RUN run = RunSim({"seed=21", stop});
    EXPECT_EQ(run.status, 0) << stop;
    EXPECT_TRUE(stop != "runs=200" || run.out == report) << run.out;
    const std::string last = Lines(run.err).back(), head = "// simtime ";
    ASSERT_EQ(last.rfind(head, 0), 0u) << stop << ": " << run.err;
    size_t used = 0;
    EXPECT_GE(std::stod(last.substr(head.size()), &used), 0.0) << last;
    EXPECT_EQ(last.substr(head.size() + used), " sec") << last;
    EXPECT_NE(run.err.back(), '\n');
  }
}

}  // namespace
