// Wall-clock stopwatches 0 to 31: the same call starts and stops a stopwatch alternately.
#pragma once

// The last interval each stopwatch measured, in seconds.
extern double sw_results[32];

// Starts stopwatch index (returns 0) or stops it (returns and stores in sw_results the seconds
// since it was started). An index outside 0 to 31 does nothing and returns 0.
double Stopwatch(int index);
// Stops every stopwatch without measuring and clears the results (state reset).
void ResetStopwatches();
