// The progress line of a long run on standard error, as drawn so far (app/progress.h draws it):
// a terminal line is erased before anything else is written there, a failure's message included.
#pragma once

#include <cstdint>
#include <cstdio>

struct PROGRESS_LINE {
  int32_t enabled = 0;      // lines are drawn
  int32_t in_place = 0;     // a terminal: one line redrawn and erased; otherwise whole lines
  double first = 0;         // seconds into the loop of the first line
  double every = 0;         // seconds between lines
  int32_t countdown = 0;    // sessions until the clock is read again
  int32_t interval = 0;     // sessions between clock readings, adapted to the session cost
  double started = 0;       // monotonic seconds at the start of the loop
  double checked = 0;       // monotonic seconds at the last clock reading
  double shown = 0;         // monotonic seconds when the line was last drawn (0: never)
  int32_t width = 0;        // characters on the terminal line now (0: nothing to erase)
};

// Erases the terminal line if one is shown.
inline void ProgressErase(PROGRESS_LINE &p) {
  if (p.width > 0) {
    fprintf(stderr, "\r%*s\r", int(p.width), "");
    fflush(stderr);
  }
  p.width = 0;
}
