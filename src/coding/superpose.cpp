// Superposition of the transmitted words at the listeners, under the fading masks.
#include "coding/superpose.h"

#include "core/state.h"

void ClearORedWordMask() { ORed_word = 0; }

void BuildORedWordMask(NODE *node) { ORed_word |= node->word & node->mask; }

void ExtractORedWordMask() {}
