// The node-count estimator: the tuned schedule table, its start (window samples, geometric waits,
// the order of the draws), the moving average under each weighting, and the reader of the
// node-count schedule text. (A schedule for ns other than 3 is refused in the command-line table.)
#include <tuple>

#include "adapt/estimator.h"
#include "adapt/runs_schedule.h"
#include "adapt/tuned_schedule.h"
#include "common/test_util.h"
#include "core/waits.h"

namespace {

using Ints = std::vector<int32_t>;

V Row(const double *row) { return V(row, row + 3); }

// Rows between two tuned ones are interpolated (rounded to 4 decimals); rows 501 to 505 repeat
// row 500 and those after are zero. The fetch clamps the node count to 2 .. 500.
TEST(TunedSchedule, InterpolatedRowsAndTheRowFetchedForANodeCount) {
  const V row2{0.4718, 0.5367, 0.6824}, row500{0.0128, 0.815, 0.8522};
  EXPECT_EQ(
      std::tuple(Row(HeurRow(7)), Row(HeurRow(13)), Row(HeurRow(420))),
      std::tuple(V{0.4063, 0.7629, 0.8392}, V{0.2742, 0.7897, 0.8461}, V{0.0152, 0.8152, 0.8521}));
  for (int n = 500; n <= 1000; n++) EXPECT_EQ(Row(HeurRow(n)), n <= 505 ? row500 : V(3, 0.0)) << n;
  for (int n : {-7, 1, 2}) EXPECT_EQ(Row(HeurFetchPt(n, 3)), row2) << n;
  EXPECT_EQ(Row(HeurFetchPt(3, 3)), (V{0.4623, 0.5778, 0.7824}));
  for (int n : {500, 501, 1000000}) EXPECT_EQ(Row(HeurFetchPt(n, 3)), row500) << n;
}

// An adaptive set-up with a window of size samples, a weighting and a memory.
SIM &Prepare(int size, int avg_type, double memory) {
  return PrepareSimulation({"debug=1", "nf=1", "adaptive=1", "ad_size=" + std::to_string(size),
                            "ad_memory=" + std::to_string(memory),
                            "ad_avg_type=" + std::to_string(avg_type)});
}

TEST(Estimator, MovingAverageUnderEachWeighting) {
  // Window (9, 10, 11), slot 0 written last, sample 12: the kept samples are 11 (oldest), then 9.
  // Weighting, memory, estimate.
  const std::tuple<int, double, double> cases[] = {
      {0, 0.99, 32.0 / 3}, {1, 0.99, 65.0 / 6}, {2, 0.99, 63.0 / 6}, {3, 0.5, 19.25 / 1.75},
      {4, 0.5, 32.0 / 3},  {-1, 0.5, 32.0 / 3}, {3, 1.0, 32.0 / 3}};
  for (auto [avg_type, memory, estimate] : cases) {
    SIM &S = Prepare(3, avg_type, memory);
    S.ad_samples[0] = 9, S.ad_samples[1] = 10, S.ad_samples[2] = 11, S.ad_oldest_idx = 0;
    AdaptUpdateEstimate(S, 12);
    EXPECT_EQ(std::tuple(S.ad_estimate, V(S.ad_samples, S.ad_samples + 4), S.ad_oldest_idx,
                         V(S.pt, S.pt + 3)),
              std::tuple(estimate, V{9, 12, 11, 0}, 1, V(HeurRow(11), HeurRow(11) + 3)))
        << avg_type << " " << memory;
  }
  // With one sample the estimate is the sample; its row (pt[0] given) is chosen by rounding
  // halves up.
  const std::pair<double, double> rows[] = {{2.49, 0.4718}, {2.5, 0.4623},   {1.0, 0.4718},
                                            {3.5, 0.4582},  {500.4, 0.0128}, {10000.0, 0.0128}};
  for (int avg_type = 0; avg_type <= 3; avg_type++) {
    SIM &S = Prepare(1, avg_type, 0.5);
    for (auto [x, pt0] : rows) {
      AdaptUpdateEstimate(S, x);
      EXPECT_EQ(std::tuple(S.ad_estimate, S.ad_samples[0], S.ad_oldest_idx, S.pt[0]),
                std::tuple(x, x, 0, pt0));
    }
  }
}

// Start with nn of 8 nodes after the scripted words: window, waits (77: inactive), estimate, pt[0].
auto StartScripted(int node_count, int size, std::vector<uint32_t> script) {
  SIM &S = PrepareSimulation({"debug=1", "ad_runs=9:8", "nn=" + std::to_string(node_count),
                              "ad_size=" + std::to_string(size)});
  init_genrand(S.mt_rand, 99);
  QueueGenRandWords(S.mt_rand, script.data(), script.size());
  for (int j = node_count; j < 8; j++) S.nodes[j].wait_succ = 77;
  AdaptInit(S);
  EXPECT_EQ(genrand_int32(S.mt_rand), std::mt19937(99)());  // every scripted word used, no other
  Ints waits;
  for (int j = 0; j < 8; j++) waits.push_back(WaitSucc(S, &S.nodes[j]));
  return std::tuple(V(S.ad_samples, S.ad_samples + size + 1), waits, S.ad_estimate, S.pt[0]);
}

TEST(Estimator, StartDrawsTheWindowThenOneWaitPerActiveNode) {
  // Samples 4 or 5 (buckets of 2147483647; the top word is drawn again); waits
  // floor(ln(1 - u) / ln(0.8)) for u = 0, just below and above 0.2, 0.5, just below 0.9.
  EXPECT_EQ(StartScripted(5, 3,
                          {0, 0xFFFFFFFF, 2147483647, 2147483646, 0, 0x33333333, 0x33333334,
                           0x80000000, 0xE6666666}),
            std::tuple(V{4, 5, 4, 0}, Ints{0, 0, 1, 3, 10, 77, 77, 77}, 5.0, 0.4521));
  EXPECT_EQ(StartScripted(1, 2, {2147483647, 0}),  // one node: a wait of 1 without a real draw
            std::tuple(V{1, 0, 0}, Ints{1, 77, 77, 77, 77, 77, 77, 77}, 1.0, 0.4718));
}

TEST(RunsSchedule, ReadsEveryPairInOrderAndRejectsAnyOtherText) {
  MEMORY memory;
  const ADRUNS runs = AdaptReadRuns(memory, " 500 : 2 , 1000:\t20,900:4,0:1,1:2147483647");
  EXPECT_EQ(
      std::pair(Ints(runs.at_run, runs.at_run + runs.count), Ints(runs.new_nn, runs.new_nn + 5)),
      std::pair(Ints{500, 1000, 900, 0, 1}, Ints{2, 20, 4, 1, 2147483647}));
  for (std::string bad : {"500", "500:2,1000", "500:2,", ",500:2", "500:2,,1000:3", "500:2,abc",
                          "500:2 abc", "500:2x", "500;2", ":2", "500:", "500:0", "500:-3",
                          "500:3000000000", "3000000000:2", "500:2:7", ""})
    EXPECT_EXIT(AdaptReadRuns(memory, bad.c_str()), testing::ExitedWithCode(1),
                "^Error: invalid ad_runs schedule '" + bad + "': expected");
}

}  // namespace
