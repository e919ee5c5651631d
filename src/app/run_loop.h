// The run loop: plays sessions until the stop rule holds (simulated time, else the per-node frame
// quota, else the iteration count with the node-count schedule) or the run is interrupted, and
// counts them and their successes; with threads, sessions played by worker threads.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "support/ps_interval.h"

// Sessions made and sessions that ended in a success; in adaptive mode, where each session depends
// on those before it, also the successes in batches of consecutive sessions.
struct RUN_TOTALS {
  int64_t sessions, successes;
  BATCH_MEANS batches;
};

// Picks the session routine for the whole run: ad hoc, else centralized, else basic.
SessionFn ChooseSession(const SIM &S);

// Runs the loop with the given session routine; an interruption ends it between two sessions.
// With threads above 1 (keyed draws), worker threads play the sessions in simulations set up from
// the run's command line argc, argv, and this thread books them in order.
RUN_TOTALS RunLoop(SIM &S, SessionFn session, int argc = 0, char **argv = nullptr);
