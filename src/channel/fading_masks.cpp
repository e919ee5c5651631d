// The none, binom, num and geom fading masks.
#include "channel/fading_masks.h"

#include "core/state.h"
#include "support/geometric.h"
#include "support/mt_rand.h"
#include "support/word_compare.h"

namespace {

// count distinct uniform positions among nf; a position already faded is drawn again.
uint32_t FadeDistinct(int32_t count) {
  uint32_t faded = 0;
  while (count > 0) {
    uint32_t position = DrawUniform(uint32_t(nf));
    if (faded >> position & 1u) continue;
    faded |= 1u << position;
    count--;
  }
  return faded;
}

}  // namespace

void FSFRandChannelMaskNone(NODE *node) { node->mask = ~0u; }

// One draw per subcarrier, faded when fsf_prob > u: the node's nf draws are compared at once on
// the generator's buffered words, or one by one across the buffer's end.
void FSFRandChannelMaskBinom(NODE *node) {
  uint32_t faded = 0;
  if (fsf_prob > 0 && nf > 0) {
    static LAST_THRESHOLD last;
    const uint64_t threshold = ThresholdOf(&last, fsf_prob);
    const WORD_WINDOW window = BufferedWords();
    if (window.count >= uint32_t(nf)) {
      faded = uint32_t(WordsBelow(window.words, uint32_t(nf), threshold));
      ConsumeWords(uint32_t(nf));
    } else {
      for (int32_t b = 0; b < nf; b++)
        if (fsf_prob > genrand_real2()) faded |= 1u << b;
    }
  }
  node->mask = ~faded;
}

void FSFRandChannelMaskNumber(NODE *node) {
  int32_t k = nf < fsf_num ? nf : fsf_num;
  node->mask = ~FadeDistinct(k);
}

void FSFRandChannelMaskGeom(NODE *node) {
  int32_t count;
  if (fsf_tau == 0)
    count = int32_t(DrawUniform(uint32_t(nf) + 1u));
  else
    count = TruncatedGeometric(genrand_real2(), 1 - fsf_tau, nf + 1);
  node->mask = ~FadeDistinct(count);
}
