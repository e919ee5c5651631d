// Received-power model operations.
#include "channel/rssi.h"

#include <bit>
#include <cmath>

#include "coding/referee_tables.h"
#include "core/state.h"
#include "support/gsl_rand.h"
#include "support/keyed_rand.h"

double dbm2pw(double dbm) { return pow(10.0, dbm / 10.0 + 3.0); }

double pw2dbm(double power) { return 10.0 * log10(power) - 30.0; }

void ConvertRSSIThresholds(SIM &S) {
  S.rssi_min_pw = dbm2pw(S.rssi_min);
  S.rssi_avg_pw = dbm2pw(S.rssi_avg);
  S.rssi_thresh_pw = dbm2pw(S.rssi_thresh);
  S.rssi_sigma = sqrt(0.5 * S.rssi_avg_pw);
}

double DrawGain(SIM &S) {
  double r = GenRandRayleighGSL(S.gsl_base_rand, S.rssi_sigma);
  return r * r + S.rssi_min_pw;
}

double LargestGain(const SIM &S) {
  // As the Rayleigh draw computes R = sigma sqrt(-2 ln u), at the smallest uniform.
  double r = sqrt(0.5 * S.rssi_avg_pw) * sqrt(-2.0 * log(1.0 / 4294967296.0));
  return r * r + S.rssi_min_pw;
}

void FSFRandChannelSubcarriersRSSI(SIM &S, NODE *node) {
  uint32_t faded = 0;
  for (int32_t m = 0; m < S.nf; m++) {
    double gain = DrawGain(S);
    node->rssi_acc[m] = gain;
    if (gain < S.rssi_thresh_pw) faded |= 1u << m;
  }
  node->mask = ~faded;
}

namespace {

// The gain of a keyed uniform word, as the Rayleigh draw's own formula turns its uniform.
double GainOfWord(const SIM &S, uint32_t word) {
  const double r = S.rssi_sigma * sqrt(-2.0 * log(KeyedOpenUniform(word)));
  return r * r + S.rssi_min_pw;
}

}  // namespace

double KeyedPairGain(const SIM &S, int32_t lo, int32_t hi, int32_t m) {
  if (S.rssi_flat) m = 0;
  const philox4x32_ctr_t words = KeyedBlock(S.keyed.seed, KEYED_GAIN, uint32_t(m) / 4,
                                            S.keyed.session, uint32_t(lo), uint32_t(hi));
  return GainOfWord(S, words.v[m % 4]);
}

void FSFRandChannelSubcarriersRSSIKeyed(SIM &S, NODE *node) {
  uint32_t faded = 0;
  KEYED_NODE_STREAM stream =
      KeyedNodeStream(S.keyed.node_words, S.keyed.seed, KEYED_CHANNEL, S.keyed.session,
                      (uint32_t(S.nf) + 3) / 4, uint32_t(S.nn), uint32_t(node->id));
  for (int32_t m = 0; m < S.nf; m++) {
    const double gain = GainOfWord(S, stream());
    node->rssi_acc[m] = gain;
    if (gain < S.rssi_thresh_pw) faded |= 1u << m;
  }
  node->mask = ~faded;
}

void RSSIDrawPairGains(SIM &S) {
  for (int32_t a = 0; a < S.nn; a++)
    for (int32_t b = a + 1; b < S.nn; b++) {
      double gain = 0.0;
      for (int32_t m = 0; m < S.nf; m++) {
        if (!S.rssi_flat || m == 0) gain = S.keyed.on ? KeyedPairGain(S, a, b, m) : DrawGain(S);
        S.rssi[a][b][m] = S.rssi[b][a][m] = gain;
      }
    }
}

