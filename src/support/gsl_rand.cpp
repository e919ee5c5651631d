// GSL generator set-up and the Rayleigh draw.
#include "support/gsl_rand.h"

#include <gsl/gsl_randist.h>

gsl_rng *SetupRandGSL() {
  gsl_rng_env_setup();
  return gsl_rng_alloc(gsl_rng_mt19937);
}

void SeedRandGSL(gsl_rng *generator, uint32_t seed) { gsl_rng_set(generator, seed); }

void ReleaseRandGSL(gsl_rng *generator) {
  if (generator) gsl_rng_free(generator);
}
