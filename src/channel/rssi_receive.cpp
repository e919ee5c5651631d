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
};

// How a session's pair gains come: keyed or drawn in turn, one per subcarrier or one per pair
// (rssi_flat). Fixed for a run, so each kind has its own loops.
struct GAINS_KIND {
  bool keyed, flat;
};

PAIR_TABLE TableOf(const SIM &S) {
  return PAIR_TABLE{S.rssi_gains,   S.rssi_pairs,     size_t(S.max_nn), size_t(S.nf),
                    S.rssi_session, S.rssi_thresh_pw};
}

// The gain of the pair (a, b) on subcarrier m: the next sequential draw, or the keyed gain of
// the pair, which does not depend on the order in which the pairs are met.
[[gnu::noinline]] double KeyedGainOfPair(const SIM &S, size_t a, size_t b, int m) {
  return a < b ? KeyedPairGain(S, int32_t(a), int32_t(b), m)
               : KeyedPairGain(S, int32_t(b), int32_t(a), m);
}

template <GAINS_KIND kind>
inline double PairGain(SIM &S, size_t a, size_t b, int m) {
  if constexpr (kind.keyed) return KeyedGainOfPair(S, a, b, m);
  return DrawGain(S);
}

// Draws the gains of a pair on the subcarriers of needed into both directions; most additions
// find their gains drawn, so this stays out of their way.
template <GAINS_KIND kind>
[[gnu::noinline]] void DrawPairGains(SIM &S, size_t a, size_t b,
                                     PAIR_DRAWN &pair, double *forward, double *backward,
                                     uint32_t needed) {
  if constexpr (kind.flat) {
    const double gain = PairGain<kind>(S, a, b, 0);
    for (int32_t m = 0; m < S.nf; m++) forward[m] = backward[m] = gain;
    pair.subcarriers = ~0u;
    return;
  }
  pair.subcarriers |= needed;
  for (; needed; needed &= needed - 1) {
    const int m = std::countr_zero(needed);
    forward[m] = backward[m] = PairGain<kind>(S, a, b, m);
  }
}

PAIR_ROWS RowsOf(const PAIR_TABLE &t, const NODE *node) {
  const size_t id = size_t(node->id);
  return PAIR_ROWS{id, id * t.nf, t.gains + id * t.n * t.nf, t.pairs + id * t.n};
}

// A receiver with its rows of the pair tables (rows.gains: its gains from every sender) and its
// accumulated powers.
struct RECEIVER {
  NODE *node;
  PAIR_ROWS rows;
  double *acc;
};

RECEIVER ReceiverOf(const PAIR_TABLE &t, NODE *node) {
  return RECEIVER{node, RowsOf(t, node), node->rssi_acc};
}

// Adds the sender's power to the receiver on bits (not empty), subcarriers it does not detect
// yet, drawing the pair's gains there first if this session has not: as RSSIAddOn does. Returns
// what the receiver detects, given what it detected before.
template <GAINS_KIND kind>
inline uint32_t AddPair(SIM &S, const PAIR_TABLE &t, const RECEIVER &r, const PAIR_ROWS &s,
                        uint32_t bits, uint32_t detected) {
  const PAIR_ROWS &own = r.rows;
  PAIR_DRAWN &pair = own.id < s.id ? own.pairs[s.id] : s.pairs[own.id];
  if (pair.session != t.session) pair = PAIR_DRAWN{t.session, 0};
  const uint32_t needed = bits & ~pair.subcarriers;
  double *forward = own.gains + s.column;
  if (!(bits & (bits - 1)) && !kind.flat) {  // one subcarrier, the common case
    const int m = std::countr_zero(bits);
    double gain;
    if (needed) {
      pair.subcarriers |= needed;  // noted before the draw, so that it need not wait through it
      gain = PairGain<kind>(S, own.id, s.id, m);
      forward[m] = s.gains[own.column + size_t(m)] = gain;
    } else {
      gain = forward[m];
    }
    r.acc[m] += gain;
    return detected | uint32_t(r.acc[m] >= t.thresh) << m;
  }
  if (needed) DrawPairGains<kind>(S, own.id, s.id, pair, forward, s.gains + own.column, needed);
  for (; bits; bits &= bits - 1) {
    const int m = std::countr_zero(bits);
    r.acc[m] += forward[m];
    detected |= uint32_t(r.acc[m] >= t.thresh) << m;
  }
  return detected;
}

