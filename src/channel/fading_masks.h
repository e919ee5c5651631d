// Per-node fading masks, drawn once per node at the start of every basic session: bit b of the
// mask set means subcarrier b gets through. Each model writes only the node's mask, as the
// complement of its faded set, so the bits at and above nf stay set.
#pragma once

#include "core/records.h"

// No fading; draws nothing.
void FSFRandChannelMaskNone(SIM &S, NODE *node);
// Each of the nf subcarriers faded independently with probability fsf_prob (one draw each).
void FSFRandChannelMaskBinom(SIM &S, NODE *node);
// The binomial masks of the first count nodes, in node order, into masks[i] (not the records):
// the same draws as FSFRandChannelMaskBinom node by node, compared a block of words at a time.
void FSFRandChannelMasksBinom(SIM &S, int32_t count, uint32_t *masks);
// min(nf, fsf_num) distinct subcarriers faded, at uniform positions.
void FSFRandChannelMaskNumber(SIM &S, NODE *node);
// A truncated geometric number (0 .. nf, parameter fsf_tau; uniform when fsf_tau is 0) of
// distinct subcarriers faded, at uniform positions.
void FSFRandChannelMaskGeom(SIM &S, NODE *node);

// The same three models with keyed draws (rng=keyed), each a function of the seed, the session,
// the node's identity and the subcarrier (binom) or the draw's place in the node's stream.
void FSFRandChannelMaskBinomKeyed(SIM &S, NODE *node);
void FSFRandChannelMaskNumberKeyed(SIM &S, NODE *node);
void FSFRandChannelMaskGeomKeyed(SIM &S, NODE *node);
// The binomial masks of every active node at once, as FSFRandChannelMaskBinomKeyed draws them.
void FSFRandChannelMasksBinomKeyed(SIM &S);
