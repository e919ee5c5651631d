// Superposition of the transmitted words at the listeners, under the received-power model.
#include "channel/rssi_superpose.h"

#include "channel/rssi.h"
#include "core/state.h"

void ClearORedWordRSSI(SIM &S) {
  for (int32_t b = 0; b < S.nf; b++) S.ORed_word_rssi[b] = 0.0;
}

void BuildORedWordRSSI(SIM &S, NODE *node) {
  for (int32_t b = 0; b < S.nf; b++)
    if (node->word >> b & 1u) S.ORed_word_rssi[b] += node->rssi_acc[b];
}

void ExtractORedWordRSSI(SIM &S) { S.ORed_word = DetectedSubcarriers(S, S.ORed_word_rssi); }
