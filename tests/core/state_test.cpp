// Resetting the process-wide state: every option global back to its built-in value, every block,
// list, slot and counter of a prepared simulation released or zeroed, and a second simulation in
// the same process behaving exactly like the first.
#include "core/state.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/test_util.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"

namespace {

// A value for every option other than its built-in one.
const std::vector<std::string> kEveryOptionChanged = {"fast=1",
                                                      "adhoc=1",
                                                      "centr=1",
                                                      "nn=9",
                                                      "nf=4",
                                                      "repeat=2",
                                                      "interleave=1",
                                                      "ns=5",
                                                      "forcens=1",
                                                      "refs=2",
                                                      "runs=7",
                                                      "B=1000",
                                                      "DATA=100",
                                                      "APP=8",
                                                      "ts=1e-5",
                                                      "sifs=2e-5",
                                                      "difs=3e-5",
                                                      "min_frames=3",
                                                      "max_time=4",
                                                      "pdf_nodes=1",
                                                      "pdf_slots=1",
                                                      "pdf_tx_wait=1",
                                                      "tx_wait_hist_size=10",
                                                      "no_feedback=1",
                                                      "type=2",
                                                      "no_rts=0",
                                                      "jumpstart=2",
                                                      "pt_start=0.3",
                                                      "pt_end=0.7",
                                                      "pt_exp=2",
                                                      "pt=0.1,0.2",
                                                      "pn=0.9",
                                                      "pw=0.8",
                                                      "tau=0.5",
                                                      "adaptive=1",
                                                      "ad_size=3",
                                                      "ad_memory=0.5",
                                                      "ad_levels=4",
                                                      "ad_pt_min=0.2",
                                                      "ad_var=0.1",
                                                      "ad_avg_type=2",
                                                      "ad_runs=2:4",
                                                      "debug=1",
                                                      "ath_real=1",
                                                      "fixed_ack_rate=1",
                                                      "fsf_type=geom",
                                                      "fsf_prob=0.2",
                                                      "fsf_num=2",
                                                      "fsf_tau=0.5",
                                                      "fsf_fbk=perf",
                                                      "rssi_min=-90",
                                                      "rssi_max=-50",
                                                      "rssi_avg=-60",
                                                      "rssi_thresh=-80",
                                                      "rssi_type=1",
                                                      "seed=7"};

TEST(ResetState, PutsEveryOptionBackToItsBuiltinValue) {
  ParseWords(kEveryOptionChanged);
  ASSERT_EQ(nn, 9);  // the words did take effect
  ASSERT_EQ(seed_given, 1);
  ASSERT_NE(ad_runs.count, 0);
  ResetState();

  EXPECT_EQ(fast, 0);
  EXPECT_EQ(adhoc, 0);
  EXPECT_EQ(centr, 0);
  EXPECT_EQ(nn, 5);
  EXPECT_EQ(nf, 6);
  EXPECT_EQ(repeat, 1);
  EXPECT_EQ(interleave, 0);
  EXPECT_EQ(ns, 3);
  EXPECT_EQ(forcens, 0);
  EXPECT_EQ(refs, 1);
  EXPECT_EQ(runs, 10000);
  EXPECT_EQ(B, 6000000);
  EXPECT_EQ(DATA, 8184);
  EXPECT_EQ(APP, 0);
  EXPECT_EQ(ts, 8e-06);
  EXPECT_EQ(sifs, 1.6e-05);
  EXPECT_EQ(difs, 0.0);
  EXPECT_EQ(min_frames, 0);
  EXPECT_EQ(max_time, 0);
  EXPECT_EQ(pdf_nodes, 0);
  EXPECT_EQ(pdf_rounds, 0);
  EXPECT_EQ(pdf_tx_wait, 0);
  EXPECT_EQ(tx_wait_hist_size, 65536);
  EXPECT_EQ(no_feedback, 0);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(no_rts, 1);
  EXPECT_EQ(jumpstart, 1.0);
  EXPECT_EQ(pt_start, 0.5);
  EXPECT_EQ(pt_end, 0.5);
  EXPECT_EQ(pt_exp, 1.0);
  EXPECT_EQ(pt, nullptr);
  EXPECT_EQ(pn, nullptr);
  EXPECT_EQ(pw, nullptr);
  EXPECT_EQ(tau, nullptr);
  EXPECT_EQ(adaptive, 0);
  EXPECT_EQ(ad_size, 10);
  EXPECT_EQ(ad_memory, 0.99);
  EXPECT_EQ(ad_levels, 256);
  EXPECT_EQ(ad_pt_min, 0.01);
  EXPECT_EQ(ad_var, 0.0);
  EXPECT_EQ(ad_avg_type, 0);
  EXPECT_EQ(ad_runs.count, 0);
  EXPECT_EQ(ad_runs.at_run, nullptr);
  EXPECT_EQ(ad_runs.new_nn, nullptr);
  EXPECT_EQ(debug, 2);
  EXPECT_EQ(ath_real, 0);
  EXPECT_EQ(fixed_ack_rate, 0);
  EXPECT_STREQ(fsf_type, "none");
  EXPECT_EQ(fsf_prob, 0.1);
  EXPECT_EQ(fsf_num, 1);
  EXPECT_EQ(fsf_tau, 0.75);
  EXPECT_STREQ(fsf_fbk, "class");
  EXPECT_EQ(rssi_min, -99.0);
  EXPECT_EQ(rssi_max, -52.0);
  EXPECT_EQ(rssi_avg, -62.0);
  EXPECT_EQ(rssi_thresh, -82.0);
  EXPECT_EQ(rssi_flat, 0);
  EXPECT_EQ(ns_pdf_size, 4096);
  EXPECT_EQ(seed_given, 0);
  EXPECT_EQ(pt_given + pn_given + pw_given + tau_given, 0);
}

TEST(ResetState, FileOptionsLeaveEmptyCodebooks) {
  std::string book = WriteTempFile("001\n010\n100\n");
  ParseWords({"codebook=" + book, "classes=" + book});
  ASSERT_EQ(codewords.count, 3);
  ResetState();
  EXPECT_EQ(codewords.count, 0);
  EXPECT_EQ(codewords.codes, nullptr);
  EXPECT_EQ(classes.count, 0);
  EXPECT_EQ(classes.nbits, 0);
}

void ExpectEmptyCodes(const BINCODES &codes, const char *name) {
  EXPECT_EQ(codes.codes, nullptr) << name;
  EXPECT_EQ(codes.count, 0) << name;
  EXPECT_EQ(codes.nbits, 0) << name;
}

void ExpectNoBlocks() {
  EXPECT_EQ(max_nn, 0);
  EXPECT_EQ(nodes, nullptr);
  for (const NODELIST &list : nodelists) {
    EXPECT_EQ(list.members, nullptr);
    EXPECT_EQ(list.count, 0);
  }
  EXPECT_EQ(ref.rssi_acc, nullptr);
  EXPECT_EQ(ref.mask, 0u);
  EXPECT_EQ(ns_pdf, nullptr);
  EXPECT_EQ(tx_wait_hist, nullptr);
  ExpectEmptyCodes(codewords, "codewords");
  ExpectEmptyCodes(classes, "classes");
  ExpectEmptyCodes(refreplies, "refreplies");
  ExpectEmptyCodes(refreplies_idx, "refreplies_idx");
  ExpectEmptyCodes(refclasses, "refclasses");
  ExpectEmptyCodes(refclasses_idx, "refclasses_idx");
  ExpectEmptyCodes(closest_classes, "closest_classes");
  EXPECT_EQ(ORed_word_rssi, nullptr);
  EXPECT_EQ(rssi, nullptr);
  EXPECT_EQ(rssi_AP, nullptr);
  EXPECT_EQ(ad_samples, nullptr);
  EXPECT_EQ(gsl_base_rand, nullptr);
}

void ExpectNoSlots() {
  EXPECT_EQ(FSFRandChannel, nullptr);
  EXPECT_EQ(ClearORedWord, nullptr);
  EXPECT_EQ(BuildORedWord, nullptr);
  EXPECT_EQ(ExtractORedWord, nullptr);
  EXPECT_EQ(GenRandGeomUni, nullptr);
  EXPECT_EQ(FSFFindWinningWord, nullptr);
  EXPECT_EQ(FSFInterleaveWord, nullptr);
  EXPECT_EQ(FSFDeinterleaveWord, nullptr);
  EXPECT_EQ(FSFRefereeReply, nullptr);
  EXPECT_EQ(FSFWonRound, nullptr);
}

void ExpectZeroCounters() {
  EXPECT_EQ(run, 0);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(over_min_frames, 0);
  EXPECT_EQ(t_elapsed, 0.0);
  EXPECT_EQ(ORed_word, 0u);
  EXPECT_EQ(t_cont, 0.0);
  EXPECT_EQ(t_succ, 0.0);
  EXPECT_EQ(t_coll, 0.0);
  EXPECT_EQ(rssi_min_pw + rssi_avg_pw + rssi_thresh_pw, 0.0);
  EXPECT_EQ(ad_oldest_idx, 0);
  EXPECT_EQ(ad_estimate, 0.0);
  for (double result : sw_results) EXPECT_EQ(result, 0.0);
  for (int32_t entry : cached_hamming74_encode) EXPECT_EQ(entry, 0);
  for (int32_t entry : cached_hamming74_decode) EXPECT_EQ(entry, 0);
  for (int32_t entry : bitScramble) EXPECT_EQ(entry, 0);
}

// Plays sessions of a prepared simulation so that every counter has moved.
void PlaySessions(int count) {
  for (run = 1; run <= count; run++) SimSession(refs);
}

TEST(ResetState, ReleasesEverythingAPreparedSimulationHolds) {
  PrepareSimulation({"nn=4", "ad_runs=3:9", "fsf_type=binom", "adaptive=1", "interleave=2",
                     "fsf_fbk=hamm74", "debug=1"});
  ASSERT_EQ(max_nn, 9);
  ASSERT_NE(nodes, nullptr);
  ASSERT_NE(FSFRandChannel, nullptr);
  PlaySessions(30);
  ASSERT_GT(t_elapsed, 0.0);
  Stopwatch(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_GT(Stopwatch(0), 0.0);
  Stopwatch(1);  // left running
  ResetState();

  ExpectNoBlocks();
  ExpectNoSlots();
  ExpectZeroCounters();
  EXPECT_EQ(genrand_int32(), 3499211612u) << "the own generator is unseeded again";
  EXPECT_EQ(Stopwatch(1), 0.0) << "the running stopwatch was stopped";
}

TEST(ResetState, IsHarmlessWhenNothingWasPrepared) {
  ResetState();
  ResetState();
  ExpectNoBlocks();
  ExpectNoSlots();
  ExpectZeroCounters();
}

// What a short run leaves in the counters.
struct OUTCOME {
  std::vector<int32_t> successes, ns_pdf_head;
  double t_elapsed;
  int32_t failures;
};

OUTCOME PlayFromScratch() {
  PrepareSimulation({"nn=6", "fsf_type=num", "fsf_num=2", "debug=1"}, 77u);
  PlaySessions(200);
  OUTCOME outcome{{}, {}, t_elapsed, failures};
  for (int32_t i = 0; i < nn; i++) outcome.successes.push_back(nodes[i].successes);
  outcome.ns_pdf_head.assign(ns_pdf, ns_pdf + ns + 1);
  return outcome;
}

TEST(ResetState, SecondSimulationInTheProcessRepeatsTheFirst) {
  OUTCOME first = PlayFromScratch();
  OUTCOME second = PlayFromScratch();
  int32_t total = 0;
  for (int32_t s : first.successes) total += s;
  ASSERT_GT(total, 0);
  EXPECT_EQ(second.successes, first.successes);
  EXPECT_EQ(second.ns_pdf_head, first.ns_pdf_head);
  EXPECT_EQ(second.t_elapsed, first.t_elapsed);
  EXPECT_EQ(second.failures, first.failures);
  ResetState();
}

}  // namespace
