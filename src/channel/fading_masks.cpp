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

// Whole nodes' words at a time, as many as fit in 64: node j's nf draws are bits j nf to
// (j + 1) nf of the block's comparison, made by below (the widest form the processor runs).
template <class Below>
inline void MasksByBlocks(SIM &S, int32_t count, uint32_t *masks, uint64_t threshold,
                          Below below) {
  const int32_t nf = S.nf, per_block = 64 / nf;
  const uint32_t low = LowBits(nf);
  MtRand &g = S.mt_rand;
  for (int32_t i = 0; i < count; i += per_block) {
    const int32_t nodes = count - i < per_block ? count - i : per_block;
    const uint32_t words = uint32_t(nodes * nf);
    EnsureWords(g, words);
    const uint64_t faded = below(g.buffer + g.next, words, threshold);
    ConsumeWords(g, words);
    for (int32_t j = 0; j < nodes; j++) masks[i + j] = ~uint32_t(faded >> (j * nf) & low);
  }
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] void MasksByBlocksAvx2(SIM &S, int32_t count, uint32_t *masks,
                                                uint64_t threshold) {
  MasksByBlocks(S, count, masks, threshold, [](const uint32_t *words, uint32_t n, uint64_t t) {
    return WordsBelowAvx2(words, n, t);
  });
}
#endif

void FSFRandChannelMasksBinom(SIM &S, int32_t count, uint32_t *masks) {
  const int32_t nf = S.nf;
  if (!(S.fsf_prob > 0 && nf > 0)) {
    for (int32_t i = 0; i < count; i++) masks[i] = ~0u;
    return;
  }
  const uint64_t threshold = ThresholdOf(&S.fading_threshold, S.fsf_prob);
  if (nf > 64) {  // no node's draws fit in one block: node by node
    for (int32_t i = 0; i < count; i++) {
      FSFRandChannelMaskBinom(S, &S.nodes[i]);
      masks[i] = S.nodes[i].mask;
    }
    return;
  }
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return MasksByBlocksAvx2(S, count, masks, threshold);
#endif
  MasksByBlocks(S, count, masks, threshold, WordsBelow);
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
