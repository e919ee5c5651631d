// Unit tests of the set-up's results in-process: completed per-round lists, the largest node count,
// histograms, the default codebook, node records, working lists, received-power buffers, the
// codeword-draw slot, the schedule builder, the adaptive start, Hamming tables and power units.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/codeword_draw.h"
#include "common/test_util.h"
#include "config/setup.h"
#include "core/state.h"

namespace {

std::vector<double> List(const double *values) { return std::vector<double>(values, values + ns); }

TEST(SetUpLists, MissingListsGetTheirBuiltinRoundValues) {
  PrepareSimulation({"ns=4", "debug=1"});
  EXPECT_EQ(List(pt), std::vector<double>(4, 0.5));
  EXPECT_EQ(List(pn), std::vector<double>(4, 1.0));
  EXPECT_EQ(List(pw), std::vector<double>(4, 1.0));
  EXPECT_EQ(List(tau), std::vector<double>(4, 0.0));
}

TEST(SetUpLists, AMissingPwCopiesPn) {
  PrepareSimulation({"pn=0.2,0.4", "debug=1"});
  ASSERT_EQ(ns, 2);
  EXPECT_EQ(List(pw), (std::vector<double>{0.2, 0.4}));
  EXPECT_EQ(List(pt), (std::vector<double>{0.5, 0.5}));
}

TEST(SetUpLists, ShortListsArePaddedToTheKeptRoundCount) {
  PrepareSimulation(
      {"ns=5", "forcens=1", "pt=0.4,0.3", "pn=0.2,0.4,0.6", "pw=0.7", "tau=0.5", "debug=1"});
  ASSERT_EQ(ns, 5);
  EXPECT_EQ(List(pt), (std::vector<double>{0.4, 0.3, 0.5, 0.5, 0.5}));
  EXPECT_EQ(List(pn), (std::vector<double>{0.2, 0.4, 0.6, 1.0, 1.0}));
  EXPECT_EQ(List(pw), (std::vector<double>{0.7, 0.4, 0.6, 1.0, 1.0}));
  EXPECT_EQ(List(tau), (std::vector<double>{0.5, 0.0, 0.0, 0.0, 0.0}));
}

TEST(SetUpLists, AListReadBeforeALongerOneIsPadded) {
  PrepareSimulation({"tau=0.5,0.5,0.5", "pt=0.1", "debug=1"});
  ASSERT_EQ(ns, 3);
  EXPECT_EQ(List(pt), (std::vector<double>{0.1, 0.5, 0.5}));
}

TEST(SetUpSchedule, TypesBuildPtOnlyWithoutAList) {
  PrepareSimulation({"type=2", "ns=4", "jumpstart=0.8", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{0.05, 0.1, 0.2, 0.4}));
  PrepareSimulation({"type=3", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{1.0 / 65536, 1.0 / 256, 1.0 / 16}));
  PrepareSimulation({"type=4", "ns=3", "pt_start=0.1", "pt_end=0.5", "pt_exp=1", "debug=1"});
  ASSERT_EQ(ns, 3);
  EXPECT_DOUBLE_EQ(pt[0], 0.1);
  EXPECT_DOUBLE_EQ(pt[1], 0.3);
  EXPECT_DOUBLE_EQ(pt[2], 0.5);
  PrepareSimulation({"type=4", "ns=1", "pt_start=0.3", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{0.3}));
  PrepareSimulation({"type=3", "pt=0.6,0.7", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{0.6, 0.7}));
}

TEST(SetUpScheduleDeathTest, AnUnknownTypeWithoutAListEndsTheRun) {
  EXPECT_EXIT(PrepareSimulation({"type=7", "debug=1"}), testing::ExitedWithCode(1),
              "^Invalid pt type: 7\n$");
}

TEST(SetUpSchedule, AdaptiveModeReplacesPtByTheRowOfNn) {
  PrepareSimulation({"adaptive=1", "nn=10", "pt=0.1,0.2,0.3", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{0.3252, 0.7803, 0.8456}));
  EXPECT_EQ(ad_estimate, 10.0);
  PrepareSimulation({"adaptive=1", "nn=5", "ad_size=4", "debug=1"});
  EXPECT_EQ(List(pt), (std::vector<double>{0.4521, 0.7147, 0.825}));
  // The start samples lie between 0.9 nn and 1.1 nn, truncated.
  for (int i = 0; i < 4; i++) {
    EXPECT_GE(ad_samples[i], 4.0);
    EXPECT_LE(ad_samples[i], 5.0);
  }
}

TEST(SetUpScheduleDeathTest, AdaptiveModeNeedsThreeRounds) {
  EXPECT_EXIT(PrepareSimulation({"adaptive=1", "ns=5", "debug=1"}), testing::ExitedWithCode(2),
              "^Heuristic pt values not tabled for ns = 5.\n$");
}

TEST(SetUpNodes, LargestNodeCountComesFromTheSchedule) {
  PrepareSimulation({"nn=5", "debug=1"});
  EXPECT_EQ(max_nn, 5);
  PrepareSimulation({"nn=5", "ad_runs=100:20,200:3", "debug=1"});
  EXPECT_EQ(max_nn, 20);
  EXPECT_EQ(nn, 5);
  PrepareSimulation({"nn=8", "ad_runs=10:3,20:7", "debug=1"});
  EXPECT_EQ(max_nn, 8);
}

TEST(SetUpNodes, EveryRecordUpToTheLargestCountIsReadyAndTheSpareIsZero) {
  PrepareSimulation({"nn=5", "ad_runs=100:20", "nf=4", "pt_start=0.2", "pt_end=0.7", "debug=1"});
  ASSERT_EQ(max_nn, 20);
  for (int32_t i = 0; i < max_nn; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(nodes[i].id, i);
    EXPECT_EQ(nodes[i].mask, 0xFFFFFFFFu);
    EXPECT_EQ(nodes[i].pt_start, 0.2);
    EXPECT_EQ(nodes[i].pt_end, 0.7);
    EXPECT_EQ(nodes[i].successes, 0);
    ASSERT_NE(nodes[i].rssi_acc, nullptr);
    for (int32_t b = 0; b < nf; b++) EXPECT_EQ(nodes[i].rssi_acc[b], 0.0);
  }
  const NODE &spare = nodes[max_nn];
  EXPECT_EQ(spare.id, 0);
  EXPECT_EQ(spare.mask, 0u);
  EXPECT_EQ(spare.pt_start, 0.0);
  EXPECT_EQ(spare.rssi_acc, nullptr);
  EXPECT_EQ(ref.mask, 0xFFFFFFFFu);
  EXPECT_NE(ref.rssi_acc, nullptr);
}

TEST(SetUpNodes, WorkingListsStartEmptyButTheListOfAll) {
  PrepareSimulation({"nn=6", "debug=1"});
  ASSERT_EQ(nodelists[NL_ALL].count, 6);
  for (int32_t i = 0; i < 6; i++) EXPECT_EQ(nodelists[NL_ALL].members[i], &nodes[i]);
  for (int list = NL_ALIVE; list < NL_COUNT; list++) {
    EXPECT_EQ(nodelists[list].count, 0) << list;
    EXPECT_NE(nodelists[list].members, nullptr) << list;
  }
}

TEST(SetUpBuffers, HistogramsAndPowerArraysAreSizedAndFilled) {
  PrepareSimulation({"nn=3", "nf=5", "tx_wait_hist_size=100", "debug=1"});
  for (int32_t k = 0; k < ns_pdf_size; k++) ASSERT_EQ(ns_pdf[k], 0) << k;
  for (int32_t k = 0; k < 100; k++) ASSERT_EQ(tx_wait_hist[k], 0) << k;
  for (int32_t b = 0; b < 5; b++) EXPECT_EQ(ORed_word_rssi[b], 0.0);
  for (int a = 0; a < 3; a++) {
    for (int b = 0; b < 3; b++)
      for (int m = 0; m < 5; m++) EXPECT_EQ(rssi[a][b][m], 0.0);
    for (int m = 0; m < 5; m++) EXPECT_EQ(rssi_AP[a][m], 1.0);
  }
}

TEST(SetUpCodebook, TheDefaultCodebookIsOneHotForCodewordsAndClasses) {
  PrepareSimulation({"debug=1"});
  ASSERT_EQ(codewords.count, 6);
  EXPECT_EQ(codewords.nbits, 6);
  EXPECT_EQ(classes.count, 6);
  EXPECT_EQ(classes.nbits, 6);
  EXPECT_EQ(nf, 6);
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(codewords.codes[i], 1 << i);
    EXPECT_EQ(classes.codes[i], 1 << i);
  }
}

