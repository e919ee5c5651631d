// In-process: lookup, lists, the global and operation each word sets, durations in hand-computed
// microseconds, the tuned schedule table and types, and the state each set-up step leaves.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "channel/fading_masks.h"
#include "channel/rssi.h"
#include "coding/codeword_draw.h"
#include "coding/detect.h"
#include "coding/feedback.h"
#include "coding/interleave.h"
#include "coding/superpose.h"
#include "common/test_util.h"
#include "config/options.h"
#include "config/schedule.h"
#include "config/timing.h"
#include "core/state.h"
#include "support/numbers.h"

namespace {

using Words = std::vector<std::string>;
using Doubles = std::vector<double>;

Doubles List(const double *values, int32_t count = ns) { return Doubles(values, values + count); }

TEST(Options, LookupListsTheGlobalEachWordSetsAndTheOperationsChosen) {
  char w0[] = "nn=3", w1[] = "nn=7x", w2[] = "pt=", w3[] = "nn=9";
  char *argv[] = {w0, w1, w2, w3};  // the first word is the program name
  EXPECT_EQ(std::tuple(std::string(FindArg(4, argv, "nn=")), std::string(FindArg(4, argv, "pt=")),
                       FindArg(4, argv, "ns=")),
            std::tuple("7x", "", nullptr));
  const std::pair<const char *, Doubles> lists[] = {{"0.5,,0.2", {0.5, 0, 0.2}},
                                                    {"0.4,0.3,", {0.4, 0.3, 0}},
                                                    {"", {0}},
                                                    {" 1e-1,  2,abc,-3x,.5", {0.1, 2, 0, -3, 0.5}}};
  for (const auto &[text, expected] : lists) {
    int32_t count = -1;
    double *values = csvtof(text, &count);
    EXPECT_EQ(List(values, count), expected) << text;
  }
  auto slots = [] {  // the operations the keywords, repeat and interleave choose
    return std::tuple(FSFRefereeReply, FSFWonRound, FSFRandChannel, BuildORedWord, ClearORedWord,
                      ExtractORedWord, FSFFindWinningWord, FSFInterleaveWord, FSFDeinterleaveWord);
  };
  ParseWords({});  // built-in values and operations that no run shows
  EXPECT_EQ(std::tuple(ns_pdf_size, ad_size, ad_memory, ad_avg_type, rssi_flat, seed_given,
                       pt_start, pt_end, pt_exp),
            std::tuple(4096, 10, 0.99, 0, 0, 0, 0.5, 0.5, 1.0));
  EXPECT_EQ(slots(), std::tuple(&FSFRefereeReplyClosestClass, &FSFWonRoundClosestClass,
                                &FSFRandChannelMaskNone, &BuildORedWordMask, &ClearORedWordMask,
                                &ExtractORedWordMask, &FSFFindWinningWordClosest,
                                &FSFInterleaveWordNone, &FSFDeinterleaveWordNone));
  // clang-format off
  ParseWords({"fast=1", "adhoc=2", "centr=3", "refs=-2", "runs=5", "min_frames=7", "max_time=-1",
              "pdf_nodes=4", "pdf_rounds=1", "pdf_slots=5", "pdf_tx_wait=6", "debug=-3",
              "ad_levels=9", "ad_pt_min=0.2", "ad_var=0.3", "fsf_prob=0.25", "fsf_num=-11",
              "fsf_tau=0.125", "rssi_min=-40", "rssi_max=-41", "rssi_avg=-42", "rssi_thresh=-43",
              "rssi_type=12", "seed=4000000000", "tx_wait_hist_size=13", "interleave=1",
              "repeat=2", "fsf_type=GeOm", "fsf_fbk=Perf"});
  // clang-format on
  EXPECT_EQ(std::tuple(fast, adhoc, centr, refs, runs, min_frames, max_time, pdf_nodes, pdf_rounds,
                       pdf_tx_wait, debug, ad_levels, ad_pt_min, ad_var, fsf_prob, fsf_num),
            std::tuple(1, 2, 3, -2, 5, 7, -1, 4, 5, 6, -3, 9, 0.2, 0.3, 0.25, -11));
  EXPECT_EQ(std::tuple(fsf_tau, rssi_min, rssi_max, rssi_avg, rssi_thresh, rssi_flat, seed_given,
                       seed, tx_wait_hist_size, std::string(fsf_type), std::string(fsf_fbk)),
            std::tuple(0.125, -40.0, -41.0, -42.0, -43.0, 12, 1, 4000000000u, 13, "GeOm", "Perf"));
  EXPECT_EQ(slots(), std::tuple(&FSFRefereeReplyPerfectFeedback, &FSFWonRoundPerfectFeedback,
                                &FSFRandChannelMaskGeom, &BuildORedWordMask, &ClearORedWordMask,
                                &ExtractORedWordMask, &FSFFindWinningWordRepeat,
                                &FSFInterleaveWordRotate, &FSFDeinterleaveWordRotate));
  ParseWords({"fsf_fbk=HAMM74", "fsf_type=Rssi", "interleave=2"});
  EXPECT_EQ(slots(),
            std::tuple(&FSFRefereeReplyHamming74, &FSFWonRoundHamming74,
                       &FSFRandChannelSubcarriersRSSI, &BuildORedWordRSSI, &ClearORedWordRSSI,
                       &ExtractORedWordRSSI, &FSFFindWinningWordClosest, &FSFInterleaveWordScramble,
                       &FSFDeinterleaveWordScramble));
  ParseWords({"fsf_type=Num"});
  EXPECT_EQ(FSFRandChannel, &FSFRandChannelMaskNumber);
  ParseWords({"fsf_type=BINOM", "interleave=3"});
  EXPECT_EQ(std::tuple(FSFRandChannel, FSFInterleaveWord),
            std::tuple(&FSFRandChannelMaskBinom, &FSFInterleaveWordNone));
}

TEST(SetUp, ListsCodebookRecordsBuffersAndPowersAreReady) {
  PrepareSimulation({"nn=8", "ad_runs=10:3,20:7", "ns=4", "debug=1"});  // lists not given
  EXPECT_EQ(
      std::tuple(max_nn, List(pt), List(pn), List(pw), List(tau), GenRandGeomUni),
      std::tuple(8, Doubles(4, 0.5), Doubles(4, 1), Doubles(4, 1), Doubles(4, 0), &GenRandModUni2));
  PrepareSimulation({"centr=1", "nn=5", "ad_runs=100:20,200:3", "nf=13", "repeat=2", "pt_start=0.2",
                     "pt_end=0.7", "tx_wait_hist_size=100", "rssi_min=-30", "rssi_avg=0",
                     "rssi_thresh=-60", "ns=5", "forcens=1", "pt=0.4,0.3", "pn=0.2,0.4,0.6",
                     "pw=0.7", "tau=0.5", "debug=1"});
  ASSERT_EQ(std::tuple(max_nn, nn, nodelists[NL_ALL].count), std::tuple(20, 5, 20));
  // Short lists padded: pt with 0.5, pn with 1, pw with pn's values, tau with 0.
  EXPECT_EQ(std::tuple(List(pt), List(pn), List(pw), List(tau), GenRandGeomUni),
            std::tuple(Doubles{0.4, 0.3, 0.5, 0.5, 0.5}, Doubles{0.2, 0.4, 0.6, 1, 1},
                       Doubles{0.7, 0.4, 0.6, 1, 1}, Doubles{0.5, 0, 0, 0, 0}, &GenRandModGeom));
  // The default codebook: one word per subcarrier, repeated in each block of 13 bits.
  EXPECT_EQ(std::tuple(nf, codewords.count, classes.count, codewords.nbits, classes.nbits,
                       codewords.codes[0], classes.codes[12]),
            std::tuple(26, 13, 13, 26, 26, 8193, (1 << 12) | (1 << 25)));
  for (int32_t i = 0; i < 20; i++) {
    EXPECT_EQ(
        std::tuple(nodes[i].id, nodes[i].mask, nodes[i].pt_start, nodes[i].pt_end,
                   List(nodes[i].rssi_acc, 26), nodelists[NL_ALL].members[i], List(rssi_AP[i], 26)),
        std::tuple(i, ~0u, 0.2, 0.7, Doubles(26, 0), &nodes[i], Doubles(26, 1)));
    for (int32_t b = 0; b < 20; b++) EXPECT_EQ(List(rssi[i][b], 26), Doubles(26, 0));
  }
  EXPECT_EQ(std::tuple(nodes[20].id, nodes[20].mask, nodes[20].rssi_acc),
            std::tuple(0, 0u, nullptr));
  EXPECT_TRUE(ref.mask == ~0u && ref.rssi_acc);
  for (int list = NL_ALIVE; list < NL_COUNT; list++)
    EXPECT_TRUE(nodelists[list].count == 0 && nodelists[list].members) << list;
  EXPECT_EQ(List(ORed_word_rssi, 26), Doubles(26, 0));
  EXPECT_EQ(std::vector<int64_t>(ns_pdf, ns_pdf + 4096), std::vector<int64_t>(4096, 0));
  EXPECT_EQ(std::vector<int64_t>(tx_wait_hist, tx_wait_hist + 100), std::vector<int64_t>(100, 0));
  EXPECT_EQ(std::tuple(rssi_min_pw, rssi_avg_pw), std::tuple(1.0, 1000.0));
  EXPECT_DOUBLE_EQ(rssi_thresh_pw, 0.001);
}

// Built-ins: data frame 20 + 4 x ceil(8462 / 24) = 1432 us, RTS 48, CTS/ACK 40, slot 8, SIFS 16 us.
TEST(Timing, SessionDurationsInMicroseconds) {
  // clang-format off
  const std::pair<Words, Doubles> cases[] = {  // words; delta, difs, t_cont, t_succ, t_coll in us
      {{}, {0, 24, 48, 1552, 1552}},                      // 48 + 1432 + 16 + 40 + 16, twice
      {{"no_rts=0"}, {0, 24, 48, 1680, 120}},             // 48+48+16+40+16+1432+16+40+24; 48+48+24
      {{"no_rts=2"}, {0, 24, 48, 1560, 1504}},            // 48+1432+16+40+24; 48+1432+24
      {{"no_rts=3"}, {0, 24, 48, 1680, 120}},             {{"no_rts=-1"}, {0, 24, 48, 1680, 120}},
      {{"no_rts=0", "B=11999999"}, {0, 24, 48, 976, 120}},   // 177 symbols; RTS 48, CTS/ACK 40
      {{"no_rts=0", "B=12000000"}, {0, 24, 48, 948, 108}},   // 177 symbols; RTS 36, CTS/ACK 32
      {{"no_rts=0", "B=24000000"}, {0, 24, 48, 580, 100}},   // 89 symbols; RTS 28, CTS/ACK 28
      {{"no_rts=0", "B=24000000", "fixed_ack_rate=1"}, {0, 24, 48, 604, 100}},  // CTS/ACK 40
      {{"DATA=8122"}, {0, 24, 48, 1540, 1540}},              // 8400 bits: exactly 350 symbols
      {{"APP=100"}, {0, 24, 48, 1568, 1568}},                // 357 symbols, 1448 us
      // ath_real: RTS 52, CTS 37.6, ACK 44; 280 overhead bits and one more symbol: 1436 us.
      {{"no_rts=0", "ath_real=1"}, {0, 24, 48, 1689.6, 124}},
      {{"DATA=8193"}, {0, 24, 48, 1552, 1552}},              // 8471 bits: 353 symbols
      {{"DATA=8193", "ath_real=1"}, {0, 24, 48, 1564, 1564}},// 8473 bits: 354 symbols
      {{"no_feedback=1"}, {0, 24, 24, 1528, 1528}},          {{"ns=5"}, {0, 24, 80, 1584, 1584}},
      {{"no_rts=2", "ts=9e-6", "sifs=10e-6"}, {0, 19, 54, 1555, 1505}},
      {{"no_rts=2", "difs=1e-05"}, {0, 10, 48, 1546, 1490}},
      {{"no_rts=2", "difs=-5e-06"}, {0, -5, 48, 1531, 1475}},
      {{"no_rts=0", "difs=1e-05"}, {0, 10, 48, 1666, 106}},
      {{"no_rts=0"}, {1, 24, 48, 1684, 121}},  {{}, {1, 24, 48, 1554, 1554}},  // delta on frames
  };
  // clang-format on
  for (const auto &[words, us] : cases) {
    ParseWords(words);
    delta = us[0] * 1e-6;
    ComputeTiming();
    Doubles got{us[0], difs * 1e6, t_cont * 1e6, t_succ * 1e6, t_coll * 1e6};
    for (size_t k = 1; k < 5; k++)
      EXPECT_NEAR(got[k], us[k], 1e-6) << testing::PrintToString(words) << us[0] << " " << k;
  }
}

// Row n: pt[0], pt[1], pt[2]. Rows 7, 13 and 420 lie between tuned rows, rounded to 4 decimals.
const double kRows[][4] = {
    // clang-format off
    {0, 0.5, 0.5, 0.5},          {1, 0.4836, 0.5098, 0.5472},  {2, 0.4718, 0.5367, 0.6824},
    {3, 0.4623, 0.5778, 0.7824}, {4, 0.4582, 0.651, 0.8115},   {5, 0.4521, 0.7147, 0.825},
    {6, 0.4355, 0.752, 0.8351},  {8, 0.3771, 0.7738, 0.8433},  {10, 0.3252, 0.7803, 0.8456},
    {12, 0.2877, 0.7868, 0.8462},{15, 0.2473, 0.7954, 0.8458}, {20, 0.2026, 0.8049, 0.8443},
    {25, 0.1728, 0.8095, 0.8433},{30, 0.1513, 0.8111, 0.8427}, {40, 0.1218, 0.811, 0.8424},
    {50, 0.1024, 0.8102, 0.8428},{75, 0.0737, 0.8093, 0.844},  {100, 0.0578, 0.8093, 0.8453},
    {150, 0.0404, 0.8105, 0.8475},{200, 0.031, 0.8121, 0.8493},{300, 0.021, 0.8143, 0.8514},
    {400, 0.0158, 0.8152, 0.8521},{500, 0.0128, 0.815, 0.8522},{7, 0.4063, 0.7629, 0.8392},
    {13, 0.2742, 0.7897, 0.8461},{420, 0.0152, 0.8152, 0.8521},
    // clang-format on
};

Doubles Row(const double *row) { return Doubles(row, row + 3); }

TEST(Schedule, TableRowsAndTheRowFetchedForANodeCount) {
  for (const auto &row : kRows) EXPECT_EQ(Row(HeurRow(int(row[0]))), Row(row + 1)) << row[0];
  for (int n = 501; n <= 505; n++) EXPECT_EQ(Row(HeurRow(n)), Row(kRows[22] + 1)) << n;
  for (int n = 506; n <= 1000; n++) EXPECT_EQ(Row(HeurRow(n)), Doubles(3, 0.0)) << n;
  for (int n : {-7, 1, 2}) EXPECT_EQ(Row(HeurFetchPt(n, 3)), Row(kRows[2] + 1)) << n;
  EXPECT_EQ(Row(HeurFetchPt(3, 3)), Row(kRows[3] + 1));
  for (int n : {500, 501, 1000000}) EXPECT_EQ(Row(HeurFetchPt(n, 3)), Row(kRows[22] + 1)) << n;
  EXPECT_EXIT(HeurFetchPt(10, 4), testing::ExitedWithCode(2),
              "^Heuristic pt values not tabled for ns = 4\\.\n$");
}

// The schedule after set-up: built by type only without a list; adaptive mode installs nn's row.
TEST(Schedule, TypesBuildTheScheduleWithoutAList) {
  const std::pair<Words, Doubles> cases[] = {
      // clang-format off
      {{"type=1", "ns=5"}, {0.5, 0.5, 0.5, 0.5, 0.5}},  {{"type=2"}, {0.125, 0.25, 0.5}},
      {{"type=2", "ns=4", "jumpstart=0.8"}, {0.05, 0.1, 0.2, 0.4}},
      {{"type=3"}, {1.0 / 65536, 1.0 / 256, 1.0 / 16}},
      {{"type=3", "ns=2", "jumpstart=2"}, {2.0 / 256, 2.0 / 16}},
      {{"type=4", "ns=4", "pt_start=0.2", "pt_end=0.8", "pt_exp=2"},
       {0.2, 0.2 + 0.6 / 9, 0.2 + 2.4 / 9, 0.8}},
      {{"type=4", "ns=1", "pt_start=0.3", "pt_end=0.9"}, {0.3}},
      {{"type=2", "pt=0.3,0.6"}, {0.3, 0.6}},           {{"type=9", "pt=0.7"}, {0.7}},
      {{"adaptive=1", "nn=10", "pt=0.1,0.2,0.3"}, {0.3252, 0.7803, 0.8456}},
      {{"adaptive=1", "nn=600", "nf=1"}, {0.0128, 0.815, 0.8522}},
      // clang-format on
  };
  for (auto [words, expected] : cases) {
    words.push_back("debug=1");
    PrepareSimulation(words);
    ASSERT_EQ(ns, int32_t(expected.size())) << testing::PrintToString(words);
    for (int32_t i = 0; i < ns; i++)
      EXPECT_NEAR(pt[i], expected[size_t(i)], 1e-15) << testing::PrintToString(words) << i;
  }
}

}  // namespace
