// Start-up order of a run.
#include "app/startup.h"

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/seeding.h"

void StartUp(SIM &S, int argc, char **argv) {
  ParseMainArgs(S, argc, argv);
  S.seed = SeedGenerators(S.mt_rand, S.gsl_base_rand, S.given[OPTION_seed], S.seed);
  InitSimVars(S);
}