// The senders that bring a subcarrier none before them sent, in order; returns their number.
int32_t FindNovelSenders(const PAIR_TABLE &t, const NODELIST *senders, uint32_t low,
                         NOVEL_SENDER *novel) {
  uint32_t sent = 0;
  int32_t count = 0;
  for (int32_t s = 0; s < senders->count; s++) {
    const uint32_t word = senders->members[s]->word & low;
    if (!(word & ~sent)) continue;
    sent |= word;
    novel[count++] = NOVEL_SENDER{RowsOf(t, senders->members[s]), s, word, sent};
  }
  return count;
}

// A sender whose subcarriers the receiver all detects gives it nothing (no draw, no power); so
// while the receiver detects everything sent so far, only the novel senders can give it anything,
// and once it misses a subcarrier it takes the senders one by one from there until it detects
// every subcarrier sent.
template <GAINS_KIND kind>
void ReceiveNovel(SIM &S, const PAIR_TABLE &t, const RECEIVER &r, const NODELIST *senders,
                  const NOVEL_SENDER *novel, int32_t novel_count, uint32_t low) {
  uint32_t detected = 0;
  for (int32_t k = 0; k < novel_count; k++) {
    if (const uint32_t bits = novel[k].bits & ~detected)
      detected = AddPair<kind>(S, t, r, novel[k].rows, bits, detected);
    if (detected == novel[k].sent) continue;
    const uint32_t sent = novel[novel_count - 1].sent;
    for (int32_t s = novel[k].place + 1; s < senders->count && (sent & ~detected); s++) {
      const NODE *sender = senders->members[s];
      if (const uint32_t bits = sender->word & low & ~detected)
        detected = AddPair<kind>(S, t, r, RowsOf(t, sender), bits, detected);
    }
    break;
  }
  r.node->detected = detected;
}

// Every receiver in turn, as RSSIReceiveAll describes, with the pairs' gains keyed or not.
template <GAINS_KIND kind>
void ReceiveEach(SIM &S, NODELIST *receivers, const NODELIST *senders) {
  const uint32_t low = LowBits(S.nf);
  const PAIR_TABLE t = TableOf(S);
  NOVEL_SENDER *novel = S.novel_senders;
  const int32_t novel_count = FindNovelSenders(t, senders, low, novel);
  for (int32_t r = 0; r < receivers->count; r++) {
    RSSIReset(S, receivers->members[r]);
    ReceiveNovel<kind>(S, t, ReceiverOf(t, receivers->members[r]), senders, novel, novel_count,
                       low);
  }
}

template <GAINS_KIND kind>
int32_t ReplyToEach(SIM &S, NODE **receivers, int32_t count, NODE *sender, uint32_t reply,
                    uint32_t replied) {
  const PAIR_TABLE t = TableOf(S);
  const PAIR_ROWS from = RowsOf(t, sender);
  int32_t kept = 0;
  for (int32_t j = 0; j < count; j++) {
    NODE *receiver = receivers[j];
    if (const uint32_t bits = reply & ~receiver->detected)
      receiver->detected =
          AddPair<kind>(S, t, ReceiverOf(t, receiver), from, bits, receiver->detected);
    receivers[kept] = receiver;
    kept += (replied & ~receiver->detected) != 0;
  }
  return kept;
}

// The loops of each kind of gains, by [keyed][flat].
using RECEIVE_FN = void (*)(SIM &, NODELIST *, const NODELIST *);
using REPLY_FN = int32_t (*)(SIM &, NODE **, int32_t, NODE *, uint32_t, uint32_t);
constexpr RECEIVE_FN kReceiveEach[2][2] = {
    {ReceiveEach<GAINS_KIND{false, false}>, ReceiveEach<GAINS_KIND{false, true}>},
    {ReceiveEach<GAINS_KIND{true, false}>, ReceiveEach<GAINS_KIND{true, true}>}};
constexpr REPLY_FN kReplyToEach[2][2] = {
    {ReplyToEach<GAINS_KIND{false, false}>, ReplyToEach<GAINS_KIND{false, true}>},
    {ReplyToEach<GAINS_KIND{true, false}>, ReplyToEach<GAINS_KIND{true, true}>}};

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
  kReceiveEach[S.keyed.on != 0][S.rssi_flat != 0](S, receivers, senders);
}

int32_t RSSIReplyTo(SIM &S, NODE **receivers, int32_t count, NODE *sender, uint32_t reply,
                    uint32_t replied) {
  return kReplyToEach[S.keyed.on != 0][S.rssi_flat != 0](S, receivers, count, sender, reply,
                                                         replied);
}
