// Superposition of the transmitted words at the listeners.
#include "coding/superpose.h"

#include "channel/rssi.h"
#include "core/state.h"

void ClearORedWordMask() { ORed_word = 0; }

void BuildORedWordMask(NODE *node) { ORed_word |= node->word & node->mask; }

void ExtractORedWordMask() {}

void ClearORedWordRSSI() {
  for (int32_t b = 0; b < nf; b++) ORed_word_rssi[b] = 0.0;
}

// The node's powers already carry its fading; its mask is not applied.
void BuildORedWordRSSI(NODE *node) {
  for (int32_t b = 0; b < nf; b++)
    if (node->word >> b & 1u) ORed_word_rssi[b] += node->rssi_acc[b];
}

// A sum at the threshold is detected; a sum that is not a number is not.
void ExtractORedWordRSSI() { ORed_word = DetectedSubcarriers(ORed_word_rssi); }
