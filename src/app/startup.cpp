// Start-up order of a run.
#include "app/startup.h"

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/seeding.h"

void StartUp(int argc, char **argv) {
  ParseMainArgs(argc, argv);
  seed = SeedGenerators(seed_given, seed);
  InitSimVars();
}
