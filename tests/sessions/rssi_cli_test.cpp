// The received-power sessions through the real program: the histogram bounds that stop a run with
// status 4 and their exact message, and the per-node table showing that no data frame is counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

const char *const kModes[] = {"centr=1", "adhoc=1"};

TEST(RSSISessionCommandLine, RoundHistogramTooSmallForTheRoundCountStopsTheRun) {
  // 4096 rounds fill the whole round histogram: the first session without success has no entry.
  // A lone ad hoc node never wins; an access point that hears nothing decides nothing.
  const std::vector<std::string> runs[] = {
      {"adhoc=1", "nn=1", "ns=4096", "runs=3", "debug=1"},
      {"centr=1", "nn=2", "ns=4096", "rssi_thresh=-20", "runs=3", "debug=1"}};
  for (const std::vector<std::string> &words : runs) {
    SCOPED_TRACE(words[0]);
    SIM_RUN result = RunSim(words);
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.err,
              "Error: Index out of range for \"ns_pdf\" (4096/4096). Preallocate more memory. "
              "Aborting ...");
    EXPECT_EQ(result.out, "");
  }
}

TEST(RSSISessionCommandLine, WaitingSampleReachingTheHistogramSizeStopsTheRun) {
  // The lone contender transmits in round 0 and wins its first session: waiting sample 1.
  SIM_RUN centralized =
      RunSim({"centr=1", "nn=1", "pt=1", "pdf_tx_wait=1", "tx_wait_hist_size=1", "debug=1"});
  EXPECT_EQ(centralized.status, 4);
  EXPECT_EQ(
      centralized.err,
      "Error: Index out of range for \"tx_wait\" (1/1). Preallocate more memory. Aborting ...");
  // Without fading the ad hoc pair succeeds whenever exactly one node transmits.
  SIM_RUN adhoc = RunSim({"adhoc=1", "nn=2", "rssi_min=-60", "pdf_tx_wait=1", "tx_wait_hist_size=1",
                          "seed=9", "debug=1"});
  EXPECT_EQ(adhoc.status, 4);
  EXPECT_TRUE(adhoc.err.starts_with("Error: Index out of range for \"tx_wait\" ("));
  EXPECT_TRUE(adhoc.err.ends_with("/1). Preallocate more memory. Aborting ..."));
}

TEST(RSSISessionCommandLine, PerNodeTableCountsNoDataFrames) {
  for (const char *mode : kModes) {
    SCOPED_TRACE(mode);
    SIM_RUN result = RunSim({mode, "nn=4", "runs=3000", "pdf_nodes=1", "seed=4", "debug=0"});
    ASSERT_EQ(result.status, 0);
    std::vector<std::string> lines = Lines(result.out);
    ASSERT_GE(lines.size(), 6u);
    for (size_t row = 1; row <= 4; row++) {
      std::vector<std::string> fields = Fields(lines[row]);
      ASSERT_EQ(fields.size(), 8u) << lines[row];
      EXPECT_EQ(fields[3], std::to_string(row));
      EXPECT_NE(fields[4], "0") << "node " << row << " never won";
      EXPECT_EQ(fields[6], "0") << "Pt of node " << row;
    }
    // Some sessions ran out of rounds, where a basic session would count frames.
    std::vector<std::string> summary = Fields(lines[5]);
    EXPECT_NE(summary[12], "3000");
  }
}

}  // namespace
