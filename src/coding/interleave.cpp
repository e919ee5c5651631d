// Interleavers and their inverses.
#include "coding/interleave.h"

#include <algorithm>

#include "core/state.h"
#include "support/mt_rand.h"

namespace {

// Draws bitScramble as a uniform permutation of 0 .. nf - 1, position by position, drawing a
// position again while it is taken, and records its inverse in bitUnscramble.
void DrawScramble() {
  int32_t n = std::min(nf, int32_t(26));
  for (int32_t j = 0; j < n; j++) {
    int32_t v;
    do v = int32_t(DrawUniform(uint32_t(n)));
    while (std::find(bitScramble, bitScramble + j, v) != bitScramble + j);
    bitScramble[j] = v;
    bitUnscramble[v] = j;
  }
  bitScrambleDrawn = 1;
}

uint32_t Permute(uint32_t word, const int32_t *source) {
  uint32_t result = 0;
  for (int32_t j = 0; j < std::min(nf, int32_t(26)); j++) result |= (word >> source[j] & 1u) << j;
  return result;
}

}  // namespace

int32_t FSFInterleaveWordNone(int32_t word) { return word; }
int32_t FSFDeinterleaveWordNone(int32_t word) { return word; }

int32_t FSFInterleaveWordRotate(int32_t word) {
  uint32_t w = uint32_t(word);
  return int32_t(((w & 1u) << (nf - 1)) | (w >> 1));
}

int32_t FSFDeinterleaveWordRotate(int32_t word) {
  uint32_t w = uint32_t(word);
  return int32_t(((w << 1) | (w >> (nf - 1) & 1u)) & LowBits(nf));
}

int32_t FSFInterleaveWordScramble(int32_t word) {
  if (!bitScrambleDrawn) DrawScramble();
  return int32_t(Permute(uint32_t(word), bitScramble));
}

int32_t FSFDeinterleaveWordScramble(int32_t word) {
  return int32_t(Permute(uint32_t(word), bitUnscramble));
}
