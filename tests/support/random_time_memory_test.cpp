// The own MT19937 generator against the reference outputs in every form of its twist, scripted
// words, comparisons of words with a probability, the exactly uniform index and truncated
// geometric draws, seeding, the stopwatches and checked allocation.
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "support/alloc.h"
#include "support/fail.h"
#include "support/geometric.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/mt_twist.h"
#include "support/word_compare.h"
#include "support/seeding.h"
#include "support/stopwatch.h"

namespace {

using Words = std::vector<uint32_t>;
// Reference outputs 1 to 5 of seeds 5489 and 1.
const Words kSeed5489 = {3499211612u, 581869302u, 3890346734u, 3586334585u, 545404204u};
const Words kSeed1 = {1791095845u, 4282876139u, 3093770124u, 4005303368u, 491263u};

Words Draw(MtRand &g, int n) {
  Words out(n);
  for (uint32_t &word : out) word = genrand_int32(g);
  return out;
}

// A generator never seeded gives the sequence of seed 5489.
TEST(OwnGenerator, ReferenceOutputsAcrossRegenerationsAndReseeding) {
  MtRand g;
  EXPECT_EQ(Draw(g, 5), kSeed5489);
  init_genrand(g, 1u);
  EXPECT_EQ(Draw(g, 5), kSeed1);
  Draw(g, 700);
  init_genrand(g, 5489u);
  EXPECT_EQ(Draw(g, 5), kSeed5489);
  EXPECT_EQ(Draw(g, 619).back(), 4020325887u);  // output 624
  EXPECT_EQ(genrand_int32(g), 4178893912u);     // output 625
  EXPECT_EQ(Draw(g, 10000 - 625).back(), 4123659995u);
}

// Every form of the twist and tempering that runs here gives std::mt19937's sequence, over many
// regenerations from several seeds.
TEST(OwnGenerator, EveryTwistFormGivesTheReferenceSequence) {
  for (MT_FORM form : {MT_PLAIN, MT_SSE2, MT_AVX2}) {
    if (!MtFormRuns(form)) continue;
    for (uint32_t seed : {5489u, 0u, 1u, 4294967295u}) {
      MtRand g;
      init_genrand(g, seed);
      uint32_t state[kMtWords], out[kMtWords];
      std::copy(g.state, g.state + kMtWords, state);
      std::mt19937 reference(seed);
      for (int regeneration = 0; regeneration < 1000; regeneration++) {
        MtTwistAndTemper(form, state, out);
        for (int i = 0; i < kMtWords; i++)
          ASSERT_EQ(out[i], reference()) << "form " << form << " seed " << seed << " word "
                                         << regeneration * kMtWords + i;
      }
    }
  }
}

// A draw word w decides u = w / 2^32 < p exactly when it is below the threshold, and windows of
// words compare with it as one word at a time would, whatever lies past their end.
TEST(WordCompare, ThresholdsAndWindowsDecideAsSingleDraws) {
  const double top = 1.0 - 1.0 / 4294967296.0;
  for (double p : {-1.0, 0.0, 1e-12, 0.2, 0.5, 1.0 / 3, top, 1.0, 1.5}) {
    const uint64_t threshold = DrawThreshold(p);
    for (uint64_t w : {uint64_t(0), threshold - 1, threshold, uint64_t(UINT32_MAX)})
      if (w <= UINT32_MAX) {
        EXPECT_EQ(w < threshold, w / 4294967296.0 < p) << p << " " << w;
      }
  }
  // The kept threshold follows every change of probability, back and forth.
  LAST_THRESHOLD last;
  for (double p : {0.0, 0.5, 0.5, 0.25, 0.5, 0.0, 1.0})
    EXPECT_EQ(ThresholdOf(&last, p), DrawThreshold(p)) << p;
  std::mt19937 source(9);
  uint32_t words[64 + 8];
  for (int trial = 0; trial < 2000; trial++) {
    for (uint32_t &word : words) word = source() >> (source() % 32);
    const uint32_t n = 1 + source() % 64;
    const uint64_t threshold =
        trial % 7 == 0 ? uint64_t(1) << 32 : trial % 11 == 0 ? 0 : uint64_t(source());
    uint64_t expected = 0;
    for (uint32_t j = 0; j < n; j++) expected |= uint64_t(words[j] < threshold) << j;
    ASSERT_EQ(WordsBelow(words, n, threshold), expected) << n;
    ASSERT_EQ(WordsBelowFastest(words, n, threshold), expected) << n;
  }
}

// GenRand(a, b), a draw over b - a + 1 values (modulo 2^32): words above the last full bucket are
// drawn again. 7 values have buckets of 613566756 words, ending at 4294967291.
TEST(UniformDraw, BucketsAndRejectionOfTheTopWords) {
  // clang-format off
  const struct { int32_t a, b; Words words; int32_t value; } kCases[] = {
      {.a = 0, .b = 6, .words = {613566755u}, .value = 0},
      {.a = 0, .b = 6, .words = {613566756u}, .value = 1},
      {.a = 0, .b = 6, .words = {4294967291u}, .value = 6},
      {.a = 0, .b = 6, .words = {4294967292u, 5u * 613566756u}, .value = 5},
      {.a = -3, .b = 3, .words = {3u * 613566756u}, .value = 0},
      {.a = 0, .b = 6, .words = {0xFFFFFFFFu, 0xFFFFFFFEu, 4294967291u}, .value = 6},
      {.a = 1, .b = 10, .words = {4294967290u, 0u}, .value = 1},
      {.a = 5, .b = 5, .words = {0xFFFFFFFFu, 0x80000000u}, .value = 5},
      {.a = INT32_MIN, .b = INT32_MAX, .words = {0xFFFFFFFFu}, .value = INT32_MAX},
      {.a = 0, .b = INT32_MIN, .words = {0x80000001u, 0xFFFFFFFFu, 0x80000000u}, .value = INT32_MIN},
  };  // unit buckets
  // clang-format on
  for (const auto &c : kCases) {
    MtRand g;
    QueueGenRandWords(g, c.words.data(), c.words.size());
    EXPECT_EQ(GenRand(g, c.a, c.b), c.value) << c.a << ".." << c.b << " " << c.words[0];
    EXPECT_EQ(genrand_int32(g), kSeed5489[0]) << "every scripted word taken, no more";
  }
}

// The prepared reciprocal gives the bucket by division for the words around every bucket edge.
TEST(UniformDraw, PreparedBucketsEqualDivisionAtTheEdges) {
  for (uint64_t m : Words{1, 3, 6, 7, 26, 27, 1000, 65535, 65536, 1u << 31, (1u << 31) + 1, ~0u}) {
    const uint64_t width = UINT32_MAX / m, top = UINT32_MAX;
    const UNIFORM_BUCKETS buckets = PrepareBuckets(uint32_t(m));
    for (uint64_t edge : {width, 2 * width, 3 * width, (m - 1) * width, m * width, top})
      for (uint64_t r = edge - 1; r <= std::min(edge + 1, top); r++)
        ASSERT_EQ(BucketOf(uint32_t(r), buckets), r / width) << m << " " << r;
  }
}

// P(k <= j) = (1 - q^(j+1)) / (1 - q^n): the draw steps from j to j + 1 exactly there.
TEST(TruncatedGeometric, StepsAtTheCumulativeLawWithItsLimitsAndClamp) {
  const double top = std::nextafter(1.0, 0.0);
  for (double q : {0.25, 0.6, 0.9}) {
    for (int j = 0; j + 1 < 7; j++) {
      const double step = (1 - std::pow(q, j + 1)) / (1 - std::pow(q, 7));
      EXPECT_EQ(TruncatedGeometric(step - 1e-9, q, 7), j) << q;
      EXPECT_EQ(TruncatedGeometric(step + 1e-9, q, 7), j + 1) << q;
    }
  }
  for (double u : {0.0, 0.5, 0.99, top}) {
    EXPECT_EQ(TruncatedGeometric(u, 0.0, 26), 0) << u;
    EXPECT_EQ(TruncatedGeometric(u, 1.0, 10), int(u * 10)) << u;  // the uniform limit
    EXPECT_EQ(TruncatedGeometric(u, 0.5, 1), 0) << u;  // 1 - top * 0.5 rounds to 0.5: clamped
  }
}

// sec + (sec XOR ((sec mod (usec + 1)) * usec)), signed remainder, 32-bit wrap-around, by hand.
TEST(TimeSeed, SignedRemaindersAndWrapAround) {
  // clang-format off
  const struct { int32_t sec, usec; uint32_t seed; } kCases[] = {
      {.sec = 10, .usec = 3, .seed = 22u},
      {.sec = -7, .usec = 2, .seed = 0u},
      {.sec = -10, .usec = 3, .seed = 2u},
      {.sec = -1, .usec = 999999, .seed = 999997u},
      {.sec = INT32_MIN, .usec = 0, .seed = 0u},
      {.sec = INT32_MAX, .usec = 0, .seed = 4294967294u},
      {.sec = 1700000000, .usec = 123456, .seed = 2008361920u},
      {.sec = INT32_MAX, .usec = 999999, .seed = 1684788093u},
      {.sec = INT32_MIN, .usec = 999999, .seed = 1683788096u},
  };
  // clang-format on
  for (const auto &c : kCases) EXPECT_EQ(TimeSeed(c.sec, c.usec), c.seed) << c.sec << " " << c.usec;
}

// Whether first is the first output of the time seed of some reading from before to after.
bool FromTheClock(const timeval &before, const timeval &after, uint32_t first) {
  for (int64_t t = before.tv_sec * int64_t(1000000) + before.tv_usec;
       t <= after.tv_sec * int64_t(1000000) + after.tv_usec; t++)
    if (std::mt19937(TimeSeed(int32_t(uint32_t(t / 1000000)), int32_t(t % 1000000)))() == first)
      return true;
  return false;
}

// One seed, from the clock or from the seed option, for both generators: the protocol generator
// takes it, GSL's (MT19937 whatever the environment names, serving the Rayleigh draws alone) takes
// RayleighSeedOf it.
TEST(SeedGenerators, OneSeedFromTheClockOrFromTheSeedOption) {
  MtRand g;
  gsl_rng *gsl = nullptr;
  timeval before, after;
  gettimeofday(&before, nullptr);
  const uint32_t s = SeedGenerators(g, gsl, false, 0);
  gettimeofday(&after, nullptr);
  EXPECT_EQ(genrand_int32(g), std::mt19937(s)());
  EXPECT_TRUE(FromTheClock(before, after, std::mt19937(s)()));
  EXPECT_EQ(uint32_t(gsl_rng_get(gsl)), std::mt19937(RayleighSeedOf(s))());
  ReleaseRandGSL(gsl);
  setenv("GSL_RNG_TYPE", "taus", 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(SeedGenerators(g, gsl, true, 1), 1u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "GSL_RNG_TYPE=taus\n");
  unsetenv("GSL_RNG_TYPE");
  EXPECT_STREQ(gsl_rng_name(gsl), "mt19937");
  gsl_rng *reference = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(reference, RayleighSeedOf(1));
  EXPECT_EQ(GenRandRayleighGSL(gsl, 3.0), gsl_ran_rayleigh(reference, 3.0));
  gsl_rng_free(reference);
  ReleaseRandGSL(gsl);
  EXPECT_EQ(genrand_int32(g), 1791095845u);  // the first output of seed 1
}

// The Rayleigh seed is SplitMix64's first output from the run's seed (0xe220a8397b1dcdaf from 0),
// cut to 32 bits, and never lies near the run's seed, so that nearby runs share no stream.
TEST(SeedGenerators, RayleighSeedIsMixedAndNeverNearTheRunSeed) {
  EXPECT_EQ(RayleighSeedOf(0), 0x7b1dcdafu);
  for (uint64_t s = 0; s <= UINT32_MAX; s += 4093) {
    const uint32_t r = RayleighSeedOf(uint32_t(s));
    ASSERT_GE(std::min(r - uint32_t(s), uint32_t(s) - r), 65536u) << s;
  }
  for (uint32_t s : {0u, 1u, 2u, 0x7fffffffu, UINT32_MAX})
    EXPECT_GE(std::min(RayleighSeedOf(s) - s, s - RayleighSeedOf(s)), 65536u) << s;
}

// A watch started and stopped measures the interval between, kept until its next stop.
TEST(Stopwatch, AlternatesStartAndStop) {
  STOPWATCHES watches;
  EXPECT_EQ(Stopwatch(watches, 0), 0.0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const double first = Stopwatch(watches, 0);
  EXPECT_GT(first, 0.0);
  EXPECT_EQ(Stopwatch(watches, 0), 0.0) << "a third call starts the watch again";
  EXPECT_EQ(watches.results[0], first);
  EXPECT_EQ(Stopwatch(watches, 32), 0.0);
}

TEST(CheckedAllocationDeathTest, FailuresWriteTheirMessageAndEndWithTheirStatus) {
  volatile size_t huge = SIZE_MAX, large = 0xFFFFFFFFu;  // sizes no allocation can give
  MEMORY memory;
  EXPECT_EXIT(
      MyMalloc(memory, huge), testing::ExitedWithCode(1),
      "Error: Could not malloc'ate 18446744073709551615 bytes of memory\\. Aborting \\.\\.\\.\n$");
  EXPECT_EXIT(MyCalloc(memory, large, large), testing::ExitedWithCode(1),
              "Error: Could not calloc'ate 4294967295 chunks of 4294967295 bytes of memory\\. "
              "Aborting \\.\\.\\.\n$");
  EXPECT_EXIT(
      MyRealloc(memory, MyMalloc(memory, 64), huge), testing::ExitedWithCode(1),
      "Error: Could not realloc'ate 18446744073709551615 bytes of memory\\. Aborting \\.\\.\\.\n$");
  EXPECT_EXIT(Fail(4, "Error: index %d reached %s", 7, "ns_pdf_size"), testing::ExitedWithCode(4),
              "^Error: index 7 reached ns_pdf_size$");
}

}  // namespace
