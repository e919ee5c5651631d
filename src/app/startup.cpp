// Start-up order of a run.
#include "core/startup.h"

#include "config/options.h"
#include "config/setup.h"
#include "support/seeding.h"

void StartUp(int argc, char **argv) {
  ParseMainArgs(argc, argv);
  SeedGenerators();
  InitSimVars();
}
