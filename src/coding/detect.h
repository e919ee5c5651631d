// Closest-word detection in Hamming distance: the plain detector and the detector that folds the
// repetitions of a repeated codebook onto the base length. Ties go to the highest index.
#pragma once

#include <cstdint>

#include "core/records.h"

// The number of bit positions in which a and b differ.
int32_t HammingDistance(int32_t a, int32_t b);

// Index of the word of codes nearest to word (0 for word 0); a later word at equal distance wins.
int32_t FSFFindWinningWordClosest(const SIM &S, int32_t word, const BINCODES *codes);
// The same after folding the repeat segments of nf / repeat bits of word into one (ORed) and
// comparing with each code's low nf / repeat bits.
int32_t FSFFindWinningWordRepeat(const SIM &S, int32_t word, const BINCODES *codes);
