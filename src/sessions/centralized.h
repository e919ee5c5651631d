// The centralized received-power session: an access point referees every round over links of gain
// 1.0; silent contenders that sense energy leave, and the others stay only if they hear no reply.
#pragma once

#include <cstdint>

#include "sessions/rssi_round.h"

// Plays one session (the argument is not used); 1 for a success, else 0.
int32_t SimSessionCentralizedRSSI(SIM &S, int32_t referees);
// Plays round i among the contenders of NL_ALIVE with the pair gains as they stand: returns the
// session's result (1 or 0, its ending booked) when the session ends in this round, otherwise
// kSessionGoesOn with NL_ALIVE holding the next round's contenders.
int32_t SimRoundCentralizedRSSI(SIM &S, int32_t i);
