// Wall-clock stopwatches 0 to 31: the same call starts and stops a stopwatch alternately.
#pragma once

struct STOPWATCHES {
  double results[32] = {};  // the last interval each stopwatch measured, in seconds
  bool started[32] = {};
  double instant[32] = {};  // when each running stopwatch started
};

// Starts stopwatch index (returns 0) or stops it (returns and stores in results the seconds since
// it was started). An index outside 0 to 31 does nothing and returns 0.
double Stopwatch(STOPWATCHES &watches, int index);
