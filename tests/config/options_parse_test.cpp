// Unit tests of the option parser in-process: the argument lookup, the lenient 32-bit integer
// reading, the comma-separated lists, the globals each option word sets and the operation slots
// filled from the keywords, repeat and interleave.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "channel/fading_masks.h"
#include "channel/rssi.h"
#include "coding/detect.h"
#include "coding/feedback.h"
#include "coding/interleave.h"
#include "coding/superpose.h"
#include "common/test_util.h"
#include "config/options.h"
#include "core/state.h"

namespace {

// argv for FindArg and the ParseArg helpers; the first word is the program name.
struct ARGS {
  std::vector<std::string> words;
  std::vector<char *> argv;
  explicit ARGS(std::vector<std::string> all) : words(std::move(all)) {
    for (std::string &word : words) argv.push_back(word.data());
  }
  int argc() const { return int(argv.size()); }
  char **data() { return argv.data(); }
};

std::vector<double> Csv(const char *text, int32_t *count) {
  double *values = csvtof(text, count);
  return std::vector<double>(values, values + *count);
}

TEST(FindArg, ReturnsTheTextAfterTheNameInTheFirstMatchingWord) {
  ARGS args({"nn=3", "nnn=4", "nn=7", "NN=8", "nn=9", "pt=", "-hello"});
  EXPECT_STREQ(FindArg(args.argc(), args.data(), "nn="), "7");
  EXPECT_STREQ(FindArg(args.argc(), args.data(), "NN="), "8");
  EXPECT_STREQ(FindArg(args.argc(), args.data(), "pt="), "");
  EXPECT_STREQ(FindArg(args.argc(), args.data(), "-h"), "ello");
  EXPECT_STREQ(FindArg(args.argc(), args.data(), "nnn="), "4");
}

TEST(FindArg, NeverLooksAtTheProgramNameAndIsNullWithoutAMatch) {
  ARGS args({"nn=3", "nf=8"});
  EXPECT_EQ(FindArg(args.argc(), args.data(), "ns="), nullptr);
  EXPECT_EQ(FindArg(args.argc(), args.data(), "nn="), nullptr);
  EXPECT_EQ(FindArg(args.argc(), args.data(), "nf=8x"), nullptr);
  ARGS alone({"qrvl_sim"});
  EXPECT_EQ(FindArg(alone.argc(), alone.data(), "nn="), nullptr);
}

TEST(ReadInt32, ReadsLikeAtol) {
  struct CASE {
    const char *text;
    int32_t value;
  } cases[] = {{"42", 42},
               {"  -7xyz", -7},
               {"+8", 8},
               {"abc", 0},
               {"", 0},
               {"\t\n 12", 12},
               {"0x10", 0},
               {"1e6", 1},
               {"- 5", 0},
               {"--5", 0},
               {"007", 7},
               {"3.9", 3},
               {"-0", 0},
               {"+-1", 0},
               {" +12 3", 12},
               {"2147483647", 2147483647},
               {"-2147483648", INT32_MIN}};
  for (const CASE &c : cases) {
    int32_t out = 99;
    EXPECT_TRUE(ReadInt32(c.text, &out)) << c.text;
    EXPECT_EQ(out, c.value) << c.text;
  }
}

TEST(ReadInt32, RejectsValuesBeyond32BitsAndKeepsTheOldValue) {
  for (const char *text : {"2147483648", "-2147483649", "4294967296", "99999999999999999999999",
                           "  +2147483648abc", "-9223372036854775808", "18446744073709551617"}) {
    int32_t out = 99;
    EXPECT_FALSE(ReadInt32(text, &out)) << text;
    EXPECT_EQ(out, 99) << text;
  }
}

TEST(ParseArgHelpers, StoreOnlyWhenTheOptionIsGiven) {
  ARGS args({"qrvl_sim", "nn=12", "ts=1.5e-3x", "big=3000000000"});
  int32_t value = 5;
  EXPECT_TRUE(ParseArgInt(args.argc(), args.data(), "nn=", &value));
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(ParseArgInt(args.argc(), args.data(), "nf=", &value));
  EXPECT_EQ(value, 12);
  EXPECT_FALSE(ParseArgInt(args.argc(), args.data(), "big=", &value));
  EXPECT_EQ(value, 12);
  double real = 2.0;
  ParseArgFloat(args.argc(), args.data(), "ts=", &real);
  EXPECT_DOUBLE_EQ(real, 1.5e-3);
  ParseArgFloat(args.argc(), args.data(), "sifs=", &real);
  EXPECT_DOUBLE_EQ(real, 1.5e-3);
}

TEST(Csvtof, OneValuePerFieldWithEmptyFieldsAsZero) {
  int32_t count = -1;
  EXPECT_EQ(Csv("0.5,,0.2", &count), (std::vector<double>{0.5, 0.0, 0.2}));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Csv("0.4,0.3,", &count), (std::vector<double>{0.4, 0.3, 0.0}));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Csv("", &count), (std::vector<double>{0.0}));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Csv(",", &count), (std::vector<double>{0.0, 0.0}));
  EXPECT_EQ(Csv(",,,", &count).size(), 4u);
  EXPECT_EQ(Csv(" 1e-1,  2,abc,-3x,.5", &count), (std::vector<double>{0.1, 2, 0, -3, 0.5}));
  EXPECT_EQ(Csv("0.7", &count), (std::vector<double>{0.7}));
}

