// Command-line tests of option matching on the real program: built-in values with no arguments,
// first-wins and case-sensitive option words, lenient numbers, the per-round lists and ns,
// keyword case, the schedule types and reproducible seeding.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

using Columns = std::map<std::string, std::string>;

// The summary line of a run at debug 1, by column name.
Columns SummaryOf(const SIM_RUN &run) {
  Columns columns;
  std::vector<std::string> lines = Lines(run.out);
  if (lines.size() < 2) {
    ADD_FAILURE() << "no header and summary line in:\n" << run.out << run.err;
    return columns;
  }
  std::vector<std::string> names = Fields(lines[0]), values = Fields(lines[1]);
  EXPECT_EQ(names.size(), values.size());
  for (size_t i = 0; i < names.size() && i < values.size(); i++) columns[names[i]] = values[i];
  return columns;
}

// Runs a short simulation with the header on and returns its summary by column.
Columns QuickSummary(std::vector<std::string> words) {
  words.push_back("runs=50");
  words.push_back("debug=1");
  SIM_RUN run = RunSim(words);
  EXPECT_EQ(run.status, 0) << run.err;
  return SummaryOf(run);
}

// The per-round values of one list ("pt", "tau", "pn") as printed, one per round.
std::vector<double> RoundValues(const Columns &columns, const std::string &list) {
  std::vector<double> values;
  for (int i = 0;; i++) {
    auto it = columns.find(list + "[" + std::to_string(i) + "]");
    if (it == columns.end()) return values;
    values.push_back(std::stod(it->second));
  }
}

// The printed values carry six significant digits.
void ExpectRounds(const Columns &columns, const std::string &list,
                  const std::vector<double> &expected) {
  std::vector<double> values = RoundValues(columns, list);
  ASSERT_EQ(values.size(), expected.size()) << list;
  for (size_t i = 0; i < values.size(); i++)
    EXPECT_NEAR(values[i], expected[i], 1e-5 * std::fmax(1.0, std::fabs(expected[i])))
        << list << "[" << i << "]";
}

TEST(CommandLine, NoArgumentsRunsWithTheBuiltinValues) {
  SIM_RUN run = RunSim({});
  ASSERT_EQ(run.status, 0) << run.err;
  Columns c = SummaryOf(run);
  EXPECT_EQ(c["runs"], "10000");
  EXPECT_EQ(c["B"], "6000000");
  EXPECT_EQ(c["DATA"], "8184");
  EXPECT_EQ(c["APP"], "0");
  EXPECT_EQ(c["sifs"], "1.6e-05");
  EXPECT_EQ(c["difs"], "2.4e-05");  // 0 asks for sifs + ts
  EXPECT_EQ(c["ts"], "8e-06");
  EXPECT_EQ(c["nn"], "5");
  EXPECT_EQ(c["refs"], "1");
  EXPECT_EQ(c["nf"], "6");
  EXPECT_EQ(c["ns"], "3");
  EXPECT_EQ(c["min_frames"], "0");
  EXPECT_EQ(c["fsf_num"], "1");
  EXPECT_EQ(c["fsf_prob"], "0.1");
  EXPECT_EQ(c["fsf_tau"], "0.75");
  EXPECT_EQ(c["rssi_min"], "-99");
  EXPECT_EQ(c["rssi_max"], "-52");
  EXPECT_EQ(c["rssi_avg"], "-62");
  EXPECT_EQ(c["rssi_thresh"], "-82");
  ExpectRounds(c, "pt", {0.5, 0.5, 0.5});
  ExpectRounds(c, "tau", {0, 0, 0});
  ExpectRounds(c, "pn", {1, 1, 1});
  std::vector<std::string> err = Lines(run.err);
  ASSERT_EQ(err.size(), 2u) << run.err;
  EXPECT_EQ(err[0], "# Using default oblivious codebook of nf=6 bits repeated 1 times.");
  EXPECT_TRUE(err[1].starts_with("// simtime ") && err[1].ends_with(" sec")) << err[1];
}

