// Hamming(7,4) encoding and single-error decoding.
#include "coding/hamming74.h"

#include "core/state.h"

const int32_t hammingCodes[16] = {0, 113, 98, 19, 84, 37, 54, 71, 56, 73, 90, 43, 108, 29, 14, 127};
const int32_t syndromeMask[8] = {0, 16, 32, 8, 64, 4, 2, 1};

namespace {
int32_t Bit(int32_t word, int b) { return word >> b & 1; }
}  // namespace

int32_t Hamming74Encode(int32_t d) {
  int32_t p4 = Bit(d, 0) ^ Bit(d, 2) ^ Bit(d, 3);
  int32_t p5 = Bit(d, 0) ^ Bit(d, 1) ^ Bit(d, 3);
  int32_t p6 = Bit(d, 0) ^ Bit(d, 1) ^ Bit(d, 2);
  return (d & 15) | p4 << 4 | p5 << 5 | p6 << 6;
}

int32_t Hamming74Decode(int32_t r) {
  int32_t s1 = Bit(r, 0) ^ Bit(r, 1) ^ Bit(r, 2) ^ Bit(r, 6);
  int32_t s2 = Bit(r, 0) ^ Bit(r, 1) ^ Bit(r, 3) ^ Bit(r, 5);
  int32_t s3 = Bit(r, 0) ^ Bit(r, 2) ^ Bit(r, 3) ^ Bit(r, 4);
  return (r ^ syndromeMask[4 * s1 + 2 * s2 + s3]) & 15;
}

void BuildHamming74Tables(SIM &S) {
  for (int32_t d = 0; d < 16; d++) S.cached_hamming74_encode[d] = Hamming74Encode(d);
  for (int32_t w = 0; w < 128; w++) S.cached_hamming74_decode[w] = Hamming74Decode(w);
}
