// The GSL generator that serves only the Rayleigh gain draws of the received-power model.
#pragma once

#include <gsl/gsl_rng.h>

#include <cstdint>

// The process-wide GSL generator (null until set up).
extern gsl_rng *gsl_base_rand;

// gsl_rng_env_setup, then an MT19937 generator of GSL's in gsl_base_rand.
void SetupRandGSL();
// Seeds the GSL generator.
void SeedRandGSL(uint32_t seed);
// One Rayleigh variate of scale sigma from gsl_base_rand.
double GenRandRayleighGSL(double sigma);
// Frees the GSL generator (state reset).
void ReleaseRandGSL();
