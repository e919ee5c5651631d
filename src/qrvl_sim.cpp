// QRVL Simulator: Monte Carlo simulation of OFDM-signalled contention with referee feedback.
// One run per process: start up, play the sessions, report.
#include "app/program.h"

int main(int argc, char **argv) { return RunProgram(argc, argv); }
