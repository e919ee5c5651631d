// Interleavers and their inverses.
#include "coding/interleave.h"

#include <algorithm>

#include "core/state.h"
#include "support/keyed_rand.h"

namespace {

// Draws bitScramble as a uniform permutation of 0 .. nf - 1, position by position, drawing a
// position again while it is taken, and records its inverse in bitUnscramble.
void DrawScramble(SIM &S) {
  int32_t n = std::min(S.nf, kMaxWordBits);
  SETUP_WORDS words(S.mt_rand, S.keyed, KEYED_SETUP_SCRAMBLE);
  const UNIFORM_BUCKETS buckets = BucketsOver(uint32_t(n));
  for (int32_t j = 0; j < n; j++) {
    int32_t v;
    do v = int32_t(IndexFromWords(buckets, words));
    while (std::find(S.bitScramble, S.bitScramble + j, v) != S.bitScramble + j);
    S.bitScramble[j] = v;
    S.bitUnscramble[v] = j;
  }
  S.bitScrambleDrawn = 1;
}

uint32_t Permute(const SIM &S, uint32_t word, const int32_t *source) {
  uint32_t result = 0;
  for (int32_t j = 0; j < std::min(S.nf, kMaxWordBits); j++) result |= (word >> source[j] & 1u) << j;
  return result;
}

}  // namespace

int32_t FSFInterleaveWordNone(SIM &, int32_t word) { return word; }
int32_t FSFDeinterleaveWordNone(SIM &, int32_t word) { return word; }

int32_t FSFInterleaveWordRotate(SIM &S, int32_t word) {
  uint32_t w = uint32_t(word);
  return int32_t(((w & 1u) << (S.nf - 1)) | (w >> 1));
}

int32_t FSFDeinterleaveWordRotate(SIM &S, int32_t word) {
  uint32_t w = uint32_t(word);
  return int32_t(((w << 1) | (w >> (S.nf - 1) & 1u)) & LowBits(S.nf));
}

int32_t FSFInterleaveWordScramble(SIM &S, int32_t word) {
  if (!S.bitScrambleDrawn) DrawScramble(S);
  return int32_t(Permute(S, uint32_t(word), S.bitScramble));
}

int32_t FSFDeinterleaveWordScramble(SIM &S, int32_t word) {
  return int32_t(Permute(S, uint32_t(word), S.bitUnscramble));
}
