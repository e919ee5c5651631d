// Command-line tests of rejected option values on the real program: each rejection writes one
// message to standard error, nothing to standard output, and ends with its status; with several
// faults on one command line, the first in checking order is the one reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

const std::string kInvalidValues =
    std::string("Error: Invalid argument values. See ") + QRVL_SIM_BINARY + " -h for usage.\n";
const std::string kUnknownFeedback = "Error: unrecognized feedback coding type '%s'\n";
const std::string kBadRepeat = "Error: The 'repeat' parameter needs to be > 0.";

std::string Quote(const std::string &format, const std::string &value) {
  std::string text = format;
  return text.replace(text.find("%s"), 2, value);
}

std::string UnknownFeedback(const std::string &value) { return Quote(kUnknownFeedback, value); }
std::string UnknownFading(const std::string &value) {
  return Quote("Error: unrecognized FSF type '%s'\n", value);
}

void ExpectRejected(const std::vector<std::string> &words, int status, const std::string &message) {
  SIM_RUN run = RunSim(words);
  EXPECT_EQ(run.status, status) << words.front();
  EXPECT_EQ(run.out, "") << words.front();
  EXPECT_EQ(run.err, message) << words.front();
}

// A rejection whose wording is ours: one line on standard error that names the option.
void ExpectRejectedNaming(const std::vector<std::string> &words, const std::string &option) {
  SIM_RUN run = RunSim(words);
  EXPECT_EQ(run.status, 1) << words.front();
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(option), std::string::npos) << run.err;
  EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
  EXPECT_TRUE(run.err.ends_with("\n")) << run.err;
}

void ExpectAccepted(const std::vector<std::string> &words) {
  std::vector<std::string> all = words;
  all.push_back("runs=20");
  all.push_back("debug=0");
  SIM_RUN run = RunSim(all);
  EXPECT_EQ(run.status, 0) << words.front() << ": " << run.err;
  EXPECT_EQ(Lines(run.out).size(), 1u);
}

TEST(CommandLineErrors, ZeroCountsAreInvalid) {
  for (const char *word :
       {"nn=0", "runs=0", "B=0", "DATA=0", "nf=0", "nn=abc", "runs=x1", "B=-0", "DATA=", "nf= 0"}) {
    SCOPED_TRACE(word);
    ExpectRejected({word}, 1, kInvalidValues);
  }
}

TEST(CommandLineErrors, NegativeSizesAreInvalidOtherNegativesPass) {
  for (const char *word : {"nn=-4", "nf=-1", "ns=-1", "tx_wait_hist_size=-1"}) {
    SCOPED_TRACE(word);
    ExpectRejected({word}, 1, kInvalidValues);
  }
  // A negative ns kept by forcens is as bad as one given alone.
  ExpectRejected({"ns=-2", "forcens=1", "pt=0.5"}, 1, kInvalidValues);
  ExpectAccepted({"min_frames=-5"});
  ExpectAccepted({"max_time=-1"});
  ExpectAccepted({"debug=-1"});
}

TEST(CommandLineErrors, IntegersBeyond32BitsAreInvalid) {
  for (const char *word :
       {"nn=2147483648", "runs=4294967296", "B=99999999999999999999", "APP=-2147483649",
        "debug=2147483648", "fast=9999999999", "forcens=4294967297", "pdf_slots=-99999999999",
        "seed=4294967296", "seed=-1", "seed=99999999999999999999999"}) {
    SCOPED_TRACE(word);
    ExpectRejected({word}, 1, kInvalidValues);
  }
  // The extremes themselves are values like any other.
  ExpectAccepted({"fsf_num=2147483647"});
  ExpectAccepted({"fsf_num=-2147483648"});
}

TEST(CommandLineErrors, AdaptiveModeNeedsAFilterOfAtLeastOneSample) {
  ExpectRejected({"adaptive=1", "ad_size=0"}, 1, kInvalidValues);
  ExpectRejected({"adaptive=1", "ad_size=-3"}, 1, kInvalidValues);
  ExpectAccepted({"adaptive=1", "ad_size=1"});
  ExpectAccepted({"adaptive=0", "ad_size=0"});
}

