// Seeding of both generators: from the time of day, or from a seed the user gave.
#pragma once

#include <cstdint>

// The time seed of one time-of-day reading: sec + (sec XOR ((sec mod (usec + 1)) * usec)) in 32-bit
// arithmetic with wrap-around, mod being the signed remainder. usec is in [0, 1000000).
uint32_t TimeSeed(int32_t sec, int32_t usec);
// The time seed of the current time of day.
uint32_t TimeSeedNow();

// Seed the own generator, then the GSL generator, each from its own time-of-day reading.
void AutoSeedRand();
void AutoSeedRandGSL();

// Start-up: sets up the GSL generator, then seeds the own generator and the GSL generator, from
// the time of day or, when the seed option was given, from seed and seed + 1.
void SeedGenerators();
