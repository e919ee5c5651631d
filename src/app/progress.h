// The progress line of a long run: shown on standard error only when it is a terminal, from one
// second into the loop, a few times a second, and erased before anything else is written.
#pragma once

#include <cstdint>

struct PROGRESS {
  int32_t enabled;    // standard error is a terminal
  int32_t countdown;  // sessions until the clock is read again
  int32_t interval;   // sessions between clock readings, adapted to the session cost
  double started;     // monotonic seconds at the start of the loop
  double checked;     // monotonic seconds at the last clock reading
  double shown;       // monotonic seconds when the line was last drawn (0: never)
  int32_t width;      // characters on the line now (0: nothing to erase)
};
extern PROGRESS progress;

void ProgressStart();
// Draws the line with the given share done (0 to 1) when it is due.
void ProgressShow(double share);
// Erases the line if one is shown.
void ProgressErase();
// The share of the frame quota reached: the least share among the active nodes.
double MinFramesShare();

// True when the clock should be read again; one decrement per session when enabled.
inline bool ProgressDue() { return progress.enabled && --progress.countdown <= 0; }
