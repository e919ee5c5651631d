// Seeding of both generators from one seed: the seed option, or one reading of the time of day.
// The Rayleigh generator gets a well-mixed function of that seed, so that the two streams of a run
// are unrelated to each other and to the streams of runs with nearby seeds.
#pragma once

#include <cstdint>

#include "support/gsl_rand.h"
#include "support/mt_rand.h"

// The time seed of one time-of-day reading: sec + (sec XOR ((sec mod (usec + 1)) * usec)) in 32-bit
// arithmetic with wrap-around, mod being the signed remainder. usec is in [0, 1000000).
uint32_t TimeSeed(int32_t sec, int32_t usec);
// The time seed of the current time of day.
uint32_t TimeSeedNow();

// The Rayleigh generator's seed for run seed s: the low 32 bits of one SplitMix64 step from s,
// with the top bit flipped should that fall within 65536 of s, so it is never s nor s plus or
// minus a small number.
uint32_t RayleighSeedOf(uint32_t s);

// Start-up: sets up the GSL generator (into gsl, which must be null), then seeds the own generator
// with the run's seed (the seed option, else one time seed) and the GSL generator with
// RayleighSeedOf of it. Returns the seed.
uint32_t SeedGenerators(MtRand &mt, gsl_rng *&gsl, bool given, uint32_t seed);
