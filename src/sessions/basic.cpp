// The basic contention session.
#include "sessions/basic.h"

#include "channel/fading_masks.h"
#include "coding/codeword_draw.h"
#include "coding/superpose.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "support/mt_rand.h"

namespace {

// Each survivor transmits with probability pt[k]; a transmitter draws its codeword right away and
// adds it to the superposed word.
void DrawTransmitters(const NODELIST *alive, NODELIST *tx, int32_t k) {
  const double p = pt[k];
  tx->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    if (genrand_real2() < p) {
      node->word_idx = GenRandGeomUni(tau[k], 0, codewords.count - 1);
      node->word = uint32_t(codewords.codes[node->word_idx]);
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

// DrawTransmitters for the common case of uniform codeword draws and the mask model, in one pass
// without a branch on the decision, which is a coin toss the processor cannot predict: each
// survivor's decision word and the word after it (its codeword draw if it transmits) are read
// together, and the stream moves on by one or two words. The buffer's end and a codeword draw that
// must be taken again go the general way.
void DrawTransmittersUniformMask(const NODELIST *alive, NODELIST *tx, int32_t k) {
  const uint64_t threshold = TransmitThreshold(pt[k]);
  const uint32_t m = uint32_t(codewords.count);
  if (mt_rand.buckets.m != m) mt_rand.buckets = PrepareBuckets(m);
  const UNIFORM_BUCKETS buckets = mt_rand.buckets;
  uint32_t heard = ORed_word;
  int32_t count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    const uint32_t next = mt_rand.next;
    if (mt_rand.count - next >= 2) {
      const uint32_t transmit = mt_rand.buffer[next] < threshold;
      const uint32_t index = BucketOf(mt_rand.buffer[next + 1], buckets);
      if (index < m || !transmit) {
        const uint32_t word = uint32_t(codewords.codes[index < m ? index : 0]);
        mt_rand.next = next + 1 + transmit;
        node->word_idx = transmit ? int32_t(index) : node->word_idx;
        node->word = transmit ? word : node->word;
        heard |= word & node->mask & (0u - transmit);
        tx->members[count] = node;
        count += int32_t(transmit);
        continue;
      }
    }
    if (genrand_real2() < pt[k]) {
      node->word_idx = int32_t(DrawUniform(m));
      node->word = uint32_t(codewords.codes[node->word_idx]);
      heard |= node->word & node->mask;
      tx->members[count++] = node;
    }
  }
  ORed_word = heard;
  tx->count = count;
}

// The winners, appended without a branch on each test's outcome.
void KeepWinners(const NODELIST *tx, NODELIST *won) {
  int32_t reply = FSFRefereeReply();
  int32_t count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    won->members[count] = tx->members[i];
    count += FSFWonRound(reply, tx->members[i]) != 0;
  }
  won->count = count;
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
    ClearORedWord();
    if (uniform_mask)
      DrawTransmittersUniformMask(alive, tx, k);
    else
      DrawTransmitters(alive, tx, k);
    if (tx->count == 0) continue;
    listeners += alive->count - tx->count;
    if (listeners == 0) continue;  // nobody heard the round: it is not decided
    ExtractORedWord();
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