TEST(CommandLine, OnlyTheFirstWordForAnOptionCounts) {
  EXPECT_EQ(QuickSummary({"nn=7", "nn=9"})["nn"], "7");
  EXPECT_EQ(QuickSummary({"B=1000000", "nn=3", "B=2000000"})["B"], "1000000");
  EXPECT_EQ(SummaryOf(RunSim({"runs=30", "runs=40", "debug=1"}))["runs"], "30");
  // A later word that would be rejected is never read.
  EXPECT_EQ(QuickSummary({"nn=6", "nn=0", "nn=99999999999"})["nn"], "6");
}

TEST(CommandLine, OptionWordsAreCaseSensitive) {
  EXPECT_EQ(QuickSummary({"NN=7"})["nn"], "5");
  EXPECT_EQ(QuickSummary({"data=8000"})["DATA"], "8184");
  EXPECT_EQ(QuickSummary({"DATA=8000"})["DATA"], "8000");
  EXPECT_EQ(QuickSummary({"b=1000"})["B"], "6000000");
  EXPECT_EQ(QuickSummary({"app=64", "APP=32"})["APP"], "32");
}

TEST(CommandLine, WordsMatchingNoOptionAreIgnored) {
  Columns c = QuickSummary({"nnn=4", "foo=1", "nn", "=5", "xnn=8"});
  EXPECT_EQ(c["nn"], "5");
  EXPECT_EQ(c["nf"], "6");
}

TEST(CommandLine, NumbersAreReadLeniently) {
  EXPECT_EQ(QuickSummary({"nn=7xyz"})["nn"], "7");
  EXPECT_EQ(QuickSummary({"nn= +6"})["nn"], "6");
  EXPECT_EQ(SummaryOf(RunSim({"runs=1e6", "debug=1"}))["runs"], "1");
  EXPECT_EQ(QuickSummary({"ts=1e-5"})["ts"], "1e-05");
  EXPECT_EQ(QuickSummary({"difs=abc"})["difs"], "2.4e-05");
  EXPECT_EQ(QuickSummary({"fsf_prob=.25junk"})["fsf_prob"], "0.25");
}

TEST(CommandLine, AListsLengthSetsTheRounds) {
  Columns c = QuickSummary({"ns=7", "pt=0.4,0.3"});
  EXPECT_EQ(c["ns"], "2");
  ExpectRounds(c, "pt", {0.4, 0.3});
  ExpectRounds(c, "tau", {0, 0});
  ExpectRounds(c, "pn", {1, 1});
}

TEST(CommandLine, ForcensKeepsTheRoundCountAndPadsShortLists) {
  Columns c = QuickSummary({"ns=8", "forcens=1", "pt=0.4,0.3"});
  EXPECT_EQ(c["ns"], "8");
  ExpectRounds(c, "pt", {0.4, 0.3, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5});
  ExpectRounds(c, "tau", std::vector<double>(8, 0.0));
  ExpectRounds(c, "pn", std::vector<double>(8, 1.0));
  // Without "ns=" the built-in three rounds are kept; a longer list is cut to them.
  Columns builtin = QuickSummary({"forcens=1", "pt=0.1", "pn=0.9,0.8,0.7,0.6"});
  EXPECT_EQ(builtin["ns"], "3");
  ExpectRounds(builtin, "pt", {0.1, 0.5, 0.5});
  ExpectRounds(builtin, "pn", {0.9, 0.8, 0.7});
  // forcens=0 leaves the decision to the lists.
  EXPECT_EQ(QuickSummary({"ns=8", "forcens=0", "pt=0.4,0.3"})["ns"], "2");
}

TEST(CommandLine, TheLastListReadDecidesTheRoundsWhateverTheWordOrder) {
  for (auto words : {std::vector<std::string>{"pt=0.4,0.3", "tau=0.5"},
                     std::vector<std::string>{"tau=0.5", "pt=0.4,0.3"}}) {
    Columns c = QuickSummary(words);
    EXPECT_EQ(c["ns"], "1");
    ExpectRounds(c, "pt", {0.4});
    ExpectRounds(c, "tau", {0.5});
  }
  // pn is read after pt: its three values decide, and pt is padded with 0.5.
  Columns c = QuickSummary({"pn=0.9,0.8,0.7", "pt=0.2"});
  EXPECT_EQ(c["ns"], "3");
  ExpectRounds(c, "pt", {0.2, 0.5, 0.5});
  ExpectRounds(c, "pn", {0.9, 0.8, 0.7});
}

