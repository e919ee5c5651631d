// The basic contention session.
#include "sessions/basic.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "channel/fading_masks.h"
#include "coding/codeword_draw.h"
#include "coding/feedback.h"
#include "coding/superpose.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"
#include "support/mt_rand.h"

namespace {

// Each survivor transmits with probability pt[k]; a transmitter draws its codeword right away and
// adds it to the superposed word.
void DrawTransmitters(const NODELIST *alive, NODELIST *tx, int32_t k) {
  tx->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    if (DecidesToTransmit(node, k)) {
      BuildORedWord(node);
      Append(tx, node);
    }
  }
}

// One survivor's decision straight from the generator: the rare case of the windowed pass below,
// kept out of it.
[[gnu::noinline]] bool DecidesToTransmitOutOfLine(NODE *node, int32_t k) {
  return DecidesToTransmit(node, k);
}

// The bits of the n (1 to 64) words of the stream from position at that are below the
// threshold; four words are compared at a time where the processor can.
uint64_t WordsBelow(const uint32_t *stream, uint32_t at, uint32_t n, uint64_t threshold) {
  if (threshold > UINT32_MAX) return ~uint64_t(0) >> (64 - n);
  uint64_t below = 0;
  uint32_t j = 0;
#if defined(__SSE2__)
  // Unsigned order is signed order once the top bits are flipped.
  const __m128i flip = _mm_set1_epi32(INT32_MIN);
  const __m128i bound = _mm_xor_si128(_mm_set1_epi32(int32_t(uint32_t(threshold))), flip);
  for (; j + 4 <= n; j += 4) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(stream + at + j));
    const __m128i less = _mm_cmpgt_epi32(bound, _mm_xor_si128(w, flip));
    below |= uint64_t(_mm_movemask_ps(_mm_castsi128_ps(less))) << j;
  }
#endif
  for (; j < n; j++) below |= uint64_t(stream[at + j] < threshold) << j;
  return below;
}

// The lowest n set bits of bits; always n steps, so that the loop's end is foreseeable.
uint64_t LowestSetBits(uint64_t bits, int32_t n) {
  uint64_t rest = bits;
  for (int32_t j = 0; j < n; j++) rest &= rest - 1;
  return bits & ~rest;
}

// DrawTransmitters for the common case of uniform codeword draws and the mask model. The
// decisions are coin tosses the processor cannot predict and each one places the next, so they
// are not taken one by one: a window of up to 64 buffered words is compared with the threshold at
// once, the decision words among them are found by bit arithmetic, and only the transmitters are
// visited. A codeword draw that must be taken again, and the buffer's end, go the general way.
void DrawTransmittersUniformMask(const NODELIST *alive, NODELIST *tx, int32_t k) {
  // Rounds mostly share one probability, and converting it would hold up the round's start: the
  // threshold of the last probability is kept.
  static double last_p = 0;
  static uint64_t last_threshold = 0;
  if (pt[k] != last_p) last_threshold = TransmitThreshold(last_p = pt[k]);
  const uint64_t threshold = last_threshold;
  const uint32_t m = uint32_t(codewords.count);
  const UNIFORM_BUCKETS buckets = BucketsFor(m);
  const int32_t *codes = codewords.codes;
  const uint32_t *stream = mt_rand.buffer;
  NODE *const *contenders = alive->members;
  NODE **senders = tx->members;
  uint32_t heard = ORed_word, next = mt_rand.next;
  int32_t count = 0, i = 0;
  while (i < alive->count) {
    // r contenders read at most 2r words; a decision in the window's last word is left to the
    // next window, whose codeword word would lie beyond it.
    const int32_t r = alive->count - i;
    const uint32_t words = std::min({64u, mt_rand.count - next, 2u * uint32_t(std::min(r, 32))});
    if (words >= 2) {
      const uint64_t below = WordsBelow(stream, next, words, threshold);
      const uint64_t sending = TransmittingDecisions(below);
      uint64_t decisions = ~(sending << 1) & (~uint64_t(0) >> (65 - words));
      // Few contenders left: cut the decisions to them in a loop of foreseeable length; many: the
      // window rarely holds more decisions than contenders.
      if (r < 32 || std::popcount(decisions) > r) decisions = LowestSetBits(decisions, r);
      uint64_t left = decisions & sending;
      bool redraw = false;
      while (left) {
        const int bit = std::countr_zero(left);
        const uint32_t index = BucketOf(stream[next + bit + 1], buckets);
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
        next += uint32_t(last) + 1 + uint32_t(below >> last & 1);
      }
      if (!redraw) continue;
    }
    NODE *node = contenders[i++];
    mt_rand.next = next;
    if (DecidesToTransmitOutOfLine(node, k)) {
      heard |= node->word & node->mask;
      senders[count++] = node;
    }
    next = mt_rand.next;
  }
  mt_rand.next = next;
  ORed_word = heard;
  tx->count = count;
}

