// Sessions through the real program: the histogram bounds and the adaptive mode's round count
// (exit status, exact standard error), and each stop rule end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>
#include <string>
#include <tuple>
#include <vector>

#include "common/test_util.h"

namespace {

std::vector<std::string> Words(const std::string &text) {
  std::vector<std::string> words;
  for (auto word : std::views::split(text, ' ')) words.emplace_back(word.begin(), word.end());
  return words;
}

const std::string kOverflow = "Error: Index out of range for \"",
                  kAborting = "). Preallocate more memory. Aborting ...";

// Rows: option words, exit status, standard error (status 4: the overflowing array, index/size).
TEST(SessionCommandLine, StatusAndMessage) {
  const std::tuple<const char *, int, std::string> rows[] = {
      // A lone node with a referee wins every session, each after waiting exactly one.
      {"nn=1 pt=1 runs=50 pdf_tx_wait=1 tx_wait_hist_size=2 debug=0", 0, ""},
      {"nn=1 pt=1 runs=50 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1", 4, "tx_wait\" (1/1"},
      {"nn=1 pt=1 runs=50 tx_wait_hist_size=1 debug=0", 0, ""},
      {"centr=1 nn=1 pt=1 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1", 4, "tx_wait\" (1/1"},
      // Two ad hoc nodes without fading: the first round in which one transmits alone decides.
      {"adhoc=1 nn=2 ns=200 rssi_min=-60 pdf_tx_wait=1 tx_wait_hist_size=1 debug=1", 4,
       "tx_wait\" (1/1"},
      // Sessions that are never decided end at round index ns, however many rounds there are.
      {"nn=1 refs=0 ns=4096 runs=2 debug=0", 0, ""},
      {"centr=1 nn=2 ns=5000 rssi_thresh=-20 runs=3 debug=0", 0, ""},
      {"adhoc=1 nn=1 ns=4096 runs=3 debug=0", 0, ""},
      {"adaptive=1 runs=300 debug=0", 0, ""},
      {"adaptive=1 ns=4 debug=1", 2, "Heuristic pt values not tabled for ns = 4.\n"},
  };
  for (const auto &[words, status, err] : rows) {
    SIM_RUN run = RunSim(Words(words));
    EXPECT_EQ(run.status, status) << words;
    EXPECT_EQ(run.err, status == 4 ? kOverflow + err + kAborting : err) << words;
    EXPECT_EQ(run.out.empty(), status != 0) << words;
  }
}

// The fields of every line printed with the per-node table: rows 1 to nn (nn, node and successes
// in columns 0, 3 and 4), then the summary (runs, nn and successes in columns 0, 7 and 12).
std::vector<std::vector<std::string>> RunNodes(const std::string &words) {
  SIM_RUN run = RunSim(Words(words + " debug=0 pdf_nodes=1"));
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::vector<std::string>> rows;
  for (const std::string &line : Lines(run.out)) rows.push_back(Fields(line));
  return rows;
}

TEST(SessionCommandLine, StopRules) {
  EXPECT_EQ(RunNodes("runs=777 nn=4 seed=3").at(5).at(0), "777");
  // With RTS/CTS a success takes 1680 us and a collision 120 us; the session that crosses the
  // time limit is the last one, and the limit overrides the frame quota and the count.
  std::vector<std::string> timed =
      RunNodes("max_time=250 no_rts=0 runs=3 min_frames=2 seed=5").at(6);
  long runs = std::stol(timed.at(0)), won = std::stol(timed.at(12));
  EXPECT_GE(won * 1680e-6 + (runs - won) * 120e-6, 0.25);
  EXPECT_LT((won - 1) * 1680e-6 + (runs - won) * 120e-6, 0.25);
  // The frame quota stops when the last node below it reaches it, and overrides the count.
  auto quota = RunNodes("min_frames=4 nn=6 runs=2 seed=9");
  long fewest = 1L << 30;
  for (size_t i = 1; i <= 6; i++) fewest = std::min(fewest, std::stol(quota.at(i).at(4)));
  EXPECT_EQ(fewest, 4);
  EXPECT_GT(std::stol(quota.at(7).at(0)), 24);
  // The node-count schedule: the tables show the new count and its nodes.
  auto grown = RunNodes("runs=400 ad_runs=200:8 seed=4");
  ASSERT_EQ(grown.size(), 10u);
  long successes = 0;
  for (size_t i = 1; i <= 8; i++) successes += std::stol(grown[i].at(4));
  for (size_t i = 1; i <= 8; i++)
    EXPECT_EQ(grown[i][0] + "," + grown[i][3], "8," + std::to_string(i));
  EXPECT_EQ(grown[9].at(7), "8");
  EXPECT_EQ(successes, std::stol(grown[9].at(12)));
}

}  // namespace
