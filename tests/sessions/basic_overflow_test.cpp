// Histogram bounds of the basic session: an index that reaches the size of the waiting-time or the
// round histogram ends the run at once with status 4 and one message without line end; the last
// index inside either histogram is still counted.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"

namespace {

// Plays one session in which every node of the first round sends the given codeword index
// (-1: stays silent) and later rounds see only silence.
int32_t PlayFirstRound(const std::vector<int32_t> &picks, int32_t silent_rounds_after) {
  std::vector<uint32_t> words;
  for (int32_t idx : picks) {
    if (idx < 0)
      words.push_back(UINT32_MAX);
    else
      words.insert(words.end(), {0u, uint32_t(idx) * (UINT32_MAX / uint32_t(codewords.count))});
  }
  for (int32_t i = 0; i < silent_rounds_after * nn; i++) words.push_back(UINT32_MAX);
  QueueGenRandWords(words.data(), words.size());
  return SimSession(refs);
}

const char *kTxWaitOverflow =
    "^Error: Index out of range for \"tx_wait\" \\(3/3\\)\\. Preallocate more memory\\. "
    "Aborting \\.\\.\\.$";

TEST(BasicSessionOverflowDeathTest, WaitingSampleAtTheHistogramSizeEndsTheRun) {
  PrepareSimulation({"nn=2", "pt=0.5", "pdf_tx_wait=1", "tx_wait_hist_size=3", "debug=0"});
  nodes[0].wait_succ = 1;
  nodes[0].wait_coll = 1;  // sample 3
  EXPECT_EXIT(PlayFirstRound({2, -1}, 0), testing::ExitedWithCode(4), kTxWaitOverflow);
}

TEST(BasicSessionOverflowDeathTest, LastWaitingSlotIsStillCounted) {
  PrepareSimulation({"nn=2", "pt=0.5", "pdf_tx_wait=1", "tx_wait_hist_size=3", "debug=0"});
  nodes[0].wait_coll = 1;  // sample 2
  EXPECT_EQ(PlayFirstRound({2, -1}, 0), 1);
  EXPECT_EQ(tx_wait_hist[2], 1);
}

TEST(BasicSessionOverflowDeathTest, WaitingSamplesAreNotBoundedWhenTheTableIsOff) {
  PrepareSimulation({"nn=2", "pt=0.5", "tx_wait_hist_size=3", "debug=0"});
  nodes[0].wait_succ = 50;
  EXPECT_EQ(PlayFirstRound({2, -1}, 0), 1);
}

TEST(BasicSessionOverflowDeathTest, SuccessRoundAtTheHistogramSizeEndsTheRun) {
  PrepareSimulation({"nn=2", "pt=0.5,0.5", "debug=0"});
  ns_pdf_size = 1;                          // the array itself stays larger; only the bound moves
  EXPECT_EQ(PlayFirstRound({3, 1}, 0), 1);  // round 0 still fits
  std::vector<uint32_t> words{UINT32_MAX, UINT32_MAX, 0u, 0u, UINT32_MAX};
  EXPECT_EXIT(
      {
        QueueGenRandWords(words.data(), words.size());
        SimSession(refs);  // node 0 alone in round 1
      },
      testing::ExitedWithCode(4),
      "^Error: Index out of range for \"ns_pdf\" \\(1/1\\)\\. Preallocate more memory\\. "
      "Aborting \\.\\.\\.$");
}

TEST(BasicSessionOverflowDeathTest, SessionWithoutSuccessAtTheHistogramSizeEndsTheRun) {
  PrepareSimulation({"nn=2", "pt=0.5,0.5,0.5", "debug=0"});
  ns_pdf_size = 4;
  EXPECT_EQ(PlayFirstRound({-1, -1}, 2), 0);  // index 3 fits in 4
  ns_pdf_size = 3;
  EXPECT_EXIT(PlayFirstRound({-1, -1}, 2), testing::ExitedWithCode(4),
              "^Error: Index out of range for \"ns_pdf\" \\(3/3\\)\\. Preallocate more memory\\. "
              "Aborting \\.\\.\\.$");
}

// The whole program: exact standard error, nothing on standard output, status 4.
TEST(BasicSessionOverflowCommandLine, WaitingTimeHistogramTooSmall) {
  // One node with a referee wins every session after waiting exactly one: slot 1.
  SIM_RUN fits = RunSim(
      {"nn=1", "pt=1", "runs=50", "pdf_tx_wait=1", "tx_wait_hist_size=2", "seed=1", "debug=0"});
  EXPECT_EQ(fits.status, 0);
  std::vector<std::string> lines = Lines(fits.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "txwait, prob, num");
  EXPECT_EQ(lines[2], "   0, 0, 0");
  EXPECT_EQ(lines[3], "   1, 1, 50");
  SIM_RUN over = RunSim(
      {"nn=1", "pt=1", "runs=50", "pdf_tx_wait=1", "tx_wait_hist_size=1", "seed=1", "debug=1"});
  EXPECT_EQ(over.status, 4);
  EXPECT_EQ(over.out, "");
  EXPECT_EQ(over.err,
            "Error: Index out of range for \"tx_wait\" (1/1). Preallocate more memory. "
            "Aborting ...");
}

TEST(BasicSessionOverflowCommandLine, RoundHistogramReached) {
  // A lone node without referee is never heard, so each session ends without success at
  // index ns; the round histogram holds 4096 entries.
  SIM_RUN fits =
      RunSim({"nn=1", "refs=0", "ns=4095", "runs=2", "pdf_slots=1", "seed=1", "debug=0"});
  EXPECT_EQ(fits.status, 0);
  std::vector<std::string> lines = Lines(fits.out);
  ASSERT_EQ(lines.size(), 4098u);  // summary, header, rows 0 to 4095
  EXPECT_EQ(lines.back(), "1, 4095, 6, nan, 4095, 2, 1, 1");
  SIM_RUN over = RunSim({"nn=1", "refs=0", "ns=4096", "runs=2", "seed=1", "debug=2"});
  EXPECT_EQ(over.status, 4);
  EXPECT_EQ(over.out, "");
  EXPECT_EQ(over.err,
            "# Using default oblivious codebook of nf=6 bits repeated 1 times.\n"
            "Error: Index out of range for \"ns_pdf\" (4096/4096). Preallocate more memory. "
            "Aborting ...");
}

}  // namespace
