// The report of whole runs of the program: the output shape at every debug level, and a run with
// every table whose printed figures are recomputed here from its printed counts and the timing
// model's durations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

using Row = std::vector<std::string>;

const char *kHeader =
    "runs, B, DATA, APP, sifs, difs, ts, nn, refs, nf, ns, failures, successes, ns_max, Ps, Pc, "
    "S, D, D_an, D_net, Ps_node, Pc_node, S_node, runtime, nn_succ, nn_succ_percentage, "
    "min_frames, T, T_app, fsf_num, fsf_prob, fsf_tau, rssi_min, rssi_max, rssi_avg, "
    "rssi_thresh, pps, pps_node";
const char *kRoundNames = ", pt[0], pt[1], pt[2], tau[0], tau[1], tau[2], pn[0], pn[1], pn[2]";

// The text with every not-a-number in one spelling, whatever its sign bit.
std::string Unsigned(std::string text) {
  for (size_t at; (at = text.find("-nan")) != std::string::npos;) text.erase(at, 1);
  return text;
}

SIM_RUN RunAt(const std::string &level) { return RunSim({"seed=21", "runs=500", level}); }

TEST(ReportCommandLine, EachDebugLevelShapesTheOutput) {
  SIM_RUN none = RunAt("debug=-1");
  ASSERT_EQ(Lines(none.out).size(), 1u);
  EXPECT_EQ(Fields(Lines(none.out)[0]).size(), 38u);
  EXPECT_EQ(none.err, "");

  SIM_RUN bare = RunAt("debug=0");
  ASSERT_EQ(Lines(bare.out).size(), 1u);
  EXPECT_EQ(Fields(Lines(bare.out)[0]).size(), 38u + 9u);
  EXPECT_EQ(bare.out.substr(0, none.out.size() - 1), none.out.substr(0, none.out.size() - 1));
  EXPECT_EQ(bare.err, "");

  SIM_RUN headed = RunAt("debug=1");
  std::vector<std::string> lines = Lines(headed.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(kHeader) + kRoundNames);
  EXPECT_EQ(lines[1] + "\n", bare.out);
  EXPECT_EQ(headed.err, "");

  SIM_RUN timed = RunAt("debug=2");
  EXPECT_EQ(timed.status, 0);
  EXPECT_EQ(timed.out, headed.out);
  const std::string note = "# Using default oblivious codebook of nf=6 bits repeated 1 times.\n";
  const std::string clock = "// simtime ", unit = " sec";
  ASSERT_GT(timed.err.size(), note.size() + clock.size() + unit.size()) << timed.err;
  EXPECT_EQ(timed.err.substr(0, note.size() + clock.size()), note + clock);
  EXPECT_EQ(timed.err.substr(timed.err.size() - unit.size()), unit);  // no line end after it
  std::string seconds = timed.err.substr(note.size() + clock.size());
  seconds.resize(seconds.size() - unit.size());
  size_t used = 0;
  EXPECT_GE(std::stod(seconds, &used), 0.0);
  EXPECT_EQ(used, seconds.size()) << seconds;

  SIM_RUN dump = RunAt("debug=3");
  EXPECT_EQ(dump.status, 0);
  EXPECT_EQ(dump.out, "");
  EXPECT_NE(dump.err.find("codewords[ 0] =    1 (000001)\n"), std::string::npos);
}

TEST(ReportCommandLine, RunWithoutSessions) {
  SIM_RUN run = RunSim({"max_time=-1", "debug=-1", "pdf_slots=1"});
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 3u);
  Row summary = Fields(lines[0]);
  EXPECT_EQ(summary[0], "0");
  EXPECT_EQ(Unsigned(summary[14]), "nan");
  EXPECT_EQ(summary[18], "0");
  EXPECT_EQ(Unsigned(lines[2]), "5, 3, 6, 0.5, 0, 0, nan, nan");
}

TEST(ReportCommandLine, ZeroRoundsEndEverySessionAtIndexZero) {
  SIM_RUN run = RunSim({"ns=0", "runs=40", "debug=1", "pdf_slots=1", "pdf_nodes=1", "nn=2"});
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(Unsigned(lines[1]), "2, 0, 6, 1, 0, 0, 1, nan");
  EXPECT_EQ(lines[3], kHeader);
  EXPECT_EQ(Fields(lines[4]).size(), 38u);
  EXPECT_EQ(lines[6], "2, 0, 6, nan, 0, 40, 1, 1");
}

// ---- A whole run with every table, recomputed ----

// The report of one run, split into its parts.
struct REPORT {
  std::vector<Row> node_rows, round_rows, wait_rows;
  Row summary;
};

REPORT Split(const std::vector<std::string> &lines, size_t nodes) {
  REPORT r;
  size_t i = 1;
  for (; i <= nodes; i++) r.node_rows.push_back(Fields(lines.at(i)));
  r.summary = Fields(lines.at(i + 1));
  for (i += 3; i < lines.size() && lines[i] != "txwait, prob, num"; i++)
    r.round_rows.push_back(Fields(lines[i]));
  for (i++; i < lines.size(); i++) r.wait_rows.push_back(Fields(lines[i]));
  return r;
}

double Num(const std::string &field) { return std::stod(field); }

// %g keeps six significant digits.
void ExpectPrinted(const std::string &printed, double value, const char *what) {
  EXPECT_NEAR(Num(printed), value, std::fabs(value) * 1e-5 + 1e-300) << what;
}

