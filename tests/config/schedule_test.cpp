// The transmission schedule: the tuned three-round table (tuned rows, interpolated rows, tail),
// the row selected for an estimate, the refusal of other round counts, and the schedule builder
// for the exponential, double exponential and polynomial types.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "adapt/estimator.h"
#include "common/test_util.h"
#include "config/schedule.h"
#include "config/setup.h"
#include "core/state.h"

namespace {

struct TUNED_ROW {
  int n;
  double pt[3];
};

const TUNED_ROW kTunedRows[] = {
    {0, {0.5, 0.5, 0.5}},
    {1, {0.4836, 0.5098, 0.5472}},
    {2, {0.4718, 0.5367, 0.6824}},
    {3, {0.4623, 0.5778, 0.7824}},
    {4, {0.4582, 0.651, 0.8115}},
    {5, {0.4521, 0.7147, 0.825}},
    {6, {0.4355, 0.752, 0.8351}},
    {8, {0.3771, 0.7738, 0.8433}},
    {10, {0.3252, 0.7803, 0.8456}},
    {12, {0.2877, 0.7868, 0.8462}},
    {15, {0.2473, 0.7954, 0.8458}},
    {20, {0.2026, 0.8049, 0.8443}},
    {25, {0.1728, 0.8095, 0.8433}},
    {30, {0.1513, 0.8111, 0.8427}},
    {40, {0.1218, 0.811, 0.8424}},
    {50, {0.1024, 0.8102, 0.8428}},
    {75, {0.0737, 0.8093, 0.844}},
    {100, {0.0578, 0.8093, 0.8453}},
    {150, {0.0404, 0.8105, 0.8475}},
    {200, {0.031, 0.8121, 0.8493}},
    {300, {0.021, 0.8143, 0.8514}},
    {400, {0.0158, 0.8152, 0.8521}},
    {500, {0.0128, 0.815, 0.8522}},
};

const double *Tuned(int n) {
  for (const TUNED_ROW &row : kTunedRows)
    if (row.n == n) return row.pt;
  return nullptr;
}

void ExpectRow(const double *actual, const double *expected, int n) {
  for (int j = 0; j < 3; j++) EXPECT_EQ(actual[j], expected[j]) << "row " << n << " column " << j;
}

bool HasAtMostFourDecimals(double x) {
  double scaled = x * 10000.0;
  return std::fabs(scaled - std::round(scaled)) < 1e-7;
}

TEST(HeurTableTest, TunedRowsHoldTheirValuesExactly) {
  for (const TUNED_ROW &row : kTunedRows) ExpectRow(HeurRow(row.n), row.pt, row.n);
}

TEST(HeurTableTest, RowsAfterFiveHundredRepeatItThenAreZero) {
  for (int n = 501; n <= 505; n++) ExpectRow(HeurRow(n), Tuned(500), n);
  const double zero[3] = {0, 0, 0};
  for (int n = 506; n <= 1000; n++) ExpectRow(HeurRow(n), zero, n);
}

TEST(HeurTableTest, InterpolatedRowsLieBetweenTheirTunedNeighbours) {
  for (size_t k = 2; k + 1 < std::size(kTunedRows); k++) {
    const TUNED_ROW &lo = kTunedRows[k], &hi = kTunedRows[k + 1];
    for (int n = lo.n + 1; n < hi.n; n++)
      for (int j = 0; j < 3; j++) {
        double v = HeurRow(n)[j];
        EXPECT_GE(v, std::fmin(lo.pt[j], hi.pt[j])) << "row " << n << " column " << j;
        EXPECT_LE(v, std::fmax(lo.pt[j], hi.pt[j])) << "row " << n << " column " << j;
        EXPECT_TRUE(HasAtMostFourDecimals(v)) << "row " << n << " column " << j << ": " << v;
      }
  }
}

TEST(HeurTableTest, InterpolationIsLinearInTheNodeCount) {
  // Row 7 halves the way from row 6 to row 8.
  const double row7[3] = {0.4063, 0.7629, 0.8392};
  // Row 13 is a third of the way from row 12 to row 15: 0.274233, 0.789667, 0.846067.
  const double row13[3] = {0.2742, 0.7897, 0.8461};
  for (int j = 0; j < 3; j++) {
    EXPECT_NEAR(HeurRow(7)[j], row7[j], 1e-12) << j;
    EXPECT_NEAR(HeurRow(13)[j], row13[j], 1e-12) << j;
  }
}

TEST(HeurTableTest, FirstRoundProbabilityFallsAsNodesGrow) {
  for (int n = 3; n <= 500; n++) EXPECT_LE(HeurRow(n)[0], HeurRow(n - 1)[0]) << "row " << n;
}

TEST(HeurFetchTest, SelectsRowsTwoToFiveHundred) {
  for (int n : {-7, 0, 1, 2}) ExpectRow(HeurFetchPt(n, 3), Tuned(2), n);
  for (int n : {3, 4, 150, 500}) ExpectRow(HeurFetchPt(n, 3), Tuned(n), n);
  for (int n : {501, 505, 506, 1000, 1000000}) ExpectRow(HeurFetchPt(n, 3), Tuned(500), n);
}

TEST(HeurFetchTest, OtherRoundCountsEndTheProcessWithStatusTwo) {
  EXPECT_EXIT(HeurFetchPt(10, 4), testing::ExitedWithCode(2),
              "^Heuristic pt values not tabled for ns = 4\\.\n$");
  EXPECT_EXIT(HeurFetchPt(10, 2), testing::ExitedWithCode(2), "for ns = 2\\.");
  EXPECT_EXIT(HeurFetchPt(10, 0), testing::ExitedWithCode(2), "for ns = 0\\.");
}

// With a window of one sample the estimate is the sample, so the installed row shows how an
// estimate is rounded: to the nearest integer, halves away from zero.
TEST(HeurFetchTest, EstimateIsRoundedToTheNearestRow) {
  PrepareSimulation({"debug=1", "adaptive=1", "ad_size=1"});
  const struct {
    double estimate;
    int row;
  } cases[] = {{2.49, 2},    {2.5, 3},     {1, 2},       {3.5, 4},   {4.49, 4},
               {500.4, 500}, {500.5, 500}, {10000, 500}, {1e15, 500}};
  for (const auto &c : cases) {
    AdaptUpdateEstimate(c.estimate);
    EXPECT_EQ(ad_estimate, c.estimate);
    ExpectRow(pt, Tuned(c.row), c.row);
  }
}

TEST(HeurFetchTest, AdaptiveRunWithFourRoundsStopsAtSetUp) {
  SIM_RUN run = RunSim({"debug=1", "adaptive=1", "ns=4", "runs=10"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Heuristic pt values not tabled for ns = 4.\n");
  EXPECT_EQ(run.out, "");
}

class PtBuilderTest : public testing::Test {
 protected:
  void SetUp() override { ParseWords({}); }
  void ExpectSchedule(std::vector<double> expected) {
    ASSERT_EQ(ns, int32_t(expected.size()));
    double *built = PopulatePtArray();
    for (size_t i = 0; i < expected.size(); i++) EXPECT_NEAR(built[i], expected[i], 1e-15) << i;
  }
};

TEST_F(PtBuilderTest, ExponentialDoublesEachRoundUpToHalfTheJumpstart) {
  type = 2;
  ExpectSchedule({0.125, 0.25, 0.5});
  jumpstart = 0.8;
  ns = 4;
  ExpectSchedule({0.05, 0.1, 0.2, 0.4});
}

TEST_F(PtBuilderTest, DoubleExponentialSquaresTowardsTheLastRound) {
  type = 3;
  ExpectSchedule({1.0 / 65536, 1.0 / 256, 1.0 / 16});
  jumpstart = 2.0;
  ns = 2;
  ExpectSchedule({2.0 / 256, 2.0 / 16});
}

TEST_F(PtBuilderTest, PolynomialRunsFromStartToEnd) {
  type = 4;
  pt_start = 0.2;
  pt_end = 0.8;
  pt_exp = 2.0;
  ns = 4;
  ExpectSchedule({0.2, 0.2 + 0.6 / 9, 0.2 + 0.6 * 4 / 9, 0.8});
  pt_exp = 1.0;
  ns = 3;
  ExpectSchedule({0.2, 0.5, 0.8});
  ns = 1;
  ExpectSchedule({0.2});
}

TEST_F(PtBuilderTest, InvalidTypeEndsTheProcessWithStatusOne) {
  type = 7;
  EXPECT_EXIT(PopulatePtArray(), testing::ExitedWithCode(1), "^Invalid pt type: 7\n$");
  type = 0;
  EXPECT_EXIT(PopulatePtArray(), testing::ExitedWithCode(1), "^Invalid pt type: 0\n$");
  // With no round to fill nothing is checked.
  type = 7;
  ns = 0;
  PopulatePtArray();
}

TEST(PtScheduleSetUpTest, BuilderRunsOnlyWithoutAGivenList) {
  ParseWords({"type=2"});
  CompleteRoundLists();
  EXPECT_EQ(std::vector<double>(pt, pt + 3), (std::vector<double>{0.125, 0.25, 0.5}));
  ParseWords({"type=2", "pt=0.3,0.6"});
  CompleteRoundLists();
  EXPECT_EQ(std::vector<double>(pt, pt + ns), (std::vector<double>{0.3, 0.6}));
  ParseWords({"ns=5"});
  CompleteRoundLists();
  EXPECT_EQ(std::vector<double>(pt, pt + ns), std::vector<double>(5, 0.5));
  ParseWords({"type=9", "pt=0.3,0.6"});
  CompleteRoundLists();
  EXPECT_EQ(ns, 2);
}

TEST(PtScheduleSetUpTest, InvalidTypeWithoutAListStopsTheRun) {
  SIM_RUN run = RunSim({"debug=1", "type=9", "runs=10"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Invalid pt type: 9\n");
  EXPECT_EQ(run.out, "");
}

}  // namespace
