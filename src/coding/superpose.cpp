// Superposition of the transmitted words at the listeners, under the fading masks.
#include "coding/superpose.h"

#include "core/state.h"

void ClearORedWordMask(SIM &S) { S.ORed_word = 0; }

void BuildORedWordMask(SIM &S, NODE *node) { S.ORed_word |= node->word & node->mask; }

void ExtractORedWordMask(SIM &) {}
