// GSL generator set-up and the Rayleigh draw.
#include "support/gsl_rand.h"

#include <gsl/gsl_randist.h>

gsl_rng *gsl_base_rand;

void SetupRandGSL() {
  gsl_rng_env_setup();
  gsl_base_rand = gsl_rng_alloc(gsl_rng_mt19937);
}

void SeedRandGSL(uint32_t seed) { gsl_rng_set(gsl_base_rand, seed); }

double GenRandRayleighGSL(double sigma) { return gsl_ran_rayleigh(gsl_base_rand, sigma); }

void ReleaseRandGSL() {
  if (gsl_base_rand) gsl_rng_free(gsl_base_rand);
  gsl_base_rand = nullptr;
}
