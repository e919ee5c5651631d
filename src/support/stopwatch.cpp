// Stopwatches read from the time of day with microsecond resolution.
#include "support/stopwatch.h"

#include <sys/time.h>

double Stopwatch(STOPWATCHES &watches, int index) {
  if (index < 0 || index >= 32) return 0.0;
  timeval tim;
  gettimeofday(&tim, nullptr);
  double now = double(tim.tv_sec) + double(tim.tv_usec) / 1000000.0;
  if (!watches.started[index]) {
    watches.started[index] = true;
    watches.instant[index] = now;
    return 0.0;
  }
  watches.started[index] = false;
  watches.results[index] = now - watches.instant[index];
  return watches.results[index];
}
