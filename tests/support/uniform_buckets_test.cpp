// The prepared uniform draw: its bucket by multiplication equals the bucket by division for every
// range size and word, including the words at bucket edges and the rejected remainder.
#include <gtest/gtest.h>

#include <vector>

#include "core/state.h"
#include "support/mt_rand.h"

namespace {

std::vector<uint32_t> RangeSizes() {
  std::vector<uint32_t> sizes{1,
                              2,
                              3,
                              5,
                              6,
                              7,
                              26,
                              27,
                              1000,
                              65535,
                              65536,
                              1u << 31,
                              (1u << 31) + 1,
                              UINT32_MAX - 1,
                              UINT32_MAX};
  for (uint32_t m = 1; m < 300; m += 7) sizes.push_back(m);
  return sizes;
}

// Words around every multiple of the bucket width up to a few buckets, and around the top.
std::vector<uint32_t> EdgeWords(uint32_t width) {
  std::vector<uint32_t> words{0, 1, UINT32_MAX, UINT32_MAX - 1};
  for (uint64_t k = 1; k <= 4; k++) {
    uint64_t edge = k * width;
    for (int64_t delta = -1; delta <= 1; delta++)
      if (edge + delta <= UINT32_MAX) words.push_back(uint32_t(edge + delta));
  }
  for (uint64_t top = uint64_t(UINT32_MAX / width) * width, d = 0; d < 3; d++)
    if (top >= d) words.push_back(uint32_t(top - d));
  return words;
}

TEST(UniformBuckets, MultiplicationMatchesDivisionAtEveryEdge) {
  for (uint32_t m : RangeSizes()) {
    UNIFORM_BUCKETS buckets = PrepareBuckets(m);
    for (uint32_t r : EdgeWords(UINT32_MAX / m))
      ASSERT_EQ(BucketOf(r, buckets), r / (UINT32_MAX / m)) << "m=" << m << " r=" << r;
  }
}

TEST(UniformBuckets, MultiplicationMatchesDivisionOnManyWords) {
  uint32_t r = 12345;
  for (uint32_t m : RangeSizes()) {
    UNIFORM_BUCKETS buckets = PrepareBuckets(m);
    for (int i = 0; i < 20000; i++) {
      r = r * 1664525u + 1013904223u;
      ASSERT_EQ(BucketOf(r, buckets), r / (UINT32_MAX / m)) << "m=" << m << " r=" << r;
    }
  }
}

// The generator's draw takes the same words as the reference draw and gives the same values,
// also when a word falls in the remainder above the last bucket and is drawn again.
TEST(UniformBuckets, DrawUniformFollowsTheReferenceDraw) {
  ResetState();
  const uint32_t words[] = {UINT32_MAX, 0, UINT32_MAX - 2, 715827882u * 6, 3000000000u, 7};
  QueueGenRandWords(words, 6);
  size_t next = 0;
  auto scripted = [&] { return words[next++]; };
  for (int i = 0; i < 3; i++) EXPECT_EQ(DrawUniform(6), DrawUniformFrom(6, scripted));
  EXPECT_EQ(next, size_t(6));
}

}  // namespace
