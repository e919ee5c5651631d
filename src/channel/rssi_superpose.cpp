// Superposition of the transmitted words at the listeners, under the received-power model.
#include "channel/rssi_superpose.h"

#include "channel/rssi.h"
#include "core/state.h"

void ClearORedWordRSSI() {
  for (int32_t b = 0; b < nf; b++) ORed_word_rssi[b] = 0.0;
}

void BuildORedWordRSSI(NODE *node) {
  for (int32_t b = 0; b < nf; b++)
    if (node->word >> b & 1u) ORed_word_rssi[b] += node->rssi_acc[b];
}

void ExtractORedWordRSSI() { ORed_word = DetectedSubcarriers(ORed_word_rssi); }
