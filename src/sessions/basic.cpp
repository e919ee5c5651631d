// The basic contention session.
#include "sessions/basic.h"

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

// The draw word w decides u < p, with u = w / 2^32, exactly when w < ceil(p 2^32).
uint64_t TransmitThreshold(double p) {
  if (!(p > 0)) return 0;
  if (p >= 1) return uint64_t(1) << 32;
  double scaled = p * 4294967296.0;  // exact: a power-of-two scaling
  uint64_t whole = uint64_t(scaled);
  return double(whole) < scaled ? whole + 1 : whole;
}

// One survivor's decision straight from the generator: the rare case of the one-pass loop below,
// kept out of it.
[[gnu::noinline]] bool DecidesToTransmitOutOfLine(NODE *node, int32_t k) {
  return DecidesToTransmit(node, k);
}

// DrawTransmitters for the common case of uniform codeword draws and the mask model, in one pass
// without a branch on the decision, which is a coin toss the processor cannot predict: each
// survivor's decision word and the word after it (its codeword draw if it transmits) are read
// together, and the stream moves on by one or two words. The buffer's end and a codeword draw that
// must be taken again go the general way.
void DrawTransmittersUniformMask(const NODELIST *alive, NODELIST *tx, int32_t k) {
  const uint64_t threshold = TransmitThreshold(pt[k]);
  const uint32_t m = uint32_t(codewords.count);
  const UNIFORM_BUCKETS buckets = BucketsFor(m);
  const int32_t *codes = codewords.codes;
  NODE *const *contenders = alive->members;
  NODE **senders = tx->members;
  uint32_t heard = ORed_word, next = mt_rand.next, available = mt_rand.count;
  int32_t count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = contenders[i];
    if (available - next >= 2) {
      const uint32_t transmit = mt_rand.buffer[next] < threshold;
      const uint32_t index = BucketOf(mt_rand.buffer[next + 1], buckets);
      if (index < m || !transmit) {
        const uint32_t word = uint32_t(codes[index < m ? index : 0]);
        next += 1 + transmit;
        node->word_idx = transmit ? int32_t(index) : node->word_idx;
        node->word = transmit ? word : node->word;
        heard |= word & node->mask & (0u - transmit);
        senders[count] = node;
        count += int32_t(transmit);
        continue;
      }
    }
    mt_rand.next = next;
    if (DecidesToTransmitOutOfLine(node, k)) {
      heard |= node->word & node->mask;
      senders[count++] = node;
    }
    next = mt_rand.next;
    available = mt_rand.count;
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

// The winners of the round; the closest-class test, the default, is made in place.
void KeepWinners(const NODELIST *tx, NODELIST *won) {
  const int32_t reply = FSFRefereeReply();
  if (FSFWonRound == FSFWonRoundClosestClass)
    KeepWinnersBy(tx, won, [reply](const NODE *node) { return WonClosestClass(reply, node); });
  else
    KeepWinnersBy(tx, won, [reply](NODE *node) { return FSFWonRound(reply, node) != 0; });
}

// Every active node's channel for the session; without fading, simply all subcarriers.
void DrawChannels() {
  if (FSFRandChannel == FSFRandChannelMaskNone)
    for (int32_t i = 0; i < nn; i++) nodes[i].mask = ~0u;
  else
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
