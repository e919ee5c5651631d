// Seeding of the two generators.
#include "support/seeding.h"

#include <sys/time.h>

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

uint32_t RayleighSeedOf(uint32_t s) {
  uint64_t z = uint64_t(s) + 0x9e3779b97f4a7c15u;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  uint32_t mixed = uint32_t(z ^ (z >> 31));
  const uint32_t near = 65536;
  if (mixed - s < near || s - mixed < near) mixed ^= 0x80000000u;
  return mixed;
}

uint32_t SeedGenerators(MtRand &mt, gsl_rng *&gsl, bool given, uint32_t seed) {
  gsl = SetupRandGSL();
  uint32_t s = given ? seed : TimeSeedNow();
  init_genrand(mt, s);
  SeedRandGSL(gsl, RayleighSeedOf(s));
  return s;
}