TEST(SetUpCodebook, RepetitionSpreadsEachWordOverTheBlocks) {
  PrepareSimulation({"nf=13", "repeat=2", "runs=1", "debug=1"});
  EXPECT_EQ(nf, 26);
  ASSERT_EQ(codewords.count, 13);
  EXPECT_EQ(codewords.nbits, 26);
  EXPECT_EQ(codewords.codes[0], 8193);
  EXPECT_EQ(codewords.codes[12], (1 << 12) | (1 << 25));
  PrepareSimulation({"nf=3", "repeat=3", "debug=1"});
  EXPECT_EQ(nf, 9);
  EXPECT_EQ(classes.codes[1], 2 + 16 + 128);
}

TEST(SetUpCodebookDeathTest, MoreThan26SubcarriersEndTheRun) {
  EXPECT_EXIT(PrepareSimulation({"nf=9", "repeat=3", "debug=1"}), testing::ExitedWithCode(7),
              "^Error: canot use more than nf=26 subcarriers.$");
  EXPECT_EXIT(PrepareSimulation({"nf=17", "fsf_fbk=hamm74", "debug=1"}), testing::ExitedWithCode(5),
              "number of classes \\(17\\) is greater than 16.$");
}

TEST(SetUpSlots, CodewordDrawFromTheTauValues) {
  PrepareSimulation({"debug=1"});
  EXPECT_EQ(GenRandGeomUni, GenRandModUni2);
  PrepareSimulation({"tau=0.5,0.5,0.5", "debug=1"});
  EXPECT_EQ(GenRandGeomUni, GenRandModGeom2);
  PrepareSimulation({"tau=1", "debug=1"});
  EXPECT_EQ(GenRandGeomUni, GenRandModGeom2);
  PrepareSimulation({"tau=0,0.5,0", "debug=1"});
  EXPECT_EQ(GenRandGeomUni, GenRandModGeom);
  // Padding with 0.0 makes a partly geometric schedule.
  PrepareSimulation({"ns=3", "forcens=1", "tau=0.5", "debug=1"});
  EXPECT_EQ(GenRandGeomUni, GenRandModGeom);
}