TEST(Csvtof, ReadsLongLists) {
  std::string text;
  for (int i = 0; i < 1000; i++) text += std::to_string(i) + ",";
  int32_t count = 0;
  std::vector<double> values = Csv(text.c_str(), &count);
  ASSERT_EQ(count, 1001);
  EXPECT_EQ(values[0], 0.0);
  EXPECT_EQ(values[999], 999.0);
  EXPECT_EQ(values[1000], 0.0);
}

TEST(ParseMainArgs, NoWordsGiveTheBuiltinValues) {
  ParseWords({});
  EXPECT_EQ(nn, 5);
  EXPECT_EQ(nf, 6);
  EXPECT_EQ(ns, 3);
  EXPECT_EQ(repeat, 1);
  EXPECT_EQ(runs, 10000);
  EXPECT_EQ(no_rts, 1);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(debug, 2);
  EXPECT_EQ(tx_wait_hist_size, 65536);
  EXPECT_EQ(ns_pdf_size, 4096);
  EXPECT_EQ(ad_size, 10);
  EXPECT_DOUBLE_EQ(ad_memory, 0.99);
  EXPECT_DOUBLE_EQ(fsf_tau, 0.75);
  EXPECT_DOUBLE_EQ(rssi_thresh, -82.0);
  EXPECT_STREQ(fsf_type, "none");
  EXPECT_STREQ(fsf_fbk, "class");
  EXPECT_EQ(pt, nullptr);
  EXPECT_EQ(tau, nullptr);
  EXPECT_EQ(pn, nullptr);
  EXPECT_EQ(pw, nullptr);
  EXPECT_EQ(codewords.count, 0);
  EXPECT_EQ(classes.count, 0);
  EXPECT_EQ(ad_runs.count, 0);
  EXPECT_EQ(seed_given, 0);
}

TEST(ParseMainArgs, OptionWordsSetTheirGlobals) {
  ParseWords({"fast=1",        "adhoc=2",      "centr=3",          "refs=4",        "APP=-64",
              "min_frames=7",  "pdf_nodes=1",  "pdf_slots=1",      "pdf_tx_wait=1", "no_feedback=1",
              "no_rts=2",      "ath_real=1",   "fixed_ack_rate=1", "rssi_type=1",   "fsf_num=3",
              "fsf_prob=0.25", "rssi_max=-40", "ad_levels=9",      "ad_pt_min=0.2", "ad_var=0.3",
              "ad_avg_type=2", "seed=77"});
  EXPECT_EQ(fast, 1);
  EXPECT_EQ(adhoc, 2);
  EXPECT_EQ(centr, 3);
  EXPECT_EQ(refs, 4);
  EXPECT_EQ(APP, -64);
  EXPECT_EQ(min_frames, 7);
  EXPECT_EQ(pdf_nodes, 1);
  EXPECT_EQ(pdf_rounds, 1);
  EXPECT_EQ(pdf_tx_wait, 1);
  EXPECT_EQ(no_feedback, 1);
  EXPECT_EQ(no_rts, 2);
  EXPECT_EQ(ath_real, 1);
  EXPECT_EQ(fixed_ack_rate, 1);
  EXPECT_EQ(rssi_flat, 1);
  EXPECT_EQ(fsf_num, 3);
  EXPECT_DOUBLE_EQ(fsf_prob, 0.25);
  EXPECT_DOUBLE_EQ(rssi_max, -40);
  EXPECT_EQ(ad_levels, 9);
  EXPECT_DOUBLE_EQ(ad_pt_min, 0.2);
  EXPECT_DOUBLE_EQ(ad_var, 0.3);
  EXPECT_EQ(ad_avg_type, 2);
  EXPECT_EQ(seed_given, 1);
  EXPECT_EQ(seed, 77u);
}

TEST(ParseMainArgs, TheHelpsWordPdfRoundsIsNotAnOption) {
  ParseWords({"pdf_rounds=1"});
  EXPECT_EQ(pdf_rounds, 0);
}

TEST(ParseMainArgs, NegativeValuesOtherThanSizesPass) {
  ParseWords({"runs=-5", "B=-1", "DATA=-8", "refs=-2", "repeat=1", "debug=-3"});
  EXPECT_EQ(runs, -5);
  EXPECT_EQ(B, -1);
  EXPECT_EQ(DATA, -8);
  EXPECT_EQ(refs, -2);
  EXPECT_EQ(debug, -3);
}

