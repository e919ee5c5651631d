// Reset of the generators, stopwatches and allocation record.
#include "support/reset.h"

#include "support/alloc.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"

void ResetSupport() {
  ReleaseAllBlocks();
  ReleaseRandGSL();
  ResetGenRand();
  ResetStopwatches();
}
