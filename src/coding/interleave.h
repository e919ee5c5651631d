// Interleavers of the referee's reply word over nf bits: none, a rotation by one position, and a
// scramble by a random permutation drawn once, at the first interleaving.
#pragma once

#include <cstdint>

#include "core/records.h"

int32_t FSFInterleaveWordNone(SIM &S, int32_t word);
int32_t FSFDeinterleaveWordNone(SIM &S, int32_t word);

// Rotate right by one within nf bits; the de-interleaver rotates left.
int32_t FSFInterleaveWordRotate(SIM &S, int32_t word);
int32_t FSFDeinterleaveWordRotate(SIM &S, int32_t word);

// Bit j of the result is bit bitScramble[j] of the word; the permutation is drawn from the own
// generator on the first call. The de-interleaver applies the inverse and never draws.
int32_t FSFInterleaveWordScramble(SIM &S, int32_t word);
int32_t FSFDeinterleaveWordScramble(SIM &S, int32_t word);
