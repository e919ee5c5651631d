// The whole program: the requests answered without a run (help, --version, --describe), start-up,
// the run loop with its stopwatch, the report and the checked end of the results, the seed and
// interruption notes on standard error.
#pragma once

// Runs the program with its command line and returns its exit status (most ends exit earlier).
int RunProgram(int argc, char **argv);
