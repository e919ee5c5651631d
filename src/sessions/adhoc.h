// The ad hoc received-power session: no access point; nodes that leave the contention become
// referees and reply with class words that add up at the receivers.
#pragma once

#include <cstdint>

#include "sessions/rssi_round.h"

// Plays one session (the argument is not used); 1 for a success, else 0.
int32_t SimSessionAdhocRSSI(SIM &S, int32_t referees);
// Plays round i among the contenders of NL_ALIVE and the referees of NL_REFEREES, with the pair
// gains as they stand: returns the session's result (1 or 0, its ending booked) when the session
// ends in this round, otherwise kSessionGoesOn with NL_ALIVE holding the next round's contenders.
int32_t SimRoundAdhocRSSI(SIM &S, int32_t i);