// The transmitters that pass the win test, appended without a branch on each outcome.
template <class WinTest>
void KeepWinnersBy(const NODELIST *tx, NODELIST *won, WinTest wins) {
  int32_t count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    won->members[count] = tx->members[i];
    count += wins(tx->members[i]);
  }
  won->count = count;
}

// The winners of the round; the closest-class test, the default, is made in place, straight from
// the tables where they are whole arrays.
void KeepWinners(const NODELIST *tx, NODELIST *won) {
  const int32_t reply = FSFRefereeReply();
  const int32_t *closest = closest_classes.codes, *class_of = refclasses.codes;
  if (FSFWonRound == FSFWonRoundClosestClass && closest && class_of)
    KeepWinnersBy(tx, won, [=](const NODE *node) {
      return WonClosestClassBy(
          reply, node, [=](uint32_t w) { return closest[w]; },
          [=](uint32_t w) { return class_of[w]; });
    });
  else if (FSFWonRound == FSFWonRoundClosestClass)
    KeepWinnersBy(tx, won, [reply](const NODE *node) { return WonClosestClass(reply, node); });
  else
    KeepWinnersBy(tx, won, [reply](NODE *node) { return FSFWonRound(reply, node) != 0; });
}

// Every active node's channel for the session. Without fading there is nothing to draw: the
// set-up opens every node's mask, and only the fading models ever change one.
void DrawChannels() {
  if (FSFRandChannel == FSFRandChannelMaskNone) return;
  for (int32_t i = 0; i < nn; i++) FSFRandChannel(&nodes[i]);
}

}  // namespace

int32_t SimSession(int32_t referees) {
  NODELIST *alive = &nodelists[NL_ALIVE], *tx = &nodelists[NL_TX], *won = &nodelists[NL_WON];
  // Listeners: the dedicated referees and every node that left the contention in this session.
  int64_t listeners = referees;
  ViewOf(alive, &nodelists[NL_ALL], nn);
  DrawChannels();
  const bool uniform_mask = GenRandGeomUni == GenRandModUni2 && BuildORedWord == BuildORedWordMask;
  for (int32_t k = 0; k < ns; k++) {
    // Under the mask model the superposed word is complete as soon as the last word is added.
    if (uniform_mask) {
      ORed_word = 0;
      DrawTransmittersUniformMask(alive, tx, k);
    } else {
      ClearORedWord();
      DrawTransmitters(alive, tx, k);
    }
    if (tx->count == 0) continue;
    listeners += alive->count - tx->count;
    if (listeners == 0) continue;  // nobody heard the round: it is not decided
    if (!uniform_mask) ExtractORedWord();
    KeepWinners(tx, won);
    if (won->count == 0) {
      failures++;
      return EndWithoutSuccess();
    }
    if (won->count == 1) {
      won->members[0]->transmissions++;
      return EndWithSuccess(won->members[0], k);
    }
    listeners += tx->count - won->count;
    ViewOf(alive, won, won->count);
  }
  // The rounds are used up: every remaining contender sends its frame into the collision.
  for (int32_t i = 0; i < alive->count; i++) alive->members[i]->transmissions++;
  return EndWithoutSuccess();
}