TEST(ParseMainArgs, KeywordsPointIntoTheArgumentWords) {
  ParseWords({"fsf_type=GeOm", "fsf_fbk=Perf"});
  EXPECT_STREQ(fsf_type, "GeOm");
  EXPECT_STREQ(fsf_fbk, "Perf");
}

TEST(ParseMainArgs, ListsSetNsAndRecordTheirValues) {
  ParseWords({"ns=9", "pt=0.4,0.3"});
  EXPECT_EQ(ns, 2);
  EXPECT_DOUBLE_EQ(pt[0], 0.4);
  EXPECT_DOUBLE_EQ(pt[1], 0.3);
  ParseWords({"tau=0.5", "pw=0.1,0.2,0.3", "pn=0.9,0.8", "pt=0.4,0.3,0.2,0.1"});
  EXPECT_EQ(ns, 1);  // tau is read last
  ParseWords({"pw=0.1,0.2,0.3", "pn=0.9,0.8", "pt=0.4,0.3,0.2,0.1"});
  EXPECT_EQ(ns, 3);  // then pw
  ParseWords({"ns=6", "forcens=1", "pt=0.4", "tau=0.1,0.2"});
  EXPECT_EQ(ns, 6);
  ParseWords({"forcens=1", "ns=6", "pt=0.4", "tau=0.1,0.2"});
  EXPECT_EQ(ns, 6);  // the word order does not matter, the reading order does
}

void ExpectFeedback(const char *keyword, FSFRefereeReplyFn reply, FSFWonRoundFn won) {
  ParseWords({std::string("fsf_fbk=") + keyword});
  EXPECT_EQ(FSFRefereeReply, reply) << keyword;
  EXPECT_EQ(FSFWonRound, won) << keyword;
}

TEST(OperationSlots, FeedbackSchemeFromItsKeyword) {
  ExpectFeedback("class", FSFRefereeReplyClosestClass, FSFWonRoundClosestClass);
  ExpectFeedback("hamm74", FSFRefereeReplyHamming74, FSFWonRoundHamming74);
  ExpectFeedback("perf", FSFRefereeReplyPerfectFeedback, FSFWonRoundPerfectFeedback);
  ExpectFeedback("PERF", FSFRefereeReplyPerfectFeedback, FSFWonRoundPerfectFeedback);
}

void ExpectChannel(const char *keyword, FSFRandChannelFn channel, bool rssi_words) {
  ParseWords({std::string("fsf_type=") + keyword});
  EXPECT_EQ(FSFRandChannel, channel) << keyword;
  EXPECT_EQ(BuildORedWord, rssi_words ? BuildORedWordRSSI : BuildORedWordMask) << keyword;
  EXPECT_EQ(ClearORedWord, rssi_words ? ClearORedWordRSSI : ClearORedWordMask) << keyword;
  EXPECT_EQ(ExtractORedWord, rssi_words ? ExtractORedWordRSSI : ExtractORedWordMask) << keyword;
}

TEST(OperationSlots, ChannelModelFromItsKeyword) {
  ExpectChannel("none", FSFRandChannelMaskNone, false);
  ExpectChannel("num", FSFRandChannelMaskNumber, false);
  ExpectChannel("binom", FSFRandChannelMaskBinom, false);
  ExpectChannel("Geom", FSFRandChannelMaskGeom, false);
  ExpectChannel("rssi", FSFRandChannelSubcarriersRSSI, true);
}

TEST(OperationSlots, DetectorFromRepeat) {
  ParseWords({"repeat=1"});
  EXPECT_EQ(FSFFindWinningWord, FSFFindWinningWordClosest);
  for (const char *word : {"repeat=2", "repeat=7"}) {
    ParseWords({word});
    EXPECT_EQ(FSFFindWinningWord, FSFFindWinningWordRepeat) << word;
  }
}

TEST(OperationSlots, InterleaverFromInterleave) {
  ParseWords({"interleave=1"});
  EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordRotate);
  EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordRotate);
  ParseWords({"interleave=2"});
  EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordScramble);
  EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordScramble);
  for (const char *word : {"interleave=0", "interleave=3", "interleave=-1", "nn=5"}) {
    ParseWords({word});
    EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordNone) << word;
    EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordNone) << word;
  }
}

TEST(ParseMainArgsDeathTest, RejectionsEndTheProcessWithTheirStatus) {
  EXPECT_EXIT(ParseWords({"nn=0"}), testing::ExitedWithCode(1), "Invalid argument values");
  EXPECT_EXIT(ParseWords({"fsf_fbk=x"}), testing::ExitedWithCode(3), "feedback coding type 'x'");
  EXPECT_EXIT(ParseWords({"repeat=0"}), testing::ExitedWithCode(3), "needs to be > 0");
}

}  // namespace
