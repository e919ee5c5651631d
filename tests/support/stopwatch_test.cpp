// The wall-clock stopwatches: the same call starts and stops alternately, a stop stores the
// interval in sw_results until the next stop, watches are independent, and an index outside 0..31
// is inert.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/state.h"
#include "support/stopwatch.h"

namespace {

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

TEST(Stopwatch, StartReturnsZeroAndStopReturnsTheStoredInterval) {
  ResetState();
  EXPECT_EQ(Stopwatch(0), 0.0);
  EXPECT_EQ(sw_results[0], 0.0) << "starting stores nothing";
  Pause();
  double elapsed = Stopwatch(0);
  EXPECT_GE(elapsed, 0.005) << "at least the pause must have been measured";
  EXPECT_EQ(sw_results[0], elapsed);
}

TEST(Stopwatch, ThirdCallRestartsAndKeepsTheLastResultUntilTheNextStop) {
  ResetState();
  Stopwatch(0);
  Pause();
  double first = Stopwatch(0);
  EXPECT_EQ(Stopwatch(0), 0.0) << "a stopped watch starts again";
  EXPECT_EQ(sw_results[0], first);
  Pause();
  double second = Stopwatch(0);
  EXPECT_GT(second, 0.0);
  EXPECT_EQ(sw_results[0], second);
}

TEST(Stopwatch, WatchesRunIndependently) {
  ResetState();
  EXPECT_EQ(Stopwatch(31), 0.0);
  EXPECT_EQ(Stopwatch(5), 0.0);
  Pause();
  double five = Stopwatch(5);
  EXPECT_GT(five, 0.0);
  Pause();
  double last = Stopwatch(31);
  EXPECT_GT(last, five) << "watch 31 ran through both pauses";
  EXPECT_EQ(sw_results[5], five);
  EXPECT_EQ(sw_results[31], last);
  for (int i : {0, 1, 4, 6, 30}) EXPECT_EQ(sw_results[i], 0.0) << "watch " << i;
}

TEST(Stopwatch, IndexOutsideTheRangeDoesNothing) {
  ResetState();
  for (int index : {-1, 32, 1000}) {
    EXPECT_EQ(Stopwatch(index), 0.0);
    Pause();
    EXPECT_EQ(Stopwatch(index), 0.0) << "index " << index << " never runs";
  }
  for (double result : sw_results) EXPECT_EQ(result, 0.0);
  EXPECT_EQ(Stopwatch(0), 0.0) << "watch 0 was not started by the others";
}

TEST(Stopwatch, ResetStateStopsARunningWatchAndClearsResults) {
  ResetState();
  Stopwatch(3);
  Pause();
  Stopwatch(3);
  Stopwatch(3);
  ResetState();
  EXPECT_EQ(sw_results[3], 0.0);
  EXPECT_EQ(Stopwatch(3), 0.0) << "after a reset the next call starts the watch";
}

}  // namespace
