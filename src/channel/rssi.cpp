// Received-power model operations.
#include "channel/rssi.h"

#include <bit>
#include <cmath>

#include "coding/referee_tables.h"
#include "core/state.h"
#include "support/gsl_rand.h"

double dbm2pw(double dbm) { return pow(10.0, dbm / 10.0 + 3.0); }

double pw2dbm(double power) { return 10.0 * log10(power) - 30.0; }

void ConvertRSSIThresholds() {
  rssi_min_pw = dbm2pw(rssi_min);
  rssi_avg_pw = dbm2pw(rssi_avg);
  rssi_thresh_pw = dbm2pw(rssi_thresh);
}

double DrawGain() {
  double r = GenRandRayleighGSL(sqrt(0.5 * rssi_avg_pw));
  return r * r + rssi_min_pw;
}

double LargestGain() {
  // As the Rayleigh draw computes R = sigma sqrt(-2 ln u), at the smallest uniform.
  double r = sqrt(0.5 * rssi_avg_pw) * sqrt(-2.0 * log(1.0 / 4294967296.0));
  return r * r + rssi_min_pw;
}

void FSFRandChannelSubcarriersRSSI(NODE *node) {
  uint32_t faded = 0;
  for (int32_t m = 0; m < nf; m++) {
    double gain = DrawGain();
    node->rssi_acc[m] = gain;
    if (gain < rssi_thresh_pw) faded |= 1u << m;
  }
  node->mask = ~faded;
}

void RSSIDrawPairGains() {
  for (int32_t a = 0; a < nn; a++)
    for (int32_t b = a + 1; b < nn; b++) {
      double gain = 0.0;
      for (int32_t m = 0; m < nf; m++) {
        if (!rssi_flat || m == 0) gain = DrawGain();
        rssi[a][b][m] = rssi[b][a][m] = gain;
      }
    }
}

namespace {

// The gains of receiver a from sender b: rssi[a][b], found from the table's one block of gains
// rather than through its two levels of pointers.
double *PairGains(int32_t a, int32_t b) {
  return rssi[0][0] + (size_t(a) * size_t(max_nn) + size_t(b)) * size_t(nf);
}

// Draws the gains of the pair (a, b) on the subcarriers of word that this session has not drawn.
void DrawPairOnDemand(int32_t a, int32_t b, uint32_t word) {
  int32_t lo = a < b ? a : b, hi = a < b ? b : a;
  size_t pair = size_t(lo) * size_t(max_nn) + size_t(hi);
  if (rssi_pair_stamp[pair] != rssi_session) {
    rssi_pair_stamp[pair] = rssi_session;
    rssi_pair_drawn[pair] = 0;
  }
  uint32_t needed = word & ~rssi_pair_drawn[pair];
  if (!needed) return;
  double *forward = PairGains(lo, hi), *backward = PairGains(hi, lo);
  if (rssi_flat) {
    double gain = DrawGain();
    for (int32_t m = 0; m < nf; m++) forward[m] = backward[m] = gain;
    rssi_pair_drawn[pair] = ~0u;
    return;
  }
  rssi_pair_drawn[pair] |= needed;
  for (; needed; needed &= needed - 1) {
    int m = std::countr_zero(needed);
    forward[m] = backward[m] = DrawGain();
  }
}

}  // namespace

void RSSIStartSession() {
  if (rssi_eager_gains) {
    rssi_session = 0;
    RSSIDrawPairGains();
    return;
  }
  // Stamps are 32-bit: after 2^32 - 1 sessions they start again from a cleared table.
  if (++rssi_session == 0) {
    for (size_t i = 0; i < size_t(max_nn) * size_t(max_nn); i++) rssi_pair_stamp[i] = 0;
    rssi_session = 1;
  }
}

void RSSIReset(NODE *node) {
  for (int32_t m = 0; m < nf; m++) node->rssi_acc[m] = 0.0;
}

void NodelistResetRSSI(NODELIST *list) {
  for (int32_t i = 0; i < list->count; i++) RSSIReset(list->members[i]);
}

namespace {

void AddOn(NODE *receiver, uint32_t bits, const double *gains) {
  for (; bits; bits &= bits - 1) {
    int m = std::countr_zero(bits);
    receiver->rssi_acc[m] += gains[m];
  }
}

// The subcarriers of bits that the receiver does not detect yet.
uint32_t Undetected(const NODE *receiver, uint32_t bits) {
  for (uint32_t rest = bits; rest; rest &= rest - 1) {
    int m = std::countr_zero(rest);
    if (receiver->rssi_acc[m] >= rssi_thresh_pw) bits &= ~(1u << m);
  }
  return bits;
}

}  // namespace

void RSSIAdd(NODE *receiver, NODE *sender, const double *gains) {
  AddOn(receiver, sender->word & LowBits(nf), gains);
}

// In a session that draws gains on demand, a subcarrier the receiver already detects stays
// detected whatever more power arrives: its gain is neither needed nor drawn, and the accumulator
// there stays at a power that is detected. Every outcome keeps its law.
void RSSIAdd(NODE *receiver, NODE *sender) {
  uint32_t bits = sender->word & LowBits(nf);
  if (rssi_session) {
    bits = Undetected(receiver, bits);
    if (!bits) return;
    DrawPairOnDemand(receiver->id, sender->id, bits);
  }
  AddOn(receiver, bits, PairGains(receiver->id, sender->id));
}

uint32_t DetectedSubcarriers(const double *powers) {
  uint32_t word = 0;
  for (int32_t m = 0; m < nf; m++)
    if (powers[m] >= rssi_thresh_pw) word |= 1u << m;
  return word;
}

int32_t RSSIAnyAboveThreshold(NODE *node) { return DetectedSubcarriers(node->rssi_acc) != 0; }

void RSSIExtractWord(NODE *node) { node->rx_word = DetectedSubcarriers(node->rssi_acc); }

void RSSIBuildReply(NODE *node) { node->word = uint32_t(RefClassesAt(node->rx_word)); }

int32_t RSSIWonRound(NODE *node) {
  return ClosestClassesAt(node->rx_word) == RefClassesAt(node->word);
}
