// Closest-word detectors.
#include "coding/detect.h"

#include <bit>

#include "core/state.h"

int32_t HammingDistance(int32_t a, int32_t b) { return std::popcount(uint32_t(a ^ b)); }

int32_t FSFFindWinningWordClosest(const SIM &, int32_t word, const BINCODES *codes) {
  if (word == 0) return 0;
  int32_t best = codes->nbits, result = 0;
  for (int32_t i = 0; i < codes->count; i++) {
    int32_t d = HammingDistance(word, codes->codes[i]);
    if (d <= best) {
      result = i;
      best = d;
    }
  }
  return result;
}

int32_t FSFFindWinningWordRepeat(const SIM &S, int32_t word, const BINCODES *codes) {
  if (word == 0) return 0;
  const int32_t repeat = S.repeat;
  int32_t base = S.nf / repeat;
  uint32_t low = (1u << base) - 1u;
  uint32_t folded = 0;
  // More repetitions than bits (a codebook file with a large repeat) leaves one empty segment.
  int32_t segments = base > 0 ? repeat : 1;
  for (int32_t r = 0; r < segments && r * base < 32; r++)
    folded |= (uint32_t(word) >> (r * base)) & low;
  int32_t best = 32, result = 0;
  for (int32_t i = 0; i < codes->count; i++) {
    int32_t d = std::popcount(folded ^ (uint32_t(codes->codes[i]) & low));
    if (d <= best) {
      result = i;
      best = d;
    }
  }
  return result;
}
