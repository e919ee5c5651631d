// The GSL generator that serves only the Rayleigh gain draws of the received-power model.
#pragma once

#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <cstdint>

// gsl_rng_env_setup, then a new MT19937 generator of GSL's (free it with ReleaseRandGSL).
gsl_rng *SetupRandGSL();
// Seeds a GSL generator.
void SeedRandGSL(gsl_rng *generator, uint32_t seed);
// One Rayleigh variate of scale sigma.
inline double GenRandRayleighGSL(gsl_rng *generator, double sigma) {
  return gsl_ran_rayleigh(generator, sigma);
}
// Frees a GSL generator (null is ignored).
void ReleaseRandGSL(gsl_rng *generator);