namespace {

// The gains of receiver a from sender b: rssi[a][b], found from the table's one block of gains
// rather than through its two levels of pointers.
double *PairGains(const SIM &S, int32_t a, int32_t b) {
  return S.rssi_gains + (size_t(a) * size_t(S.max_nn) + size_t(b)) * size_t(S.nf);
}

// The record of what the pair of nodes a and b drew in the session under way.
PAIR_DRAWN &PairOf(SIM &S, int32_t a, int32_t b) {
  const int32_t lo = a < b ? a : b, hi = a < b ? b : a;
  PAIR_DRAWN &pair = S.rssi_pairs[size_t(lo) * size_t(S.max_nn) + size_t(hi)];
  if (pair.session != S.rssi_session) pair = PAIR_DRAWN{S.rssi_session, 0};
  return pair;
}

// Draws the gains of the pair (a, b) on the subcarriers of needed, which this session has not
// drawn, into forward (a's gains from b) and the same entries of b's gains from a. Kept out of
// line: most additions find their gains drawn.
void DrawPairOnDemand(SIM &S, PAIR_DRAWN &pair, int32_t a, int32_t b,
                                        uint32_t needed, double *forward) {
  double *backward = PairGains(S, b, a);
  const int32_t lo = a < b ? a : b, hi = a < b ? b : a;
  if (S.rssi_flat) {
    double gain = S.keyed.on ? KeyedPairGain(S, lo, hi, 0) : DrawGain(S);
    for (int32_t m = 0; m < S.nf; m++) forward[m] = backward[m] = gain;
    pair.subcarriers = ~0u;
    return;
  }
  pair.subcarriers |= needed;
  for (; needed; needed &= needed - 1) {
    int m = std::countr_zero(needed);
    forward[m] = backward[m] = S.keyed.on ? KeyedPairGain(S, lo, hi, m) : DrawGain(S);
  }
}

}  // namespace

void RSSIStartSession(SIM &S) {
  if (S.rssi_eager_gains) {
    S.rssi_session = 0;
    RSSIDrawPairGains(S);
    return;
  }
  // Stamps are 32-bit: after 2^32 - 1 sessions they start again from a cleared table.
  if (++S.rssi_session == 0) {
    for (size_t i = 0; i < size_t(S.max_nn) * size_t(S.max_nn); i++) S.rssi_pairs[i] = {};
    S.rssi_session = 1;
  }
}

void RSSIReset(const SIM &S, NODE *node) {
  for (int32_t m = 0; m < S.nf; m++) node->rssi_acc[m] = 0.0;
  node->detected = 0;
}

void NodelistResetRSSI(const SIM &S, NODELIST *list) {
  for (int32_t i = 0; i < list->count; i++) RSSIReset(S, list->members[i]);
}

namespace {

// Adds the gains on the subcarriers of bits, and notes which of them the receiver now detects (a
// sum that is not a number is not detected).
void AddOn(const SIM &S, NODE *receiver, uint32_t bits, const double *gains) {
  uint32_t detected = receiver->detected & ~bits;
  for (; bits; bits &= bits - 1) {
    int m = std::countr_zero(bits);
    receiver->rssi_acc[m] += gains[m];
    detected |= uint32_t(receiver->rssi_acc[m] >= S.rssi_thresh_pw) << m;
  }
  receiver->detected = detected;
}

}  // namespace

void RSSIAdd(const SIM &S, NODE *receiver, NODE *sender, const double *gains) {
  AddOn(S, receiver, sender->word & LowBits(S.nf), gains);
}

// In a session that draws gains on demand, a subcarrier the receiver already detects stays
// detected whatever more power arrives: its gain is neither needed nor drawn, and the accumulator
// there stays at a power that is detected. Every outcome keeps its law.
void RSSIAdd(SIM &S, NODE *receiver, NODE *sender) {
  RSSIAddOn(S, receiver, sender, sender->word & LowBits(S.nf));
}

void RSSIAddOn(SIM &S, NODE *receiver, NODE *sender, uint32_t bits) {
  const int32_t a = receiver->id, b = sender->id;
  double *gains = PairGains(S, a, b);
  if (S.rssi_session) {
    bits &= ~receiver->detected;
    if (!bits) return;
    PAIR_DRAWN &pair = PairOf(S, a, b);
    if (bits & ~pair.subcarriers) DrawPairOnDemand(S, pair, a, b, bits & ~pair.subcarriers, gains);
  }
  AddOn(S, receiver, bits, gains);
}

uint32_t DetectedSubcarriers(const SIM &S, const double *powers) {
  uint32_t word = 0;
  for (int32_t m = 0; m < S.nf; m++)
    if (powers[m] >= S.rssi_thresh_pw) word |= 1u << m;
  return word;
}

int32_t RSSIAnyAboveThreshold(const SIM &S, NODE *node) {
  return (node->detected & LowBits(S.nf)) != 0;
}

void RSSIExtractWord(const SIM &S, NODE *node) { node->rx_word = node->detected & LowBits(S.nf); }

void RSSIBuildReply(SIM &S, NODE *node) { node->word = uint32_t(RefClassesAt(S, node->rx_word)); }

int32_t RSSIWonRound(SIM &S, NODE *node) {
  return ClosestClassesAt(S, node->rx_word) == RefClassesAt(S, node->word);
}
