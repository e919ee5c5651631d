// The figures of the results report from hand-made counters: probabilities, throughput, delays,
// the per-node shares and the last round used, with the guards on the delay figures and the
// not-a-number values of a run without sessions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/test_util.h"
#include "core/report.h"
#include "core/state.h"

namespace {

void ExpectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-12);
}

// Three nodes, three rounds, one microsecond per bit; t_succ 1 ms and t_coll 0.5 ms.
void PrepareCounters(int32_t sessions) {
  PrepareSimulation(
      {"nn=3", "B=1000000", "DATA=1000", "APP=200", "debug=0", "runs=" + std::to_string(sessions)});
  t_succ = 1e-3;
  t_coll = 5e-4;
}

TEST(ReportFigures, ProbabilitiesThroughputAndTime) {
  PrepareCounters(4);
  FIGURES f = ComputeFigures(3);
  ExpectClose(f.Ps, 0.75);
  ExpectClose(f.Pc, 0.25);
  ExpectClose(f.T_avg, 0.875e-3);
  ExpectClose(f.runtime, 3.5e-3);
  // 0.75 of the sessions carry 1200 bits at 1 Mbit/s in 0.875 ms on average.
  ExpectClose(f.S, 36.0 / 35);
  ExpectClose(f.S_node, 12.0 / 35);
  ExpectClose(f.T, 1e6 * 36 / 35);
  ExpectClose(f.T_app, 1e6 * 36 / 35 * 1000 / 1200);
  ExpectClose(f.Ps_node, 0.25);
  ExpectClose(f.Pc_node, 0.75);
  ExpectClose(f.pps, 3 / 3.5e-3);
  ExpectClose(f.pps_node, 1 / 3.5e-3);
  ExpectClose(f.D_an, 3.5e-3);
}

TEST(ReportFigures, DelayCountsOnlyNodesWithTwoSuccesses) {
  PrepareCounters(10);
  nodes[0].successes = 2;
  nodes[0].t_delay_sum = 0.003;  // one interval of 3 ms
  nodes[1].successes = 3;
  nodes[1].t_delay_sum = 0.004;  // two intervals, 2 ms each
  nodes[2].successes = 1;
  nodes[2].t_delay_sum = 7.0;  // a single success has no interval
  FIGURES f = ComputeFigures(6);
  EXPECT_EQ(f.nn_succ, 2);
  ExpectClose(f.nn_succ_percentage, 200.0 / 3);
  ExpectClose(f.D, 0.0025);
  ExpectClose(f.D_net, 0.0025 / 3);
}

TEST(ReportFigures, NoSuccessZeroesTheDelaysButNotTheRate) {
  PrepareCounters(5);
  FIGURES f = ComputeFigures(0);
  EXPECT_EQ(f.Ps, 0.0);
  EXPECT_EQ(f.D_an, 0.0);  // infinite before the guard
  EXPECT_EQ(f.D, 0.0);
  EXPECT_EQ(f.D_net, 0.0);
  EXPECT_EQ(f.nn_succ, 0);
  EXPECT_EQ(f.pps, 0.0);
  ExpectClose(f.runtime, 2.5e-3);
}

TEST(ReportFigures, InfiniteDelayIsZeroed) {
  PrepareCounters(10);
  nodes[0].successes = nodes[1].successes = 2;
  nodes[0].t_delay_sum = nodes[1].t_delay_sum = std::numeric_limits<double>::max();
  FIGURES f = ComputeFigures(4);
  EXPECT_EQ(f.nn_succ, 2);
  EXPECT_EQ(f.D, 0.0);
  EXPECT_EQ(f.D_net, 0.0);
}

TEST(ReportFigures, RunWithoutSessionsIsNotANumber) {
  PrepareCounters(1);
  runs = 0;
  FIGURES f = ComputeFigures(0);
  EXPECT_TRUE(std::isnan(f.Ps));
  EXPECT_TRUE(std::isnan(f.Pc));
  EXPECT_TRUE(std::isnan(f.S));
  EXPECT_TRUE(std::isnan(f.runtime));
  EXPECT_TRUE(std::isnan(f.pps));
  EXPECT_TRUE(std::isnan(f.T));
  EXPECT_EQ(f.D, 0.0);
  EXPECT_EQ(f.D_an, 0.0);
  EXPECT_EQ(f.D_net, 0.0);
}

TEST(ReportFigures, LastRoundUsedSpansTheWholeHistogram) {
  PrepareCounters(4);
  EXPECT_EQ(ComputeFigures(0).ns_max, 0);
  ns_pdf[1] = 2;
  EXPECT_EQ(ComputeFigures(0).ns_max, 1);
  ns_pdf[3] = 1;  // index ns: sessions without success
  EXPECT_EQ(ComputeFigures(0).ns_max, 3);
  ns_pdf[ns_pdf_size - 1] = 1;
  EXPECT_EQ(ComputeFigures(0).ns_max, ns_pdf_size - 1);
}

TEST(ReportFigures, FiguresUseTheCurrentNodeCount) {
  PrepareSimulation({"nn=2", "ad_runs=5:4", "runs=8", "debug=0"});
  t_succ = t_coll = 1e-3;
  nn = 4;
  for (int32_t i = 0; i < 4; i++) nodes[i].successes = 2;
  nodes[3].t_delay_sum = 0.004;
  FIGURES f = ComputeFigures(8);
  EXPECT_EQ(f.nn_succ, 4);
  ExpectClose(f.D, 0.001);
  ExpectClose(f.Ps_node, 0.25);
  ExpectClose(f.D_an, 8e-3 / 8 * 4);
}

}  // namespace
