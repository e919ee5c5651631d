// The GSL generator that serves only the Rayleigh gain draws of the received-power model.
#pragma once

#include <cstdint>

// gsl_rng_env_setup, then an MT19937 generator of GSL's in gsl_base_rand.
void SetupRandGSL();
// Seeds the GSL generator.
void SeedRandGSL(uint32_t seed);
// One Rayleigh variate of scale sigma from gsl_base_rand.
double GenRandRayleighGSL(double sigma);
// Frees the GSL generator (state reset).
void ReleaseRandGSL();
