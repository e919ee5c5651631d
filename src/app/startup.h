// The program's start-up: the options, both generators and the set-up, in that order, leaving a
// simulation ready for the first session.
#pragma once

#include "core/records.h"

// Reads the options into S (help and option errors end the process there), seeds the generators
// (from the seed option, or from the time of day) and runs the set-up; seed then holds the run's
// seed.
void StartUp(SIM &S, int argc, char **argv);