class ReportConsistency : public testing::Test {
 protected:
  // RTS/CTS at 6 Mbit/s: 8184 + 400 + 278 bits take 370 symbols, so the data frame lasts
  // 20 + 1480 us; a success adds contention 48, RTS 48, CTS and ACK 40 each, three SIFS of 16
  // and a DIFS of 24; a collision only contention, RTS and DIFS.
  const double t_succ = 1748e-6, t_coll = 120e-6;
  const double B = 6e6, DATA = 8184, APP = 400;
  const size_t nn = 6;
  REPORT r;

  void SetUp() override {
    SIM_RUN run = RunSim({"nn=6", "runs=20000", "no_rts=0", "APP=400", "seed=12", "pdf_nodes=1",
                          "pdf_slots=1", "pdf_tx_wait=1", "debug=1"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(lines[0], "nn, ns, nf, node, successes, Ps, Pt, pdf");
    EXPECT_EQ(lines[nn + 1], std::string(kHeader) + kRoundNames);
    EXPECT_EQ(lines[nn + 3], "nn, ns, nf, pt[slot], slot, successes, pdf, cdf");
    r = Split(lines, nn);
    ASSERT_EQ(r.summary.size(), 38u + 9u);
  }
  double Runs() const { return Num(r.summary[0]); }
  double Successes() const { return Num(r.summary[12]); }
};

TEST_F(ReportConsistency, SummaryFiguresFollowFromTheCounts) {
  const Row &s = r.summary;
  double R = Runs(), Sn = Successes(), Ps = Sn / R;
  EXPECT_EQ(R, 20000);
  double T_avg = Ps * t_succ + (1 - Ps) * t_coll, runtime = R * T_avg;
  double S = Ps * (DATA + APP) / B / T_avg;
  ExpectPrinted(s[14], Ps, "Ps");
  ExpectPrinted(s[15], 1 - Ps, "Pc");
  ExpectPrinted(s[16], S, "S");
  ExpectPrinted(s[18], runtime / Sn * nn, "D_an");
  ExpectPrinted(s[19], Num(s[17]) / nn, "D_net");
  ExpectPrinted(s[20], Ps / nn, "Ps_node");
  ExpectPrinted(s[21], 1 - Ps / nn, "Pc_node");
  ExpectPrinted(s[22], S / nn, "S_node");
  ExpectPrinted(s[23], runtime, "runtime");
  ExpectPrinted(s[27], B * S, "T");
  ExpectPrinted(s[28], B * S * DATA / (DATA + APP), "T_app");
  ExpectPrinted(s[36], Sn / runtime, "pps");
  ExpectPrinted(s[37], Sn / runtime / nn, "pps_node");
  // Each interval between two successes of a node includes the successful exchange.
  EXPECT_GE(Num(s[17]), t_succ);
  EXPECT_EQ(s[5], "2.4e-05");  // DIFS filled in as SIFS + slot
}

TEST_F(ReportConsistency, PerNodeTableAddsUpToTheSummary) {
  double R = Runs(), Sn = Successes(), sum = 0;
  int qualifying = 0;
  for (size_t i = 0; i < nn; i++) {
    const Row &row = r.node_rows[i];
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[0] + row[1] + row[2], "636");
    EXPECT_EQ(row[3], std::to_string(i + 1));
    double successes = Num(row[4]);
    sum += successes;
    qualifying += successes >= 2;
    ExpectPrinted(row[5], successes / R, "node Ps");
    ExpectPrinted(row[7], successes / Sn, "node pdf");
    EXPECT_GE(Num(row[6]), Num(row[5]));  // every success is a frame sent
  }
  EXPECT_EQ(sum, Sn);
  EXPECT_EQ(Num(r.summary[24]), qualifying);
  ExpectPrinted(r.summary[25], 100.0 * qualifying / nn, "nn_succ_percentage");
}

TEST_F(ReportConsistency, RoundsTableAddsUpToTheSummary) {
  double R = Runs(), Sn = Successes(), cumulative = 0, won = 0;
  size_t rows = r.round_rows.size();
  ASSERT_EQ(rows, 4u);  // with 6 nodes some session always runs out of its 3 rounds
  for (size_t j = 0; j < rows; j++) {
    const Row &row = r.round_rows[j];
    EXPECT_EQ(row[4], std::to_string(j));
    EXPECT_EQ(row[3], j < 3 ? "0.5" : "nan");
    double count = Num(row[5]);
    cumulative += count;
    if (j < 3) won += count;
    ExpectPrinted(row[6], count / R, "pdf");
    ExpectPrinted(row[7], cumulative / R, "cdf");
  }
  EXPECT_EQ(won, Sn);
  EXPECT_EQ(Num(r.round_rows[3][5]), R - Sn);
  EXPECT_LE(Num(r.summary[11]), R - Sn);  // protocol failures are among the unsuccessful
  EXPECT_EQ(r.summary[13], "3");
}

TEST_F(ReportConsistency, WaitingTimeTableCountsEverySuccess) {
  ASSERT_GE(r.wait_rows.size(), 2u);
  EXPECT_EQ(r.wait_rows[0][0] + "|" + r.wait_rows[0][1] + "|" + r.wait_rows[0][2], "0|0|0");
  double total = 0, Sn = Successes();
  for (const Row &row : r.wait_rows) total += Num(row[2]);
  EXPECT_EQ(total, Sn);
  for (size_t i = 0; i < r.wait_rows.size(); i++) {
    EXPECT_EQ(Num(r.wait_rows[i][0]), double(i));
    ExpectPrinted(r.wait_rows[i][1], Num(r.wait_rows[i][2]) / Sn, "prob");
  }
  EXPECT_NE(r.wait_rows.back()[2], "0");
}

}  // namespace
