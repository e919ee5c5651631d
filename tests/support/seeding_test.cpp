// Seeding of the two generators: the time seed of chosen readings worked out by hand (signed
// remainders, 32-bit wrap-around), seeding from the clock and from a given seed, and the GSL side.
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/state.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/seeding.h"

namespace {

// sec + (sec XOR ((sec mod (usec + 1)) * usec)), each step in 32-bit two's complement.
TEST(TimeSeed, SmallReadings) {
  EXPECT_EQ(TimeSeed(0, 0), 0u);
  EXPECT_EQ(TimeSeed(10, 3), 22u);      // 10 mod 4 = 2, 2 * 3 = 6, 10 ^ 6 = 12, 10 + 12
  EXPECT_EQ(TimeSeed(1000, 0), 2000u);  // mod 1 is 0, so the seed is sec + sec
}

TEST(TimeSeed, RealisticReading) {
  // 1700000000 mod 123457 = 120567; 120567 * 123456 = 1999817664; XOR gives 308361920.
  EXPECT_EQ(TimeSeed(1700000000, 123456), 2008361920u);
}

TEST(TimeSeed, NegativeSecondsTakeTheSignedRemainder) {
  EXPECT_EQ(TimeSeed(-7, 2), 0u);            // -7 mod 3 = -1, product -2, -7 ^ -2 = 7, -7 + 7
  EXPECT_EQ(TimeSeed(-10, 3), 2u);           // -10 mod 4 = -2, product -6, -10 ^ -6 = 12, -10 + 12
  EXPECT_EQ(TimeSeed(-1, 999999), 999997u);  // -1 mod 10^6 = -1, product -999999, XOR 999998
}

TEST(TimeSeed, ProductAndSumWrapAroundIn32Bits) {
  // Sum wraps: 2147483647 + 2147483647 = 4294967294.
  EXPECT_EQ(TimeSeed(INT32_MAX, 0), 4294967294u);
  // Sum wraps to 0: -2^31 + -2^31.
  EXPECT_EQ(TimeSeed(INT32_MIN, 0), 0u);
  // 483647 * 999999 = 483646516353 wraps to -1684788095; XOR with sec gives -462695554.
  EXPECT_EQ(TimeSeed(INT32_MAX, 999999), 1684788093u);
  // -2^31 mod 10^6 = -483648; the product wraps to 1683788096; XOR gives -463695552.
  EXPECT_EQ(TimeSeed(INT32_MIN, 999999), 1683788096u);
  // 234567 * 999999 wraps to -1656435847; XOR gives -1655300610; the sum is 2640901253.
  EXPECT_EQ(TimeSeed(1234567, 999999), 2640901253u);
}

// Every time seed of the readings from before to after, microsecond by microsecond.
std::vector<uint32_t> SeedsBetween(const timeval &before, const timeval &after) {
  std::vector<uint32_t> seeds;
  int64_t from = int64_t(before.tv_sec) * 1000000 + before.tv_usec;
  int64_t to = int64_t(after.tv_sec) * 1000000 + after.tv_usec;
  for (int64_t t = from; t <= to; t++)
    seeds.push_back(TimeSeed(int32_t(uint32_t(t / 1000000)), int32_t(t % 1000000)));
  return seeds;
}

bool StartsWithSeedOutput(const std::vector<uint32_t> &seeds, uint32_t first_output) {
  for (uint32_t s : seeds)
    if (std::mt19937(s)() == first_output) return true;
  return false;
}

TEST(AutoSeed, OwnGeneratorTakesTheTimeSeedOfTheClock) {
  ResetState();
  timeval before, after;
  gettimeofday(&before, nullptr);
  AutoSeedRand();
  gettimeofday(&after, nullptr);
  uint32_t first = genrand_int32();
  EXPECT_TRUE(StartsWithSeedOutput(SeedsBetween(before, after), first));
}

TEST(AutoSeed, GslGeneratorTakesTheTimeSeedOfTheClock) {
  ResetState();
  SetupRandGSL();
  timeval before, after;
  gettimeofday(&before, nullptr);
  AutoSeedRandGSL();
  gettimeofday(&after, nullptr);
  uint32_t first = uint32_t(gsl_rng_get(gsl_base_rand));
  EXPECT_TRUE(StartsWithSeedOutput(SeedsBetween(before, after), first));
  ResetState();
}

TEST(SeedGenerators, GivenSeedSeedsOwnWithItAndGslWithItPlusOne) {
  ResetState();
  seed_given = 1;
  seed = 1;
  SeedGenerators();
  EXPECT_EQ(genrand_int32(), 1791095845u);              // reference seed 1
  EXPECT_EQ(gsl_rng_get(gsl_base_rand), 1872583848ul);  // reference seed 2
  EXPECT_EQ(gsl_rng_get(gsl_base_rand), 794921487ul);
  ResetState();
}

TEST(SeedGenerators, WithoutSeedBothComeFromTheClock) {
  ResetState();
  timeval before, after;
  gettimeofday(&before, nullptr);
  SeedGenerators();
  gettimeofday(&after, nullptr);
  std::vector<uint32_t> seeds = SeedsBetween(before, after);
  EXPECT_TRUE(StartsWithSeedOutput(seeds, genrand_int32()));
  EXPECT_TRUE(StartsWithSeedOutput(seeds, uint32_t(gsl_rng_get(gsl_base_rand))));
  ResetState();
}

TEST(GslGenerator, IsMt19937WhateverTheEnvironmentNames) {
  ResetState();
  setenv("GSL_RNG_TYPE", "taus", 1);
  testing::internal::CaptureStderr();
  SetupRandGSL();
  std::string note = testing::internal::GetCapturedStderr();
  unsetenv("GSL_RNG_TYPE");
  EXPECT_EQ(note, "GSL_RNG_TYPE=taus\n");
  ASSERT_NE(gsl_base_rand, nullptr);
  EXPECT_STREQ(gsl_rng_name(gsl_base_rand), "mt19937");
  ResetState();
  EXPECT_EQ(gsl_base_rand, nullptr);
}

TEST(GslGenerator, RayleighDrawsComeFromGslAndLeaveTheOwnGeneratorAlone) {
  ResetState();
  SetupRandGSL();
  SeedRandGSL(22u);
  gsl_rng *reference = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng_set(reference, 22u);
  for (double sigma : {1.0, 0.5, 3.0}) {
    double expected = gsl_ran_rayleigh(reference, sigma);
    EXPECT_EQ(GenRandRayleighGSL(sigma), expected) << "sigma " << sigma;
  }
  gsl_rng_free(reference);
  EXPECT_EQ(genrand_int32(), 3499211612u) << "the own generator was not drawn";
  ResetState();
}

}  // namespace
