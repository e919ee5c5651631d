// The Hamming(7,4) code of the "hamm74" feedback: a class index 0 .. 15 sent as a 7-bit codeword
// on subcarriers 0 .. 6 that survives the loss of any one bit.
#pragma once

#include <cstdint>

#include "core/records.h"

// The code table (value -> codeword) and the bit each syndrome points at.
extern const int32_t hammingCodes[16];
extern const int32_t syndromeMask[8];

// Bits 0-3 carry d0-d3; bit 4 = d0^d2^d3, bit 5 = d0^d1^d3, bit 6 = d0^d1^d2.
int32_t Hamming74Encode(int32_t value);
// Corrects the bit the syndrome points at and returns the low four bits.
int32_t Hamming74Decode(int32_t received);

// Fills cached_hamming74_encode and cached_hamming74_decode by the rules above.
void BuildHamming74Tables(SIM &S);