TEST(CommandLineErrors, GeometricParametersOutsideTheUnitIntervalAreRejected) {
  for (const char *word : {"tau=1.5", "tau=-0.1", "tau=0.5,1.0001", "tau=nan", "tau=0,0,-inf"}) {
    SCOPED_TRACE(word);
    ExpectRejectedNaming({word}, "tau");
  }
  for (const char *word : {"fsf_tau=1.01", "fsf_tau=-0.5", "fsf_tau=nan", "fsf_tau=inf"}) {
    SCOPED_TRACE(word);
    ExpectRejectedNaming({word}, "fsf_tau");
  }
  ExpectAccepted({"tau=0,1,0.5"});
  ExpectAccepted({"fsf_tau=0", "fsf_type=geom"});
  ExpectAccepted({"fsf_tau=1", "fsf_type=geom"});
}

TEST(CommandLineErrors, UnknownKeywordsAreRejectedQuotingTheValue) {
  ExpectRejected({"fsf_fbk=xyz"}, 3, UnknownFeedback("xyz"));
  ExpectRejected({"fsf_fbk=hamm7"}, 3, UnknownFeedback("hamm7"));
  ExpectRejected({"fsf_fbk=class "}, 3, UnknownFeedback("class "));
  ExpectRejected({"fsf_fbk="}, 3, UnknownFeedback(""));
  // "bin" is the help's word; the keyword is "binom".
  ExpectRejected({"fsf_type=bin"}, 3, UnknownFading("bin"));
  ExpectRejected({"fsf_type=nonex"}, 3, UnknownFading("nonex"));
  ExpectRejected({"fsf_type="}, 3, UnknownFading(""));
}

TEST(CommandLineErrors, RepeatMustBeAboveZero) {
  ExpectRejected({"repeat=0"}, 3, kBadRepeat);
  ExpectRejected({"repeat=-2"}, 3, kBadRepeat);
}

TEST(CommandLineErrors, KeywordFaultsAreReportedFeedbackThenFadingThenRepeat) {
  ExpectRejected({"repeat=0", "fsf_type=worse", "fsf_fbk=bad"}, 3, UnknownFeedback("bad"));
  ExpectRejected({"repeat=0", "fsf_type=worse"}, 3, UnknownFading("worse"));
  ExpectRejected({"repeat=0", "interleave=9"}, 3, kBadRepeat);
}

TEST(CommandLineErrors, InvalidValuesComeBeforeRangeAndKeywordFaults) {
  ExpectRejected({"fsf_fbk=bad", "repeat=0", "nn=0"}, 1, kInvalidValues);
  ExpectRejected({"tau=2", "runs=0"}, 1, kInvalidValues);
  ExpectRejected({"fsf_tau=3", "nn=99999999999"}, 1, kInvalidValues);
  ExpectRejectedNaming({"fsf_fbk=bad", "tau=2"}, "tau");
  ExpectRejectedNaming({"repeat=0", "fsf_tau=2"}, "fsf_tau");
}

TEST(CommandLineErrors, OptionFaultsComeBeforeSetUpFaults) {
  ExpectRejected({"nf=30", "repeat=0"}, 3, kBadRepeat);
  ExpectRejected({"nf=30", "nn=0"}, 1, kInvalidValues);
  ExpectRejected({"fsf_fbk=hamm74", "nf=17", "fsf_type=x"}, 3, UnknownFading("x"));
}

TEST(CommandLineErrors, TheScheduleTextIsReadBeforeTheChecks) {
  SIM_RUN run = RunSim({"nn=0", "ad_runs=100:5,oops"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("'100:5,oops'"), std::string::npos) << run.err;
  EXPECT_EQ(Lines(run.err).size(), 1u);
}

TEST(CommandLineErrors, AnInvalidScheduleTypeIsRejectedOnlyWithoutAList) {
  ExpectRejected({"type=5"}, 1, "Invalid pt type: 5\n");
  ExpectRejected({"type=0"}, 1, "Invalid pt type: 0\n");
  ExpectAccepted({"type=5", "pt=0.5,0.5"});
}

TEST(CommandLineErrors, AdaptiveModeNeedsThreeRounds) {
  ExpectRejected({"adaptive=1", "ns=4", "debug=1"}, 2,
                 "Heuristic pt values not tabled for ns = 4.\n");
  ExpectRejected({"adaptive=1", "pt=0.1,0.2", "debug=1"}, 2,
                 "Heuristic pt values not tabled for ns = 2.\n");
}

}  // namespace
