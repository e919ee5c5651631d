// A contender's transmit decision, the same in every session: a uniform draw against the round's
// transmission probability, and for a transmitter its codeword drawn right after.
#pragma once

#include <cstdint>

#include "core/state.h"
#include "support/mt_rand.h"

// True when the node transmits in round k; a transmitter's word_idx and word are then set, a
// silent node's keep their old values.
inline bool DecidesToTransmit(NODE *node, int32_t k) {
  if (!(genrand_real2() < pt[k])) return false;
  node->word_idx = GenRandGeomUni(tau[k], 0, codewords.count - 1);
  node->word = uint32_t(codewords.codes[node->word_idx]);
  return true;
}
