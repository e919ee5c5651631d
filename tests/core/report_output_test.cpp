// The text of the results report from hand-made counters: per-node table, header, summary line,
// rounds table and waiting-time table, byte for byte, and which of them each output level and
// table option prints.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/report.h"
#include "core/state.h"

namespace {

const char *kHeader =
    "runs, B, DATA, APP, sifs, difs, ts, nn, refs, nf, ns, failures, successes, ns_max, Ps, Pc, "
    "S, D, D_an, D_net, Ps_node, Pc_node, S_node, runtime, nn_succ, nn_succ_percentage, "
    "min_frames, T, T_app, fsf_num, fsf_prob, fsf_tau, rssi_min, rssi_max, rssi_avg, "
    "rssi_thresh, pps, pps_node";

// Two nodes, two rounds, four sessions of which two succeeded, one by node 0 in each round, and
// one protocol failure; t_succ 1 ms, t_coll 0.5 ms.
void PrepareRun(std::vector<std::string> words) {
  words.insert(words.end(), {"nn=2", "pt=0.25,0.75", "runs=4", "B=1000000", "DATA=1000", "ts=1e-05",
                             "sifs=2e-05", "difs=3e-05"});
  PrepareSimulation(words);
  t_succ = 1e-3;
  t_coll = 5e-4;
  failures = 1;
  nodes[0].successes = 2;
  nodes[0].transmissions = 3;
  nodes[0].t_delay_sum = 0.002;
  nodes[1].transmissions = 1;
  ns_pdf[0] = 1;
  ns_pdf[1] = 1;
  ns_pdf[2] = 2;
  tx_wait_hist[1] = 1;
  tx_wait_hist[3] = 1;
}

// The text with every not-a-number in one spelling, whatever its sign bit.
std::string Unsigned(std::string text) {
  for (size_t at; (at = text.find("-nan")) != std::string::npos;) text.erase(at, 1);
  return text;
}

std::string ReportText(int32_t successes) {
  testing::internal::CaptureStdout();
  Report(successes);
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

const char *kSummary =
    "4, 1000000, 1000, 0, 2e-05, 3e-05, 1e-05, 2, 1, 6, 2, 1, 2, 2, 0.5, 0.5, 0.666667, 0.002, "
    "0.003, 0.001, 0.25, 0.75, 0.333333, 0.003, 1, 50, 0, 666667, 666667, 1, 0.1, 0.75, -99, -52, "
    "-62, -82, 666.667, 333.333";

TEST(ReportOutput, EveryTableInOrder) {
  PrepareRun({"debug=1", "pdf_nodes=1", "pdf_slots=1", "pdf_tx_wait=1"});
  std::string expected = std::string() +
                         "nn, ns, nf, node, successes, Ps, Pt, pdf\n"
                         "2, 2, 6, 1, 2, 0.5, 0.75, 1\n"
                         "2, 2, 6, 2, 0, 0, 0.25, 0\n" +
                         kHeader + ", pt[0], pt[1], tau[0], tau[1], pn[0], pn[1]\n" + kSummary +
                         ", 0.25, 0.75, 0, 0, 1, 1\n"
                         "nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n"
                         "2, 2, 6, 0.25, 0, 1, 0.25, 0.25\n"
                         "2, 2, 6, 0.75, 1, 1, 0.25, 0.5\n"
                         "2, 2, 6, nan, 2, 2, 0.5, 1\n"
                         "txwait, prob, num\n"
                         "   0, 0, 0\n"
                         "   1, 0.5, 1\n"
                         "   2, 0, 0\n"
                         "   3, 0.5, 1\n";
  EXPECT_EQ(ReportText(2), expected);
}

TEST(ReportOutput, OutputLevelsShapeTheSummary) {
  PrepareRun({"debug=2"});
  EXPECT_EQ(ReportText(2), std::string(kHeader) + ", pt[0], pt[1], tau[0], tau[1], pn[0], pn[1]\n" +
                               kSummary + ", 0.25, 0.75, 0, 0, 1, 1\n");
  debug = 0;
  EXPECT_EQ(ReportText(2), std::string(kSummary) + ", 0.25, 0.75, 0, 0, 1, 1\n");
  debug = -1;
  EXPECT_EQ(ReportText(2), std::string(kSummary) + "\n");
}

TEST(ReportOutput, WithoutRoundsThereAreNoRoundColumns) {
  PrepareSimulation({"ns=0", "runs=3", "debug=1", "pdf_slots=1"});
  t_succ = t_coll = 1e-3;
  ns_pdf[0] = 3;
  std::vector<std::string> lines = Lines(ReportText(0));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(Fields(lines[1]).size(), 38u);
  EXPECT_EQ(lines[3], "5, 0, 6, nan, 0, 3, 1, 1");
}

TEST(ReportOutput, RoundsTableStopsAtTheLastRoundUsed) {
  PrepareSimulation({"nn=3", "pt=0.5,0.4,0.3", "debug=-1", "pdf_slots=1"});
  ns_pdf[0] = 3;
  ns_pdf[1] = 1;
  std::vector<std::string> lines = Lines(ReportText(4));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "3, 3, 6, 0.5, 0, 3, 0.75, 0.75");
  EXPECT_EQ(lines[3], "3, 3, 6, 0.4, 1, 1, 0.25, 1");
}

TEST(ReportOutput, EmptyTablesPrintRowZeroWithoutAProbability) {
  PrepareSimulation({"nn=2", "runs=5", "debug=-1", "pdf_slots=1", "pdf_tx_wait=1", "pdf_nodes=1"});
  std::vector<std::string> lines = Lines(ReportText(0));
  ASSERT_EQ(lines.size(), 8u);
  // Shares of no success at all are not numbers.
  EXPECT_EQ(Unsigned(lines[1]), "2, 3, 6, 1, 0, 0, 0, nan");
  EXPECT_EQ(Unsigned(lines[5]), "2, 3, 6, 0.5, 0, 0, nan, nan");
  EXPECT_EQ(lines[6], "txwait, prob, num");
  EXPECT_EQ(Unsigned(lines[7]), "   0, nan, 0");
}

TEST(ReportOutput, WaitingIndexIsPaddedToFourColumns) {
  PrepareSimulation({"debug=-1", "pdf_tx_wait=1", "tx_wait_hist_size=20000"});
  tx_wait_hist[12] = 3;
  tx_wait_hist[12345] = 1;
  std::vector<std::string> lines = Lines(ReportText(4));
  ASSERT_EQ(lines.size(), 2u + 12346u);
  EXPECT_EQ(lines[2], "   0, 0, 0");
  EXPECT_EQ(lines[14], "  12, 0.75, 3");
  EXPECT_EQ(lines[1 + 1000 + 1], "1000, 0, 0");
  EXPECT_EQ(lines.back(), "12345, 0.25, 1");
}

TEST(ReportOutput, RunWithoutSessionsPrintsNotANumber) {
  PrepareSimulation({"debug=-1"});
  runs = 0;
  std::vector<std::string> fields = Fields(Lines(ReportText(0)).at(0));
  ASSERT_EQ(fields.size(), 38u);
  EXPECT_EQ(fields[0], "0");
  for (int column : {14, 15, 16, 20, 21, 22, 23, 27, 28, 36, 37})
    EXPECT_EQ(Unsigned(fields[column]), "nan") << "column " << column;
  for (int column : {17, 18, 19}) EXPECT_EQ(fields[column], "0") << "column " << column;
}

}  // namespace
