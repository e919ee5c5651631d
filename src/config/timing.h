// The timing model: how long a session lasts on the air when it ends in a success (t_succ) or
// without one (t_coll), for an OFDM layer of 4 us symbols and a 20 us preamble, RTS/CTS on or off.
#pragma once

#include "core/records.h"

// Fills difs when it is 0 (sifs + ts), then t_cont, t_succ and t_coll.
void ComputeTiming(SIM &S);
