// The run loop: plays sessions until the stop rule holds (simulated time, else the per-node frame
// quota, else the iteration count with the node-count schedule) or the run is interrupted, and
// counts them and their successes.
#pragma once

#include <cstdint>

#include "core/records.h"

// Sessions made and sessions that ended in a success.
struct RUN_TOTALS {
  int64_t sessions, successes;
};

// Picks the session routine for the whole run: ad hoc, else centralized, else basic.
SessionFn ChooseSession(const SIM &S);

// Runs the loop with the given session routine; an interruption ends it between two sessions.
RUN_TOTALS RunLoop(SIM &S, SessionFn session);
