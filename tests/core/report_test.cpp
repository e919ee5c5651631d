// The results report: its exact text from hand-made counters (every table, the header and summary
// line by debug level, the guards of runs without success and without sessions).
#include "core/report.h"

#include "common/test_util.h"

namespace {

const std::string kHeader =
    "runs, B, DATA, APP, sifs, difs, ts, nn, refs, nf, ns, failures, successes, ns_max, Ps, Pc, "
    "S, D, D_an, D_net, Ps_node, Pc_node, S_node, runtime, nn_succ, nn_succ_percentage, "
    "min_frames, T, T_app, fsf_num, fsf_prob, fsf_tau, rssi_min, rssi_max, rssi_avg, "
    "rssi_thresh, pps, pps_node";

// The report's text, with every not-a-number in one spelling whatever its sign bit.
std::string ReportText(const SIM &S, int64_t successes) {
  testing::internal::CaptureStdout();
  Report(S, S.runs, successes);
  fflush(stdout);
  std::string text = testing::internal::GetCapturedStdout();
  for (size_t at; (at = text.find("-nan")) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Three nodes in use of four records (node 4 must count nowhere), two rounds, eight sessions of
// which six succeeded; node 3's single success has no delay; t_succ 1 ms and t_coll 0.5 ms.
TEST(Report, EveryTableAndTheSummaryByDebugLevel) {
  SIM &S =
      PrepareSimulation({"nn=3", "ad_runs=9:4", "pt=0.25,0.75", "runs=8", "B=1000000", "DATA=1000",
                         "APP=200", "ts=1e-05", "sifs=2e-05", "difs=3e-05", "tx_wait_hist_size=4",
                         "pdf_nodes=1", "pdf_slots=1", "pdf_tx_wait=1", "debug=1"});
  S.t_succ = 1e-3, S.t_coll = 5e-4, S.failures = 1;
  const int32_t successes[4] = {2, 3, 1, 5};
  const double delay[4] = {0.003, 0.004, 7.0, 1.0};
  for (int32_t i = 0; i < 4; i++)
    S.nodes[i].successes = successes[i], S.nodes[i].transmissions = i + 3,
    S.nodes[i].t_delay_sum = delay[i];
  S.ns_pdf[0] = 4, S.ns_pdf[1] = 2, S.ns_pdf[2] = 2, S.tx_wait_hist[1] = 2, S.tx_wait_hist[3] = 4;
  const std::string summary =
      "8, 1000000, 1000, 200, 2e-05, 3e-05, 1e-05, 3, 1, 6, 2, 1, 6, 2, 0.75, 0.25, 1.02857, "
      "0.0025, 0.0035, 0.000833333, 0.25, 0.75, 0.342857, 0.007, 2, 66.6667, 0, 1.02857e+06, "
      "857143, 1, 0.1, 0.75, -99, -52, -62, -82, 857.143, 285.714";
  const std::string rounds = ", 0.25, 0.75, 0, 0, 1, 1\n";
  const std::string names = ", pt[0], pt[1], tau[0], tau[1], pn[0], pn[1]\n";
  const std::string rounds_table =
      "nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n3, 2, 6, 0.25, 0, 4, 0.5, 0.5\n"
      "3, 2, 6, 0.75, 1, 2, 0.25, 0.75\n3, 2, 6, nan, 2, 2, 0.25, 1\n";
  EXPECT_EQ(
      ReportText(S, 6),
      "nn, ns, nf, node, successes, Ps, Pt, pdf\n3, 2, 6, 1, 2, 0.25, 0.375, 0.333333\n"
      "3, 2, 6, 2, 3, 0.375, 0.5, 0.5\n3, 2, 6, 3, 1, 0.125, 0.625, 0.166667\n" +
          kHeader + names + summary + rounds + rounds_table +
          "txwait, prob, num\n   0, 0, 0\n   1, 0.333333, 2\n   2, 0, 0\n   3, 0.666667, 4\n");
  S.pdf_nodes = S.pdf_tx_wait = 0;
  S.debug = 2;
  EXPECT_EQ(ReportText(S, 6), kHeader + names + summary + rounds + rounds_table);
  S.debug = 0;
  EXPECT_EQ(ReportText(S, 6), summary + rounds + rounds_table);
  S.debug = -1, S.pdf_rounds = 0;
  EXPECT_EQ(ReportText(S, 6), summary + "\n");
  S.ns_pdf[S.ns_pdf_size - 1] = 1;  // the last round used is searched over the whole histogram
  EXPECT_EQ(ComputeFigures(S, S.runs, 6).ns_max, S.ns_pdf_size - 1);
}

// No success in five sessions: infinite and undefined delays print 0, shares of nothing are not
// numbers; node 1's infinite delay sum is guarded too. Then no session at all.
TEST(Report, RunsWithoutSuccessAndWithoutSessions) {
  SIM &S = PrepareSimulation(
      {"nn=2", "runs=5", "debug=-1", "pdf_nodes=1", "pdf_slots=1", "pdf_tx_wait=1"});
  S.t_succ = 1e-3, S.t_coll = 5e-4;
  S.nodes[0].successes = 2, S.nodes[0].t_delay_sum = INFINITY;
  EXPECT_EQ(ReportText(S, 0),
            "nn, ns, nf, node, successes, Ps, Pt, pdf\n2, 3, 6, 1, 2, 0.4, 0, inf\n"
            "2, 3, 6, 2, 0, 0, 0, nan\n"
            "5, 6000000, 8184, 0, 1.6e-05, 2.4e-05, 8e-06, 2, 1, 6, 3, 0, 0, 0, 0, 1, 0, 0, 0, 0, "
            "0, 1, 0, 0.0025, 1, 50, 0, 0, 0, 1, 0.1, 0.75, -99, -52, -62, -82, 0, 0\n"
            "nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n2, 3, 6, 0.5, 0, 0, nan, nan\n"
            "txwait, prob, num\n   0, nan, 0\n");
  S.runs = 0, S.pdf_nodes = S.pdf_rounds = S.pdf_tx_wait = 0;
  EXPECT_EQ(ReportText(S, 0),
            "0, 6000000, 8184, 0, 1.6e-05, 2.4e-05, 8e-06, 2, 1, 6, 3, 0, 0, 0, nan, nan, nan, 0, "
            "0, 0, nan, nan, nan, nan, 1, 50, 0, nan, nan, 1, 0.1, 0.75, -99, -52, -62, -82, nan, "
            "nan\n");
}

}  // namespace
