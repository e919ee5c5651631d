// Transmit decisions a window at a time. The equivalence it keeps: every contender, in list order,
// reads one word as its decision and, when it transmits, the next word as its codeword, exactly as
// DecidesToTransmit would; the stream advances by the same words. The test
// WindowedDecisions.EqualTheContenderByContenderPath guards it.
#include "sessions/decide_window.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "core/state.h"
#include "sessions/transmit.h"
#include "support/mt_rand.h"
#include "support/word_compare.h"

namespace {

// One survivor's decision straight from the generator: the rare case of the windowed pass below,
// kept out of it.
[[gnu::noinline]] bool DecidesToTransmitOutOfLine(SIM &S, NODE *node, int32_t k) {
  return DecidesToTransmit(S, node, k);
}

// The lowest n set bits of bits; always n steps, so that the loop's end is foreseeable.
uint64_t LowestSetBits(uint64_t bits, int32_t n) {
  uint64_t rest = bits;
  for (int32_t j = 0; j < n; j++) rest &= rest - 1;
  return bits & ~rest;
}

}  // namespace

// The decisions are coin tosses the processor cannot predict and each one places the next, so
// they are not taken one by one: a window of up to 64 buffered words is compared with the
// threshold at once, the decision words among them are found by bit arithmetic, and only the
// transmitters are visited. A codeword draw that must be taken again, and the buffer's end, go
// the general way.
void DrawTransmittersUniformMask(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k) {
  // Rounds mostly share one probability, and converting it would hold up the round's start.
  const uint64_t threshold = ThresholdOf(&S.pt_threshold, S.pt[k]);
  MtRand &g = S.mt_rand;
  const uint32_t m = uint32_t(S.codewords.count);
  const UNIFORM_BUCKETS buckets = BucketsFor(g, m);
  const int32_t *codes = S.codewords.codes;
  NODE *const *contenders = alive->members;
  NODE **senders = tx->members;
  uint32_t heard = 0;
  int32_t count = 0, i = 0;
  while (i < alive->count) {
    // r contenders read at most 2r words; a decision in the window's last word is left to the
    // next window, whose codeword word would lie beyond it.
    const int32_t r = alive->count - i;
    const WORD_WINDOW window = BufferedWords(g);
    const uint32_t words = std::min({64u, window.count, 2u * uint32_t(std::min(r, 32))});
    if (words >= 2) {
      // A few words are compared in line; many in the processor's widest form.
      const uint64_t below = words <= 16 ? WordsBelow(window.words, words, threshold)
                                         : WordsBelowFastest(window.words, words, threshold);
      const uint64_t sending = TransmittingDecisions(below);
      uint64_t decisions = ~(sending << 1) & (~uint64_t(0) >> (65 - words));
      // Few contenders left: cut the decisions to them in a loop of foreseeable length; many: the
      // window rarely holds more decisions than contenders.
      if (r < 32 || std::popcount(decisions) > r) decisions = LowestSetBits(decisions, r);
      uint64_t left = decisions & sending;
      bool redraw = false;
      while (left) {
        const int bit = std::countr_zero(left);
        assert(uint32_t(bit) + 1 < words);  // a transmitter's codeword word is in the window
        const uint32_t index = BucketOf(window.words[bit + 1], buckets);
        if (index >= m) {  // taken again below, from this contender's decision on
          decisions &= (uint64_t(1) << bit) - 1;
          redraw = true;
          break;
        }
        // The contender's place: the decisions up to and including its own, less one.
        NODE *node = contenders[i + std::popcount(decisions & (left ^ (left - 1))) - 1];
        const uint32_t word = uint32_t(codes[index]);
        node->word_idx = int32_t(index);
        node->word = word;
        heard |= word & node->mask;
        senders[count++] = node;
        left &= left - 1;
      }
      i += std::popcount(decisions);
      if (decisions) {
        const int last = 63 - std::countl_zero(decisions);
        ConsumeWords(g, uint32_t(last) + 1 + uint32_t(below >> last & 1));
      }
      if (!redraw) continue;
    }
    NODE *node = contenders[i++];
    if (DecidesToTransmitOutOfLine(S, node, k)) {
      heard |= node->word & node->mask;
      senders[count++] = node;
    }
  }
  S.ORed_word = heard;
  tx->count = count;
}
