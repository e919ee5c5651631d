// The own MT19937 generator against std::mt19937 in every form of its twist, comparisons of words
// with a probability, the exactly uniform index draw, seeding and checked allocation. (The
// truncated geometric draw is checked by the laws of the codeword draws.)
#include <gsl/gsl_rng.h>
#include <sys/time.h>

#include "common/test_util.h"
#include "support/fail.h"
#include "support/mt_twist.h"
#include "support/seeding.h"

namespace {

// A generator never seeded gives the sequence of seed 5489; seeding starts another, across many
// regenerations; every form of the twist and tempering that runs here gives the same sequence.
TEST(OwnGenerator, GivesTheSequenceOfStdMt19937InEveryFormOfItsTwist) {
  MtRand g;
  for (uint32_t seed : {5489u, 1u, 0u, 4294967295u}) {
    if (seed != 5489u) init_genrand(g, seed);
    std::mt19937 reference(seed);
    for (int i = 0; i < 10000; i++) ASSERT_EQ(genrand_int32(g), reference()) << seed << " " << i;
    for (MT_FORM form : {MT_PLAIN, MT_SSE2, MT_AVX2}) {
      if (!MtFormRuns(form)) continue;
      MtRand h;
      init_genrand(h, seed);
      uint32_t state[kMtWords], out[kMtWords];
      std::copy(h.state, h.state + kMtWords, state);
      reference.seed(seed);
      for (int i = 0; i < 1000 * kMtWords; i++) {
        if (i % kMtWords == 0) MtTwistAndTemper(form, state, out);
        ASSERT_EQ(out[i % kMtWords], reference())
            << "form " << form << " seed " << seed << " " << i;
      }
    }
  }
}

// A draw word w decides u = w / 2^32 < p exactly when it is below the threshold. (Windows of words
// compared at once, and thresholds kept across rounds, are checked against single draws by the
// windowed sessions' test.)
TEST(WordCompare, ThresholdsDecideAsSingleDraws) {
  for (double p : {-1.0, 0.0, 1e-12, 0.2, 0.5, 1.0 / 3, 1 - 0x1p-32, 1.0, 1.5}) {
    const uint64_t threshold = DrawThreshold(p);
    for (uint64_t w : {uint64_t(0), threshold - 1, threshold, uint64_t(UINT32_MAX)})
      EXPECT_TRUE(w > UINT32_MAX || (w < threshold) == (w / 0x1p32 < p)) << p << " " << w;
  }
}

// Marks of long runs of words in the form every x86-64 processor runs (the AVX2 form is checked
// through the session's masks) are the words' own comparisons, eight to a byte, at any length.
TEST(WordCompare, MarksOfLongRunsAreEachWordsComparison) {
  std::vector<uint32_t> words(624 + kWordsReadAhead);
  std::generate(words.begin(), words.end(), std::mt19937(5));
  words[3] = 0;
  for (uint64_t threshold : {uint64_t(1), uint64_t(words[9]), uint64_t(UINT32_MAX)})
    for (uint32_t n : {1u, 7u, 8u, 9u, 33u, 624u}) {
      uint8_t marks[78];
      MarkWordsBelow(words.data(), n, threshold, marks);
      for (uint32_t j = 0; j < n; j++)
        ASSERT_EQ(marks[j / 8] >> j % 8 & 1, int(words[j] < threshold)) << n << " " << j;
    }
}

// GenRand(a, b), a draw over b - a + 1 values (modulo 2^32): words above the last full bucket are
// drawn again. 7 values have buckets of 613566756 words, ending at 4294967291.
TEST(UniformDraw, BucketsAndRejectionOfTheTopWords) {
  const struct {
    int32_t a, b;
    std::vector<uint32_t> words;
    int32_t value;
  } cases[] = {
      // clang-format off
      {0, 6, {613566755u}, 0}, {0, 6, {613566756u}, 1}, {0, 6, {4294967291u}, 6},
      {0, 6, {4294967292u, 5u * 613566756u}, 5}, {-3, 3, {3u * 613566756u}, 0},
      {0, 6, {0xFFFFFFFFu, 0xFFFFFFFEu, 4294967291u}, 6}, {1, 10, {4294967290u, 0u}, 1},
      {5, 5, {0xFFFFFFFFu, 0x80000000u}, 5}, {INT32_MIN, INT32_MAX, {0xFFFFFFFFu}, INT32_MAX},
      {0, INT32_MIN, {0x80000001u, 0xFFFFFFFFu, 0x80000000u}, INT32_MIN},  // unit buckets
      // clang-format on
  };
  for (const auto &c : cases) {
    MtRand g;
    QueueGenRandWords(g, c.words.data(), c.words.size());
    EXPECT_EQ(GenRand(g, c.a, c.b), c.value) << c.a << ".." << c.b << " " << c.words[0];
    EXPECT_EQ(genrand_int32(g), std::mt19937()()) << "every scripted word taken, no more";
  }
  // The prepared reciprocal gives the bucket by division for the words around every bucket edge.
  for (uint64_t m :
       {1u, 3u, 6u, 7u, 26u, 27u, 1000u, 65535u, 65536u, 1u << 31, (1u << 31) + 1, ~0u}) {
    const uint64_t width = UINT32_MAX / m, top = UINT32_MAX;
    const UNIFORM_BUCKETS buckets = PrepareBuckets(uint32_t(m));
    for (uint64_t edge : {width, 2 * width, 3 * width, (m - 1) * width, m * width, top})
      for (uint64_t r = edge - 1; r <= std::min(edge + 1, top); r++)
        ASSERT_EQ(BucketOf(uint32_t(r), buckets), r / width) << m << " " << r;
  }
}

// sec + (sec XOR ((sec mod (usec + 1)) * usec)), signed remainder, 32-bit wrap-around, by hand.
TEST(TimeSeed, SignedRemaindersAndWrapAround) {
  const struct {
    int32_t sec, usec;
    uint32_t seed;
  } cases[] = {
      // clang-format off
      {10, 3, 22u}, {-7, 2, 0u}, {-10, 3, 2u}, {-1, 999999, 999997u}, {INT32_MIN, 0, 0u},
      {INT32_MAX, 0, 4294967294u}, {1700000000, 123456, 2008361920u},
      {INT32_MAX, 999999, 1684788093u}, {INT32_MIN, 999999, 1683788096u},
      // clang-format on
  };
  for (const auto &c : cases) EXPECT_EQ(TimeSeed(c.sec, c.usec), c.seed) << c.sec << " " << c.usec;
}

// One seed, from the clock (the time seed of a reading during the call) or from the seed option,
// for both generators: the protocol generator takes it, GSL's (MT19937 whatever the environment
// names, serving the Rayleigh draws alone) takes RayleighSeedOf it.
TEST(SeedGenerators, OneSeedFromTheClockOrFromTheSeedOption) {
  MtRand g;
  gsl_rng *gsl = nullptr;
  timeval before, after;
  gettimeofday(&before, nullptr);
  const uint32_t s = SeedGenerators(g, gsl, false, 0);
  gettimeofday(&after, nullptr);
  bool from_the_clock = false;
  for (int64_t t = before.tv_sec * int64_t(1000000) + before.tv_usec;
       t <= after.tv_sec * int64_t(1000000) + after.tv_usec; t++)
    from_the_clock |= TimeSeed(int32_t(uint32_t(t / 1000000)), int32_t(t % 1000000)) == s;
  EXPECT_TRUE(from_the_clock);
  ReleaseRandGSL(gsl);
  setenv("GSL_RNG_TYPE", "taus", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(SeedGenerators(g, gsl, true, 7), 7u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "GSL_RNG_TYPE=taus\n");
  unsetenv("GSL_RNG_TYPE");
  EXPECT_EQ((std::vector<uint64_t>{genrand_int32(g), gsl_rng_get(gsl)}),
            (std::vector<uint64_t>{std::mt19937(7)(), std::mt19937(RayleighSeedOf(7))()}));
  ReleaseRandGSL(gsl);
}

// The Rayleigh seed is SplitMix64's first output from the run's seed (0xe220a8397b1dcdaf from 0),
// cut to 32 bits, and never lies near the run's seed, so that nearby runs share no stream.
TEST(SeedGenerators, RayleighSeedIsMixedAndNeverNearTheRunSeed) {
  EXPECT_EQ(RayleighSeedOf(0), 0x7b1dcdafu);
  for (uint64_t s = 0; s <= UINT32_MAX; s += s < 4 || s > UINT32_MAX - 4094 ? 1 : 4093) {
    const uint32_t r = RayleighSeedOf(uint32_t(s));
    ASSERT_GE(std::min(r - uint32_t(s), uint32_t(s) - r), 65536u) << s;
  }
}

// (A failed reallocation and Fail's status and message are rows of the command-line table.) Under
// AddressSanitizer a warning comes before the message.
TEST(CheckedAllocationDeathTest, FailuresWriteTheirMessageAndEndWithTheirStatus) {
  volatile size_t huge = SIZE_MAX, large = 0xFFFFFFFFu;  // sizes no allocation can give
  MEMORY memory;
  EXPECT_EXIT(MyMalloc(memory, huge), testing::ExitedWithCode(1),
              "Error: Could not malloc'ate 18446744073709551615 bytes of memory\\. Aborting "
              "\\.\\.\\.\n$");
  EXPECT_EXIT(MyCalloc(memory, large, large), testing::ExitedWithCode(1),
              "Error: Could not calloc'ate 4294967295 chunks of 4294967295 bytes of memory\\. "
              "Aborting \\.\\.\\.\n$");
}

}  // namespace