TEST(SetUpSlots, ScrambleInterleavingDrawsAPermutationAtSetUp) {
  PrepareSimulation({"nf=8", "interleave=2", "debug=1"});
  ASSERT_EQ(bitScrambleDrawn, 1);
  std::vector<bool> seen(8, false);
  for (int j = 0; j < 8; j++) {
    ASSERT_GE(bitScramble[j], 0);
    ASSERT_LT(bitScramble[j], 8);
    seen[bitScramble[j]] = true;
    EXPECT_EQ(bitUnscramble[bitScramble[j]], j);
  }
  EXPECT_EQ(seen, std::vector<bool>(8, true));
  PrepareSimulation({"nf=8", "interleave=1", "debug=1"});
  EXPECT_EQ(bitScrambleDrawn, 0);
}

TEST(SetUpTables, HammingTablesFollowTheCode) {
  PrepareSimulation({"debug=1"});
  const int32_t kCodewords[16] = {0, 113, 98, 19, 84, 37, 54, 71, 56, 73, 90, 43, 108, 29, 14, 127};
  for (int d = 0; d < 16; d++) {
    EXPECT_EQ(cached_hamming74_encode[d], kCodewords[d]) << d;
    EXPECT_EQ(cached_hamming74_decode[kCodewords[d]], d) << d;
    // Any one lost bit is corrected.
    for (int bit = 0; bit < 7; bit++)
      EXPECT_EQ(cached_hamming74_decode[kCodewords[d] & ~(1 << bit)], d) << d << " " << bit;
  }
  EXPECT_EQ(cached_hamming74_decode[112], 1);
  EXPECT_EQ(cached_hamming74_decode[15], 14);
}

TEST(SetUpPower, ThresholdsAreConvertedFromDbm) {
  PrepareSimulation({"rssi_min=-30", "rssi_avg=0", "rssi_thresh=-60", "debug=1"});
  EXPECT_DOUBLE_EQ(rssi_min_pw, 1.0);
  EXPECT_DOUBLE_EQ(rssi_avg_pw, 1000.0);
  EXPECT_DOUBLE_EQ(rssi_thresh_pw, 0.001);
  PrepareSimulation({"debug=1"});
  EXPECT_NEAR(rssi_thresh_pw, 6.309573444801943e-06, 1e-18);  // -82 dBm
  EXPECT_NEAR(rssi_min_pw, 1.2589254117941662e-07, 1e-19);    // -99 dBm
  EXPECT_NEAR(rssi_avg_pw, 6.30957344480193e-04, 1e-16);      // -62 dBm
}

}  // namespace
