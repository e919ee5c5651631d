// The progress line of a long run on standard error: sessions done, the share done, sessions per
// second, the time left and the running Ps. Without the progress option it is drawn only on a
// terminal, from one second into the loop, a few times a second, and erased before anything else
// is written; progress=SECONDS draws it every SECONDS seconds, as whole lines when standard error
// is not a terminal (batch logs); progress=0 turns it off.
#pragma once

#include <cstdint>

struct PROGRESS_LINE {
  int32_t enabled;     // lines are drawn
  int32_t in_place;    // a terminal: one line redrawn and erased; otherwise whole lines
  double first, every; // seconds into the loop of the first line, and between lines
  int32_t countdown;   // sessions until the clock is read again
  int32_t interval;    // sessions between clock readings, adapted to the session cost
  double started;      // monotonic seconds at the start of the loop
  double checked;      // monotonic seconds at the last clock reading
  double shown;        // monotonic seconds when the line was last drawn (0: never)
  int32_t width;       // characters on the terminal line now (0: nothing to erase)
};
extern PROGRESS_LINE progress_line;

void ProgressStart();
// Draws the line when it is due, with the share done (0 to 1) and the sessions and successes so
// far.
void ProgressShow(double share, int64_t sessions, int64_t successes);
// Erases the terminal line if one is shown.
void ProgressErase();
// The share of the frame quota reached: the least share among the active nodes.
double MinFramesShare();

// True when the clock should be read again; one decrement per session when enabled.
inline bool ProgressDue() { return progress_line.enabled && --progress_line.countdown <= 0; }
