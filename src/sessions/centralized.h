// The centralized received-power session: an access point referees every round over links of gain
// 1.0; silent contenders that sense energy leave, and the others stay only if they hear no reply.
#pragma once

#include <cstdint>

// Plays one session (the argument is not used); 1 for a success, else 0.
int32_t SimSessionCentralizedRSSI(int32_t referees);
