// Whether a run can end: a frame quota needs sessions that can succeed, and a time limit needs
// sessions whose durations move the simulated clock. A run that could never end is refused.
#pragma once

#include <string>

#include "core/records.h"

// Empty when a session of this set-up can end in a success; otherwise why it cannot, naming the
// options. The set-up's lists, codebook and received-power thresholds must be ready.
std::string WhyNoSuccess(const SIM &S);

// Ends the process with status 1 when min_frames is above 0 (and no time limit is set) and no
// session can succeed.
void CheckQuotaReachable(const SIM &S);
// Ends the process with status 1 when max_time is above 0 and neither a collision's duration nor,
// where a session can succeed, a success's advances a clock of max_time milliseconds.
void CheckTimeLimitReachable(const SIM &S);
