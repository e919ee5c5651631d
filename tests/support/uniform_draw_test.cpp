// The exactly uniform index draw: bucket boundaries, rejection of the words above the last full
// bucket, the one-value and full ranges, and GenRand's bounds through scripted generator words.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "core/state.h"
#include "support/mt_rand.h"

namespace {

// Hands out scripted words in order and counts how many were taken.
struct ScriptedWords {
  std::vector<uint32_t> words;
  size_t taken = 0;
  uint32_t operator()() { return words.at(taken++); }
};

uint32_t DrawFrom(uint32_t m, ScriptedWords &source) {
  return DrawUniformFrom(m, [&source] { return source(); });
}

// For m = 7 the bucket width is floor(4294967295 / 7) = 613566756; the seven buckets end at
// 7 * 613566756 - 1 = 4294967291, and the four words 4294967292 to 4294967295 lie above them.
const uint32_t kWidth7 = 613566756u;

TEST(DrawUniform, EveryBucketOfSevenHasTheSameWidth) {
  for (uint32_t v = 0; v < 7; v++) {
    ScriptedWords first{{v * kWidth7}}, last{{(v + 1) * kWidth7 - 1}};
    EXPECT_EQ(DrawFrom(7, first), v) << "first word of bucket " << v;
    EXPECT_EQ(DrawFrom(7, last), v) << "last word of bucket " << v;
  }
}

TEST(DrawUniform, WordsAboveTheLastFullBucketAreRejectedAndRedrawn) {
  for (uint32_t top = 4294967292u; top != 0; top++) {
    ScriptedWords source{{top, 5u * kWidth7}};
    EXPECT_EQ(DrawFrom(7, source), 5u) << "word " << top;
    EXPECT_EQ(source.taken, 2u) << "word " << top;
  }
}

TEST(DrawUniform, SeveralRejectionsInARowAreAllSkipped) {
  ScriptedWords source{{0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFDu, 0xFFFFFFFCu, 4294967291u}};
  EXPECT_EQ(DrawFrom(7, source), 6u);
  EXPECT_EQ(source.taken, 5u);
}

TEST(DrawUniform, TenValuesRejectTheSixTopWords) {
  // floor(4294967295 / 10) = 429496729; 10 buckets cover the words up to 4294967289.
  ScriptedWords last{{4294967289u}};
  EXPECT_EQ(DrawFrom(10, last), 9u);
  for (uint32_t top = 4294967290u; top != 0; top++) {
    ScriptedWords source{{top, 0u}};
    EXPECT_EQ(DrawFrom(10, source), 0u);
    EXPECT_EQ(source.taken, 2u);
  }
}

TEST(DrawUniform, OneValueRejectsOnlyTheAllOnesWord) {
  ScriptedWords source{{0xFFFFFFFFu, 0xFFFFFFFEu}};
  EXPECT_EQ(DrawFrom(1, source), 0u);
  EXPECT_EQ(source.taken, 2u);
  ScriptedWords zero{{0u}};
  EXPECT_EQ(DrawFrom(1, zero), 0u);
  EXPECT_EQ(zero.taken, 1u);
}

TEST(DrawUniform, RangeAboveHalfTheWordsUsesUnitBuckets) {
  // m = 2^31 + 1: the bucket width is 1, so the word is the value and every word >= m is redrawn.
  const uint32_t m = 0x80000001u;
  ScriptedWords source{{m, 0xFFFFFFFFu, m - 1}};
  EXPECT_EQ(DrawFrom(m, source), m - 1);
  EXPECT_EQ(source.taken, 3u);
}

TEST(DrawUniform, ZeroStandsForTheFullWordRange) {
  ScriptedWords source{{0xFFFFFFFFu, 0u}};
  EXPECT_EQ(DrawFrom(0, source), 0xFFFFFFFFu);
  EXPECT_EQ(DrawFrom(0, source), 0u);
  EXPECT_EQ(source.taken, 2u);
}

// GenRand(a, b) through the own generator: a + bucket index among b - a + 1 values.
int32_t GenRandWithWords(int32_t a, int32_t b, std::vector<uint32_t> words) {
  ResetState();
  QueueGenRandWords(words.data(), words.size());
  return GenRand(a, b);
}

TEST(GenRand, ReachesBothBoundsOfTheRange) {
  EXPECT_EQ(GenRandWithWords(1, 6, {0u}), 1);
  // floor(4294967295 / 6) = 715827882; 6 buckets end at 4294967291.
  EXPECT_EQ(GenRandWithWords(1, 6, {4294967291u}), 6);
  EXPECT_EQ(GenRandWithWords(1, 6, {715827881u}), 1);
  EXPECT_EQ(GenRandWithWords(1, 6, {715827882u}), 2);
}

TEST(GenRand, TopWordsAreRedrawnNeverGivingBPlusOne) {
  EXPECT_EQ(GenRandWithWords(1, 6, {4294967292u, 4294967295u, 0u}), 1);
  EXPECT_EQ(genrand_int32(), 3499211612u) << "exactly three words were consumed";
}

TEST(GenRand, NegativeBoundsAndSingleValue) {
  EXPECT_EQ(GenRandWithWords(-3, 3, {0u}), -3);
  EXPECT_EQ(GenRandWithWords(-3, 3, {4294967291u}), 3);
  EXPECT_EQ(GenRandWithWords(-3, 3, {3u * kWidth7}), 0);
  EXPECT_EQ(GenRandWithWords(5, 5, {0u}), 5);
  EXPECT_EQ(GenRandWithWords(5, 5, {0xFFFFFFFFu, 0x80000000u}), 5);
}

TEST(GenRand, WholeInt32RangeTakesTheWordAsItIs) {
  EXPECT_EQ(GenRandWithWords(INT32_MIN, INT32_MAX, {0u}), INT32_MIN);
  EXPECT_EQ(GenRandWithWords(INT32_MIN, INT32_MAX, {0xFFFFFFFFu}), INT32_MAX);
  EXPECT_EQ(GenRandWithWords(INT32_MIN, INT32_MAX, {0x80000000u}), 0);
}

TEST(GenRand, DrawsStayInRangeOverTheGeneratorStream) {
  ResetState();
  init_genrand(7u);
  int counts[5] = {};
  for (int i = 0; i < 50000; i++) {
    int32_t v = GenRand(10, 14);
    ASSERT_GE(v, 10);
    ASSERT_LE(v, 14);
    counts[v - 10]++;
  }
  // Each value has probability 1/5: standard error sqrt(50000 * 0.2 * 0.8) ~ 89.4.
  for (int count : counts) EXPECT_NEAR(count, 10000, 5 * 89.5);
}

}  // namespace
