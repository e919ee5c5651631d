// The pair additions of a reception, with the table's fields held in one record for the loops.
#include "channel/rssi_receive.h"

#include <bit>

#include "channel/rssi.h"
#include "core/state.h"

namespace {

// The fields of the simulation that every pair addition reads.
struct PAIR_TABLE {
  double *gains;
  PAIR_DRAWN *pairs;
  size_t n, nf;
  uint32_t session;
  double thresh;
  bool flat;
};

PAIR_TABLE TableOf(const SIM &S) {
  return PAIR_TABLE{S.rssi_gains,   S.rssi_pairs,     size_t(S.max_nn), size_t(S.nf),
                    S.rssi_session, S.rssi_thresh_pw, S.rssi_flat != 0};
}

// The gain of the pair (a, b) on subcarrier m: the next sequential draw, or the keyed gain of
// the pair, which does not depend on the order in which the pairs are met.
[[gnu::noinline]] double KeyedGainOfPair(const SIM &S, size_t a, size_t b, int m) {
  return a < b ? KeyedPairGain(S, int32_t(a), int32_t(b), m)
               : KeyedPairGain(S, int32_t(b), int32_t(a), m);
}

template <bool keyed>
inline double PairGain(SIM &S, size_t a, size_t b, int m) {
  if constexpr (keyed) return KeyedGainOfPair(S, a, b, m);
  return DrawGain(S);
}

// Draws the gains of a pair on the subcarriers of needed into both directions; most additions
// find their gains drawn, so this stays out of their way.
template <bool keyed>
[[gnu::noinline]] void DrawPairGains(SIM &S, size_t a, size_t b,
                                     PAIR_DRAWN &pair, double *forward, double *backward,
                                     uint32_t needed) {
  if (S.rssi_flat) {
    const double gain = PairGain<keyed>(S, a, b, 0);
    for (int32_t m = 0; m < S.nf; m++) forward[m] = backward[m] = gain;
    pair.subcarriers = ~0u;
    return;
  }
  pair.subcarriers |= needed;
  for (; needed; needed &= needed - 1) {
    const int m = std::countr_zero(needed);
    forward[m] = backward[m] = PairGain<keyed>(S, a, b, m);
  }
}

// A receiver with its rows of the pair tables.
struct RECEIVER {
  NODE *node;
  size_t id;
  double *gains;       // its gains from every sender: rssi[id]
  PAIR_DRAWN *pairs;   // the records of the pairs (id, b) for b > id
};

RECEIVER ReceiverOf(const PAIR_TABLE &t, NODE *node) {
  const size_t id = size_t(node->id);
  return RECEIVER{node, id, t.gains + id * t.n * t.nf, t.pairs + id * t.n};
}

// Adds the sender's power to the receiver on bits, subcarriers it does not detect yet, drawing
// the pair's gains there first if this session has not: as RSSIAddOn does.
template <bool keyed>
inline void AddPair(SIM &S, const PAIR_TABLE &t, const RECEIVER &r, const NODE *sender,
                    uint32_t bits) {
  const size_t b = size_t(sender->id);
  double *forward = r.gains + b * t.nf;
  PAIR_DRAWN &pair = r.id < b ? r.pairs[b] : t.pairs[b * t.n + r.id];
  if (pair.session != t.session) pair = PAIR_DRAWN{t.session, 0};
  const uint32_t needed = bits & ~pair.subcarriers;
  double *backward = t.gains + (b * t.n + r.id) * t.nf;
  if (needed && !(needed & (needed - 1)) && !t.flat) {  // one gain, the common case
    const int m = std::countr_zero(needed);
    forward[m] = backward[m] = PairGain<keyed>(S, r.id, b, m);
    pair.subcarriers |= needed;
  } else if (needed) {
    DrawPairGains<keyed>(S, r.id, b, pair, forward, backward, needed);
  }
  uint32_t detected = r.node->detected;
  double *acc = r.node->rssi_acc;
  for (; bits; bits &= bits - 1) {
    const int m = std::countr_zero(bits);
    acc[m] += forward[m];
    detected |= uint32_t(acc[m] >= t.thresh) << m;
  }
  r.node->detected = detected;
}

// The senders that bring a subcarrier none before them sent, in order; returns their number.
int32_t FindNovelSenders(const NODELIST *senders, uint32_t low, NOVEL_SENDER *novel) {
  uint32_t sent = 0;
  int32_t count = 0;
  for (int32_t s = 0; s < senders->count; s++) {
    const uint32_t word = senders->members[s]->word & low;
    if (!(word & ~sent)) continue;
    sent |= word;
    novel[count++] = NOVEL_SENDER{senders->members[s], s, sent};
  }
  return count;
}

// A sender whose subcarriers the receiver all detects gives it nothing (no draw, no power); so
// while the receiver detects everything sent so far, only the novel senders can give it anything,
// and once it misses a subcarrier it takes the senders one by one from there until it detects
// every subcarrier sent.
template <bool keyed>
void ReceiveNovel(SIM &S, const PAIR_TABLE &t, const RECEIVER &r, const NODELIST *senders,
                  const NOVEL_SENDER *novel, int32_t novel_count, uint32_t low) {
  NODE *receiver = r.node;
  for (int32_t k = 0; k < novel_count; k++) {
    AddPair<keyed>(S, t, r, novel[k].node, novel[k].node->word & low & ~receiver->detected);
    if (receiver->detected == novel[k].sent) continue;
    const uint32_t sent = novel[novel_count - 1].sent;
    for (int32_t s = novel[k].place + 1; s < senders->count && (sent & ~receiver->detected); s++) {
      const NODE *sender = senders->members[s];
      if (const uint32_t bits = sender->word & low & ~receiver->detected)
        AddPair<keyed>(S, t, r, sender, bits);
    }
    return;
  }
}

// Every receiver in turn, as RSSIReceiveAll describes, with the pairs' gains keyed or not.
template <bool keyed>
void ReceiveEach(SIM &S, NODELIST *receivers, const NODELIST *senders) {
  const uint32_t low = LowBits(S.nf);
  NOVEL_SENDER *novel = S.novel_senders;
  const int32_t novel_count = FindNovelSenders(senders, low, novel);
  const PAIR_TABLE t = TableOf(S);
  for (int32_t r = 0; r < receivers->count; r++) {
    RSSIReset(S, receivers->members[r]);
    ReceiveNovel<keyed>(S, t, ReceiverOf(t, receivers->members[r]), senders, novel, novel_count,
                        low);
  }
}

template <bool keyed>
int32_t ReplyToEach(SIM &S, NODE **receivers, int32_t count, NODE *sender, uint32_t reply,
                    uint32_t replied) {
  const PAIR_TABLE t = TableOf(S);
  int32_t kept = 0;
  for (int32_t j = 0; j < count; j++) {
    NODE *receiver = receivers[j];
    if (const uint32_t bits = reply & ~receiver->detected)
      AddPair<keyed>(S, t, ReceiverOf(t, receiver), sender, bits);
    receivers[kept] = receiver;
    kept += (replied & ~receiver->detected) != 0;
  }
  return kept;
}

}  // namespace

void RSSIReceiveAll(SIM &S, NODELIST *receivers, const NODELIST *senders) {
  if (!S.rssi_session) {
    for (int32_t r = 0; r < receivers->count; r++) {
      RSSIReset(S, receivers->members[r]);
      for (int32_t s = 0; s < senders->count; s++)
        RSSIAdd(S, receivers->members[r], senders->members[s]);
    }
    return;
  }
  if (S.keyed.on) return ReceiveEach<true>(S, receivers, senders);
  ReceiveEach<false>(S, receivers, senders);
}

int32_t RSSIReplyTo(SIM &S, NODE **receivers, int32_t count, NODE *sender, uint32_t reply,
                    uint32_t replied) {
  if (S.keyed.on) return ReplyToEach<true>(S, receivers, count, sender, reply, replied);
  return ReplyToEach<false>(S, receivers, count, sender, reply, replied);
}
