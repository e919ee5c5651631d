// The transmit decisions of a basic-session round taken a window of generator words at a time,
// for uniform codeword draws under the mask model: the same decisions, codewords and superposed
// word as deciding contender by contender, from the same words of the stream.
#pragma once

#include <cstdint>

#include "core/records.h"

// Decides which contenders of alive transmit in round k, with their codewords: tx holds the
// transmitters in list order and ORed_word their superposed word under their masks.
void DrawTransmittersUniformMask(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k);
