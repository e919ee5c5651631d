// The progress line of a long run on standard error: sessions done, the share done, sessions per
// second, the time left and the running Ps. Without the progress option it is drawn only on a
// terminal, from one second into the loop, a few times a second, and erased before anything else
// is written; progress=SECONDS draws it every SECONDS seconds, as whole lines when standard error
// is not a terminal (batch logs); progress=0 turns it off. Its state is the simulation's
// progress_line (core/progress_line.h).
#pragma once

#include <cstdint>

#include "core/state.h"

void ProgressStart(SIM &S);
// Draws the line when it is due, with the share done (0 to 1) and the sessions and successes so
// far.
void ProgressShow(SIM &S, double share, int64_t sessions, int64_t successes);
// The share of the frame quota reached: the least share among the active nodes.
double MinFramesShare(const SIM &S);

// True when the clock should be read again; one decrement per session when enabled.
inline bool ProgressDue(PROGRESS_LINE &p) { return p.enabled && --p.countdown <= 0; }
