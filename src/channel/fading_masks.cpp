// The none, binom, num and geom fading masks.
#include "channel/fading_masks.h"

#include <cstring>

#include "core/state.h"
#include "support/below_threshold.h"
#include "support/geometric.h"
#include "support/keyed_rand.h"
#include "support/mt_rand.h"
#include "support/word_compare.h"

namespace {

// count distinct uniform positions among nf, each from position(); a position already faded is
// drawn again.
template <class Position>
uint32_t FadeDistinctBy(int32_t count, Position position) {
  uint32_t faded = 0;
  while (count > 0) {
    const uint32_t at = position();
    if (faded >> at & 1u) continue;
    faded |= 1u << at;
    count--;
  }
  return faded;
}

uint32_t FadeDistinct(SIM &S, int32_t count) {
  return FadeDistinctBy(count, [&S] { return DrawUniform(S.mt_rand, uint32_t(S.nf)); });
}

// The node's keyed stream of mask draws in the session under way; the first draws words of
// every active node are made together.
KEYED_NODE_STREAM MaskStream(SIM &S, const NODE *node, uint32_t draws) {
  return KeyedNodeStream(S.keyed.node_words, S.keyed.seed, KEYED_MASK, S.keyed.session, draws,
                         uint32_t(S.nn), uint32_t(node->id));
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

// Whole nodes' draws at a time, as many as the generator's buffer holds: node j's nf draws are
// marks j nf to (j + 1) nf of the chunk's comparison, made by mark (the widest form the
// processor runs), and read from the marks as one unaligned 64-bit little-endian word.
template <class Mark>
inline void MasksByMarks(SIM &S, int32_t count, uint32_t *masks, uint64_t threshold, Mark mark) {
  const int32_t nf = S.nf, per_chunk = int32_t(kMaxBufferedWords) / nf;
  const uint32_t low = LowBits(nf);
  MtRand &g = S.mt_rand;
  uint8_t marks[kMaxBufferedWords / 8 + 1 + sizeof(uint64_t)];
  for (int32_t i = 0; i < count; i += per_chunk) {
    const int32_t nodes = count - i < per_chunk ? count - i : per_chunk;
    const uint32_t words = uint32_t(nodes * nf);
    EnsureWords(g, words);
    mark(g.buffer + g.next, words, threshold, marks);
    ConsumeWords(g, words);
    // The bytes past the last one written, read by the last nodes' words, hold no marks.
    const uint64_t none = 0;
    std::memcpy(marks + (words + 7) / 8, &none, sizeof none);
    for (int32_t j = 0; j < nodes; j++) {
      const uint32_t at = uint32_t(j * nf);
      uint64_t bits;
      std::memcpy(&bits, marks + at / 8, sizeof bits);
      masks[i + j] = ~(uint32_t(bits >> (at % 8)) & low);
    }
  }
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] void MasksByMarksAvx2(SIM &S, int32_t count, uint32_t *masks,
                                              uint64_t threshold) {
  MasksByMarks(S, count, masks, threshold,
               [](const uint32_t *words, uint32_t n, uint64_t t, uint8_t *marks) {
                 MarkWordsBelowAvx2(words, n, t, marks);
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
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return MasksByMarksAvx2(S, count, masks, threshold);
#endif
  MasksByMarks(S, count, masks, threshold, MarkWordsBelow);
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

// Subcarrier b is faded when its keyed uniform lies below fsf_prob: word b of the node's stream.
void FSFRandChannelMaskBinomKeyed(SIM &S, NODE *node) {
  uint32_t faded = 0;
  if (S.fsf_prob > 0 && S.nf > 0) {
    const uint64_t threshold = ThresholdOf(&S.fading_threshold, S.fsf_prob);
    KEYED_NODE_STREAM stream = MaskStream(S, node, 0);
    for (int32_t b = 0; b < S.nf; b++) faded |= uint32_t(stream() < threshold) << b;
  }
  node->mask = ~faded;
}

// The same words, made for every node together: subcarriers 4d .. 4d + 3 of node i are the words
// table[(d * nn + i) * 4 ..], compared four at a time.
void FSFRandChannelMasksBinomKeyed(SIM &S) {
  const uint32_t nodes = uint32_t(S.nn), draws = (uint32_t(S.nf) + 3) / 4;
  if (!(S.fsf_prob > 0 && S.nf > 0)) {
    for (uint32_t i = 0; i < nodes; i++) S.nodes[i].mask = ~0u;
    return;
  }
  const uint64_t threshold = ThresholdOf(&S.fading_threshold, S.fsf_prob);
  const uint32_t *table = KeyedNodeWords(S.keyed.node_words, S.keyed.seed, KEYED_MASK,
                                         S.keyed.session, draws, nodes);
  const uint32_t subcarriers = LowBits(S.nf);
  const size_t step = size_t(nodes) * 4;  // from a node's draw d to its draw d + 1
  for (uint32_t i = 0; i < nodes; i++) {
    const uint32_t *words = table + size_t(i) * 4;
    uint32_t faded = FourBelow(words, threshold);
    for (uint32_t d = 1; d < draws; d++) faded |= FourBelow(words += step, threshold) << 4 * d;
    S.nodes[i].mask = ~(faded & subcarriers);
  }
}

void FSFRandChannelMaskNumberKeyed(SIM &S, NODE *node) {
  KEYED_NODE_STREAM stream = MaskStream(S, node, 1);
  auto next = [&] { return stream(); };
  const UNIFORM_BUCKETS &buckets = BucketsFor(S.mt_rand, uint32_t(S.nf));
  const int32_t count = S.nf < S.fsf_num ? S.nf : S.fsf_num;
  node->mask = ~FadeDistinctBy(count, [&] { return IndexFromWords(buckets, next); });
}

void FSFRandChannelMaskGeomKeyed(SIM &S, NODE *node) {
  KEYED_NODE_STREAM stream = MaskStream(S, node, 1);
  auto next = [&] { return stream(); };
  int32_t count;
  if (S.fsf_tau == 0)
    count = int32_t(IndexFromWords(BucketsOver(uint32_t(S.nf) + 1u), next));
  else
    count = TruncatedGeometric(next() * (1.0 / 4294967296.0), 1 - S.fsf_tau, S.nf + 1);
  const UNIFORM_BUCKETS buckets = BucketsOver(uint32_t(S.nf));
  node->mask = ~FadeDistinctBy(count, [&] { return IndexFromWords(buckets, next); });
}
