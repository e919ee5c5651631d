// The estimator's start: the window's samples near nn, every active node's geometric wait, the
// exact order and number of draws from the protocol generator, and the schedule row installed.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "adapt/estimator.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

const uint32_t kSeed = 99;

void ExpectTunedRow(double pt0, double pt1, double pt2) {
  EXPECT_EQ(pt[0], pt0);
  EXPECT_EQ(pt[1], pt1);
  EXPECT_EQ(pt[2], pt2);
}

// The state of a run with nn nodes, the estimator not yet started; the generator then hands out
// the given words before the stream of kSeed.
void PrepareScripted(std::vector<std::string> words, std::vector<uint32_t> script) {
  words.push_back("debug=1");
  PrepareSimulation(words);
  init_genrand(kSeed);
  QueueGenRandWords(script.data(), script.size());
}

bool ScriptUsedUpExactly() { return genrand_int32() == std::mt19937(kSeed)(); }

TEST(EstimatorInitTest, DrawsTheWindowThenOneWaitPerActiveNode) {
  // Samples among 4 .. 5: buckets of 2147483647 words; the top word falls outside and is drawn
  // again. Waits: floor(ln(1 - u) / ln(0.8)) for u = 0, just below 0.2, just above 0.2 (where the
  // quotient crosses 1), 0.5 and just below 0.9.
  PrepareScripted({"nn=5", "ad_size=3", "ad_runs=100:8"},
                  {0u, 0xFFFFFFFFu, 2147483647u, 2147483646u,  // window
                   0u, 0x33333333u, 0x33333334u, 0x80000000u, 0xE6666666u});
  for (int j = 5; j < 8; j++) nodes[j].wait_succ = 77;
  AdaptInit();
  EXPECT_EQ(std::vector<double>(ad_samples, ad_samples + 4), (std::vector<double>{4, 5, 4, 0}));
  const int32_t waits[5] = {0, 0, 1, 3, 10};
  for (int j = 0; j < 5; j++) EXPECT_EQ(nodes[j].wait_succ, waits[j]) << "node " << j;
  for (int j = 5; j < 8; j++) EXPECT_EQ(nodes[j].wait_succ, 77) << "inactive node " << j;
  EXPECT_TRUE(ScriptUsedUpExactly());
  EXPECT_EQ(ad_estimate, 5.0);
  EXPECT_EQ(ad_oldest_idx, 0);
  ExpectTunedRow(0.4521, 0.7147, 0.825);
}

TEST(EstimatorInitTest, SingleNodeWaitsOneSessionWithoutRealDraws) {
  // Samples among 0 .. 1.
  PrepareScripted({"nn=1", "ad_size=2"}, {2147483647u, 0u});
  AdaptInit();
  EXPECT_EQ(ad_samples[0], 1.0);
  EXPECT_EQ(ad_samples[1], 0.0);
  EXPECT_EQ(nodes[0].wait_succ, 1);
  EXPECT_TRUE(ScriptUsedUpExactly());
  EXPECT_EQ(ad_estimate, 1.0);
  ExpectTunedRow(0.4718, 0.5367, 0.6824);
}

// Samples are uniform over floor(0.9 nn) .. floor(1.1 nn).
void ExpectWindowRange(int node_count, int lo, int hi) {
  const int size = 3000;
  PrepareSimulation({"debug=1", "adaptive=1", "nf=1", "nn=" + std::to_string(node_count),
                     "ad_size=" + std::to_string(size)});
  std::vector<int> counts(size_t(hi - lo + 1), 0);
  for (int i = 0; i < size; i++) {
    double v = ad_samples[i];
    ASSERT_TRUE(v >= lo && v <= hi && v == std::floor(v)) << "nn " << node_count << ": " << v;
    counts[size_t(v - lo)]++;
  }
  EXPECT_EQ(ad_samples[size], 0.0);
  double p = 1.0 / (hi - lo + 1), se = std::sqrt(p * (1 - p) / size);
  for (size_t k = 0; k < counts.size(); k++)
    EXPECT_NEAR(double(counts[k]) / size, p, 5 * se) << "nn " << node_count << " value " << lo + k;
}

TEST(EstimatorInitTest, WindowSamplesLieWithinTenPercentOfTheNodeCount) {
  ExpectWindowRange(5, 4, 5);
  ExpectWindowRange(10, 9, 11);
  ExpectWindowRange(3, 2, 3);
  ExpectWindowRange(20, 18, 22);
}

// P(wait = k) = (1 - p)^k p with p = 1 / nn: mean nn - 1.
TEST(EstimatorInitTest, WaitsFollowTheGeometricLawOfOneWinInNnSessions) {
  PrepareSimulation({"debug=1", "nn=5", "ad_size=1"});
  const int starts = 8000;
  std::vector<long> counts(6, 0);
  double sum = 0;
  for (int s = 0; s < starts; s++) {
    AdaptInit();
    for (int j = 0; j < 5; j++) {
      sum += nodes[j].wait_succ;
      if (nodes[j].wait_succ < 6) counts[size_t(nodes[j].wait_succ)]++;
    }
  }
  const double n = 5.0 * starts;
  for (int k = 0; k < 6; k++) {
    double p = std::pow(0.8, k) * 0.2;
    EXPECT_NEAR(counts[size_t(k)] / n, p, 5 * std::sqrt(p * (1 - p) / n)) << "wait " << k;
  }
  EXPECT_NEAR(sum / n, 4.0, 5 * std::sqrt(0.8) / 0.2 / std::sqrt(n));
}

TEST(EstimatorInitTest, SetUpReplacesAGivenListByTheRowForTheNodeCount) {
  PrepareSimulation({"debug=1", "adaptive=1", "nn=10", "pt=0.1,0.2,0.3"});
  EXPECT_EQ(ad_estimate, 10.0);
  ExpectTunedRow(0.3252, 0.7803, 0.8456);
  PrepareSimulation({"debug=1", "adaptive=1", "nf=1", "nn=600"});
  ExpectTunedRow(0.0128, 0.815, 0.8522);
}

}  // namespace
