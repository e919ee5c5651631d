// The program's start-up: the options, both generators and the set-up, in that order, leaving a
// simulation state ready for the first session.
#pragma once

// Reads the options (help and option errors end the process there), seeds the generators (from
// the seed option, or from the time of day) and runs the set-up; seed then holds the run's seed.
void StartUp(int argc, char **argv);
