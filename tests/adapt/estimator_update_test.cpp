// The estimator's moving average: each weighting on a worked window, the ring of samples as it
// wraps, a constant stream, a window of one sample, and the exponential weighting with memory 1.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "adapt/estimator.h"
#include "common/test_util.h"
#include "config/schedule.h"
#include "core/state.h"

namespace {

// Adaptive set-up with the given window, weighting and memory, then the window overwritten.
void PrepareWindow(int size, int avg_type, double memory, std::vector<double> samples,
                   int oldest_idx) {
  PrepareSimulation({"debug=1", "adaptive=1", "ad_size=" + std::to_string(size),
                     "ad_avg_type=" + std::to_string(avg_type),
                     "ad_memory=" + std::to_string(memory)});
  for (size_t i = 0; i < samples.size(); i++) ad_samples[i] = samples[i];
  ad_oldest_idx = oldest_idx;
}

// Window (9, 10, 11), slot 0 written last, new sample 12: the oldest sample sits in slot 1, the
// kept samples are 11 (oldest) and 9 (newest).
struct WORKED_CASE {
  int avg_type;
  double memory, estimate;
};

TEST(EstimatorUpdateTest, WorkedWindowUnderEveryWeighting) {
  const WORKED_CASE cases[] = {
      {0, 0.99, 32.0 / 3},  // (11 + 9 + 12) / 3
      {1, 0.99, 65.0 / 6},  // (1*11 + 2*9 + 3*12) / 6
      {2, 0.99, 63.0 / 6},  // (3*11 + 2*9 + 1*12) / 6
      {3, 0.5, 11.0},       // (0.25*11 + 0.5*9 + 12) / 1.75
      {4, 0.5, 32.0 / 3},   // like equal weights
      {-1, 0.5, 32.0 / 3},  // every other value too
      {3, 1.0, 32.0 / 3},   // memory 1: all weights 1, divisor 3
  };
  for (const WORKED_CASE &c : cases) {
    SCOPED_TRACE("ad_avg_type " + std::to_string(c.avg_type) + " ad_memory " +
                 std::to_string(c.memory));
    PrepareWindow(3, c.avg_type, c.memory, {9, 10, 11}, 0);
    AdaptUpdateEstimate(12);
    EXPECT_NEAR(ad_estimate, c.estimate, 1e-12);
    EXPECT_EQ(ad_oldest_idx, 1);
    EXPECT_EQ(std::vector<double>(ad_samples, ad_samples + 4), (std::vector<double>{9, 12, 11, 0}));
    // Every estimate here rounds to 11.
    for (int j = 0; j < 3; j++) EXPECT_EQ(pt[j], HeurRow(11)[j]) << j;
  }
}

// Window (2, 4, 6, 8) with slot 3 written last: the new sample 10 replaces slot 0, and the kept
// samples are 4, 6, 8 from oldest to newest.
TEST(EstimatorUpdateTest, RingWrapsFromTheLastSlotToTheFirst) {
  const WORKED_CASE cases[] = {
      {0, 0.5, 7.0},         // (4 + 6 + 8 + 10) / 4
      {1, 0.5, 8.0},         // (1*4 + 2*6 + 3*8 + 4*10) / 10
      {2, 0.5, 6.0},         // (4*4 + 3*6 + 2*8 + 1*10) / 10
      {3, 0.5, 16 / 1.875},  // (0.125*4 + 0.25*6 + 0.5*8 + 10) / ((1 - 0.5^4) / 0.5)
  };
  for (const WORKED_CASE &c : cases) {
    SCOPED_TRACE("ad_avg_type " + std::to_string(c.avg_type));
    PrepareWindow(4, c.avg_type, c.memory, {2, 4, 6, 8}, 3);
    AdaptUpdateEstimate(10);
    EXPECT_NEAR(ad_estimate, c.estimate, 1e-12);
    EXPECT_EQ(ad_oldest_idx, 0);
    EXPECT_EQ(std::vector<double>(ad_samples, ad_samples + 4), (std::vector<double>{10, 4, 6, 8}));
  }
}

TEST(EstimatorUpdateTest, EqualWeightsAverageTheLastSamples) {
  PrepareWindow(3, 0, 0.99, {1, 1, 1}, 0);
  const double stream[] = {3, 6, 9, 12, 15, 30};
  const double expected[] = {5.0 / 3, 10.0 / 3, 6, 9, 12, 19};
  for (int i = 0; i < 6; i++) {
    AdaptUpdateEstimate(stream[i]);
    EXPECT_NEAR(ad_estimate, expected[i], 1e-12) << "after sample " << i;
  }
}

TEST(EstimatorUpdateTest, ConstantStreamGivesBackTheConstant) {
  const double memories[] = {0.99, 0.5, 1.0};
  for (int avg_type = 0; avg_type <= 4; avg_type++)
    for (double memory : memories) {
      SCOPED_TRACE("ad_avg_type " + std::to_string(avg_type) + " ad_memory " +
                   std::to_string(memory));
      PrepareWindow(7, avg_type, memory, {}, 0);
      for (int i = 0; i < 7; i++) AdaptUpdateEstimate(13);
      EXPECT_NEAR(ad_estimate, 13, 1e-12);
      AdaptUpdateEstimate(13);
      EXPECT_NEAR(ad_estimate, 13, 1e-12);
      for (int j = 0; j < 3; j++) EXPECT_EQ(pt[j], HeurRow(13)[j]);
    }
}

TEST(EstimatorUpdateTest, WindowOfOneSampleEstimatesTheSampleItself) {
  for (int avg_type = 0; avg_type <= 4; avg_type++) {
    SCOPED_TRACE("ad_avg_type " + std::to_string(avg_type));
    PrepareWindow(1, avg_type, 0.5, {}, 0);
    for (double x : {7.0, 42.0, 3.25}) {
      AdaptUpdateEstimate(x);
      EXPECT_NEAR(ad_estimate, x, 1e-12);
      EXPECT_EQ(ad_oldest_idx, 0);
      EXPECT_EQ(ad_samples[0], x);
    }
  }
}

TEST(EstimatorUpdateTest, MemoryOneWeighsEverySampleEqually) {
  PrepareWindow(5, 3, 1.0, {2, 4, 6, 8, 10}, 4);
  AdaptUpdateEstimate(20);  // replaces the 2
  EXPECT_FALSE(std::isnan(ad_estimate));
  EXPECT_NEAR(ad_estimate, (4 + 6 + 8 + 10 + 20) / 5.0, 1e-12);
}

}  // namespace