TEST(CommandLine, AnEmptyListIsOneRoundOfZero) {
  Columns c = QuickSummary({"pt="});
  EXPECT_EQ(c["ns"], "1");
  ExpectRounds(c, "pt", {0.0});
  EXPECT_EQ(c["successes"], "0");  // nobody ever transmits
}

TEST(CommandLine, KeywordValuesIgnoreLetterCase) {
  for (const char *word : {"fsf_type=GEOM", "fsf_type=Binom", "fsf_type=NuM", "fsf_type=RSSI",
                           "fsf_type=None", "fsf_fbk=HAMM74", "fsf_fbk=Perf", "fsf_fbk=CLASS"}) {
    SCOPED_TRACE(word);
    SIM_RUN run = RunSim({word, "runs=20", "debug=0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 1u);
  }
}

TEST(CommandLine, ScheduleTypesBuildPtWhenNoListIsGiven) {
  ExpectRounds(QuickSummary({"type=1"}), "pt", {0.5, 0.5, 0.5});
  ExpectRounds(QuickSummary({"type=2"}), "pt", {0.125, 0.25, 0.5});
  ExpectRounds(QuickSummary({"type=2", "jumpstart=2"}), "pt", {0.25, 0.5, 1.0});
  ExpectRounds(QuickSummary({"type=3"}), "pt", {1.0 / 65536, 1.0 / 256, 1.0 / 16});
  // Polynomial from pt_start to pt_end: 0.2 + 0.6 (i/3)^2.
  ExpectRounds(QuickSummary({"type=4", "ns=4", "pt_start=0.2", "pt_end=0.8", "pt_exp=2"}), "pt",
               {0.2, 0.2 + 0.6 / 9, 0.2 + 0.6 * 4 / 9, 0.8});
  ExpectRounds(QuickSummary({"type=4", "ns=1", "pt_start=0.3", "pt_end=0.9"}), "pt", {0.3});
  // A given list always wins over the type.
  ExpectRounds(QuickSummary({"type=2", "pt=0.3,0.6"}), "pt", {0.3, 0.6});
  ExpectRounds(QuickSummary({"type=9", "pt=0.7"}), "pt", {0.7});
}

// Enough sessions and nodes that two different streams cannot give the same per-node table.
std::vector<std::string> SeededRun(std::vector<std::string> words) {
  for (const char *word : {"nn=20", "runs=2000", "pdf_nodes=1", "debug=1"}) words.push_back(word);
  return words;
}

TEST(CommandLine, TheSameSeedGivesByteIdenticalOutput) {
  // The received-power model draws its gains from the second generator.
  for (auto extra : {std::vector<std::string>{}, std::vector<std::string>{"fsf_type=rssi"},
                     std::vector<std::string>{"adhoc=1", "rssi_avg=-81"},
                     std::vector<std::string>{"fsf_type=binom", "interleave=2"}}) {
    extra.push_back("seed=12345");
    SIM_RUN first = RunSim(SeededRun(extra)), second = RunSim(SeededRun(extra));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_GT(Lines(first.out).size(), 20u);
    EXPECT_EQ(first.out, second.out) << extra.front();
  }
}

TEST(CommandLine, DifferentSeedsGiveDifferentRuns) {
  for (auto extra : {std::vector<std::string>{}, std::vector<std::string>{"fsf_type=rssi"}}) {
    std::vector<std::string> a = extra, b = extra;
    a.push_back("seed=1");
    b.push_back("seed=2");
    SIM_RUN first = RunSim(SeededRun(a)), second = RunSim(SeededRun(b));
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(first.out, second.out);
  }
}

TEST(CommandLine, TheFirstSeedWordCountsAndTheWholeRangeIsAccepted) {
  SIM_RUN once = RunSim(SeededRun({"seed=5"})), twice = RunSim(SeededRun({"seed=5", "seed=6"}));
  EXPECT_EQ(once.out, twice.out);
  for (const char *word : {"seed=0", "seed=4294967295"}) {
    SIM_RUN run = RunSim({word, "runs=20", "debug=0"});
    EXPECT_EQ(run.status, 0) << word << ": " << run.err;
  }
}

}  // namespace
