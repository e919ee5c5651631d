// Time-of-day seeding of the two generators.
#include "support/seeding.h"

#include <sys/time.h>

#include "core/state.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"

uint32_t TimeSeed(int32_t sec, int32_t usec) {
  int64_t divisor = int64_t(usec) + 1;
  int32_t remainder = divisor ? int32_t(int64_t(sec) % divisor) : 0;
  uint32_t product = uint32_t(remainder) * uint32_t(usec);
  return uint32_t(sec) + (uint32_t(sec) ^ product);
}

uint32_t TimeSeedNow() {
  timeval now;
  gettimeofday(&now, nullptr);
  return TimeSeed(int32_t(uint32_t(now.tv_sec)), int32_t(now.tv_usec));
}

void AutoSeedRand() { init_genrand(TimeSeedNow()); }

void AutoSeedRandGSL() { SeedRandGSL(TimeSeedNow()); }

void SeedGenerators() {
  SetupRandGSL();
  if (seed_given) {
    init_genrand(seed);
    SeedRandGSL(seed + 1u);
  } else {
    AutoSeedRand();
    AutoSeedRandGSL();
  }
}
