// The none, binom, num and geom fading masks.
#include "channel/fading_masks.h"

#include "core/state.h"
#include "support/geometric.h"
#include "support/mt_rand.h"
#include "support/word_compare.h"

namespace {

// count distinct uniform positions among nf; a position already faded is drawn again.
uint32_t FadeDistinct(SIM &S, int32_t count) {
  uint32_t faded = 0;
  while (count > 0) {
    uint32_t position = DrawUniform(S.mt_rand, uint32_t(S.nf));
    if (faded >> position & 1u) continue;
    faded |= 1u << position;
    count--;
  }
  return faded;
}

}  // namespace

void FSFRandChannelMaskNone(SIM &, NODE *node) { node->mask = ~0u; }

// One draw per subcarrier, faded when fsf_prob > u: the node's nf draws are compared at once on
// the generator's buffered words, or one by one across the buffer's end.
void FSFRandChannelMaskBinom(SIM &S, NODE *node) {
  uint32_t faded = 0;
  const int32_t nf = S.nf;
  if (S.fsf_prob > 0 && nf > 0) {
    const uint64_t threshold = ThresholdOf(&S.fading_threshold, S.fsf_prob);
    const WORD_WINDOW window = BufferedWords(S.mt_rand);
    if (window.count >= uint32_t(nf)) {
      faded = uint32_t(WordsBelow(window.words, uint32_t(nf), threshold));
      ConsumeWords(S.mt_rand, uint32_t(nf));
    } else {
      for (int32_t b = 0; b < nf; b++)
        if (S.fsf_prob > genrand_real2(S.mt_rand)) faded |= 1u << b;
    }
  }
  node->mask = ~faded;
}

// Whole nodes' words at a time, as many as fit in 64: a node's nf draws are bits i nf to (i + 1) nf
// of the block's comparison.
void FSFRandChannelMasksBinom(SIM &S, int32_t count, uint32_t *masks) {
  const int32_t nf = S.nf;
  if (!(S.fsf_prob > 0 && nf > 0)) {
    for (int32_t i = 0; i < count; i++) masks[i] = S.nodes[i].mask = ~0u;
    return;
  }
  const uint64_t threshold = ThresholdOf(&S.fading_threshold, S.fsf_prob);
  const int32_t per_block = nf <= 64 ? 64 / nf : 0;
  MtRand &g = S.mt_rand;
  int32_t i = 0;
  for (; i + per_block <= count && per_block > 0; i += per_block) {
    const uint32_t words = uint32_t(per_block * nf);
    EnsureWords(g, words);
    const uint64_t faded = WordsBelowFastest(g.buffer + g.next, words, threshold);
    ConsumeWords(g, words);
    for (int32_t j = 0; j < per_block; j++)
      masks[i + j] = S.nodes[i + j].mask = ~uint32_t(faded >> (j * nf) & LowBits(nf));
  }
  for (; i < count; i++) {
    FSFRandChannelMaskBinom(S, &S.nodes[i]);
    masks[i] = S.nodes[i].mask;
  }
}

void FSFRandChannelMaskNumber(SIM &S, NODE *node) {
  int32_t k = S.nf < S.fsf_num ? S.nf : S.fsf_num;
  node->mask = ~FadeDistinct(S, k);
}

void FSFRandChannelMaskGeom(SIM &S, NODE *node) {
  int32_t count;
  if (S.fsf_tau == 0)
    count = int32_t(DrawUniform(S.mt_rand, uint32_t(S.nf) + 1u));
  else
    count = TruncatedGeometric(genrand_real2(S.mt_rand), 1 - S.fsf_tau, S.nf + 1);
  node->mask = ~FadeDistinct(S, count);
}
