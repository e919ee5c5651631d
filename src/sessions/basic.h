// The basic session: per-node channel masks (or per-node received powers), the superposed word at
// the referees, one reply per round by the chosen feedback scheme, and each transmitter's own test
// of whether its word won; only winners contend in the next round.
#pragma once

#include <cstdint>

#include "core/records.h"

// Plays one session with the given number of dedicated listeners; 1 for a success, else 0.
int32_t SimSession(SIM &S, int32_t referees);
