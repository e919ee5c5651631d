// A contender's transmit decision, the same in every session: a uniform draw against the round's
// transmission probability, and for a transmitter its codeword drawn right after; and the positions
// of the decisions in a run of generator words, found for many contenders at once.
#pragma once

#include <cstdint>

#include "core/state.h"
#include "support/mt_rand.h"

// The same decision with keyed draws (rng=keyed): the node's uniform word of the round against
// the round's probability, then its codeword from the next words of its place.
bool KeyedDecidesToTransmit(SIM &S, NODE *node, int32_t k);
// The keyed decisions of round k for every alive node at once: the transmitters, with their
// codewords, into tx and the others into silent (unless null), in the order of alive; under the
// mask model the transmitters' words under their masks are ORed into ored (unless null).
void KeyedDecideRound(SIM &S, const NODELIST *alive, NODELIST *tx, NODELIST *silent, int32_t k,
                      uint32_t *ored);
// The same decisions for a round of the windowed session: the transmitters' places among the
// count contenders and their codewords' classes into senders, their superposed word (through
// masks[place] when masked) into *heard; the nodes are not visited. Returns the transmitters.
template <bool masked>
int32_t KeyedDecideRoundOfPlaces(SIM &S, NODE *const *contenders, const uint32_t *masks,
                                 int32_t count, const SENDERS &senders, int32_t k,
                                 uint64_t threshold, uint32_t *heard);

// True when the node transmits in round k; a transmitter's word_idx and word are then set, a
// silent node's keep their old values.
inline bool DecidesToTransmit(SIM &S, NODE *node, int32_t k) {
  if (S.keyed.on) [[unlikely]]
    return KeyedDecidesToTransmit(S, node, k);
  if (!(genrand_real2(S.mt_rand) < S.pt[k])) return false;
  node->word_idx = S.GenRandGeomUni(S, S.tau[k], 0, S.codewords.count - 1);
  node->word = uint32_t(S.codewords.codes[node->word_idx]);
  return true;
}

// Contenders read the stream in turn: a decision word, and after a decision to transmit, one
// codeword word. Given the bits of a run of words that would decide to transmit (bit j for the
// j-th word, the first word being a decision), returns the bits of the words that are decisions to
// transmit. Within each run of such words, only every other one, from its first, is a decision;
// the others are codewords. Runs that start on an odd bit are found by letting an added start bit
// carry through them.
inline uint64_t TransmittingDecisions(uint64_t below) {
  constexpr uint64_t kEven = 0x5555555555555555u;
  const uint64_t starts = below & ~(below << 1);
  const uint64_t odd_runs = below & ~(below + (starts & ~kEven));
  return (odd_runs & ~kEven) | (below & ~odd_runs & kEven);
}
