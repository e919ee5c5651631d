// The ad hoc received-power session: no access point; nodes that leave the contention become
// referees and reply with class words that add up at the receivers.
#pragma once

#include <cstdint>

// Plays one session (the argument is not used); 1 for a success, else 0.
int32_t SimSessionAdhocRSSI(int32_t referees);
