// The 95% interval of a run's success probability from the run itself: Wilson's binomial interval
// when sessions are independent, batch means when each session depends on those before it.
#pragma once

#include <cstdint>

struct INTERVAL {
  double low, high;
};

// Wilson's score interval for successes out of n > 0 independent trials.
INTERVAL WilsonInterval(int64_t successes, int64_t n);

// Batches of consecutive sessions: the batch length doubles (merging neighbours) whenever
// kMaxBatches are full, so that 32 to 63 batches cover all but the last unfinished one.
struct BATCH_MEANS {
  static const int32_t kMaxBatches = 64;
  int64_t length = 1;   // sessions per batch
  int32_t full = 0;     // batches filled
  int64_t filling = 0, filled = 0;  // successes and sessions of the batch being filled
  int64_t successes[kMaxBatches] = {};
};

inline void AddToBatches(BATCH_MEANS &b, int32_t won) {
  b.filling += won;
  if (++b.filled < b.length) return;
  b.successes[b.full++] = b.filling;
  b.filling = b.filled = 0;
  if (b.full == BATCH_MEANS::kMaxBatches) {
    for (int32_t i = 0; i < b.full / 2; i++) b.successes[i] = b.successes[2 * i] + b.successes[2 * i + 1];
    b.full /= 2;
    b.length *= 2;
  }
}

// The batch-means interval (Student's t with full - 1 degrees of freedom) of the full batches,
// within [0, 1]; false before there are 32 of them (fewer than 32 sessions).
bool BatchMeansInterval(const BATCH_MEANS &b, INTERVAL *interval);
