// The run loop: plays sessions until the stop rule holds (simulated time, else the per-node frame
// quota, else the iteration count with the node-count schedule) and sums their results.
#pragma once

#include <cstdint>

#include "core/records.h"

// Picks the session routine for the whole run: ad hoc, else centralized, else basic.
SessionFn ChooseSession();

// Runs the loop with the given session routine; returns the number of successful sessions and
// leaves the number of sessions made in runs.
int32_t RunLoop(SessionFn session);
