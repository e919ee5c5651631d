// Stopwatches read from the time of day with microsecond resolution.
#include "support/stopwatch.h"

#include <sys/time.h>

double sw_results[32];

namespace {
bool sw_started[32];
double sw_instant[32];
timeval sw_tim;
}  // namespace

double Stopwatch(int index) {
  if (index < 0 || index >= 32) return 0.0;
  gettimeofday(&sw_tim, nullptr);
  double now = double(sw_tim.tv_sec) + double(sw_tim.tv_usec) / 1000000.0;
  if (!sw_started[index]) {
    sw_started[index] = true;
    sw_instant[index] = now;
    return 0.0;
  }
  sw_started[index] = false;
  sw_results[index] = now - sw_instant[index];
  return sw_results[index];
}

void ResetStopwatches() {
  for (int i = 0; i < 32; i++) {
    sw_started[i] = false;
    sw_results[i] = 0.0;
  }
}
