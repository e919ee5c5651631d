// The three feedback schemes, each a referee reply and a per-node win test: closest class (the
// reply seen through the node's mask), perfect feedback (the reply intact) and Hamming(7,4). FSF
// (frequency-selective fading and feedback) names the machinery of the reply and its test.
#pragma once

#include <cstdint>

#include "coding/referee_tables.h"
#include "core/records.h"

int32_t FSFRefereeReplyClosestClass(SIM &S);
int32_t FSFWonRoundClosestClass(SIM &S, int32_t reply, NODE *node);

// The closest-class win test through the given lookups of the closest-class and class tables: the
// node wins when what it makes of the reply, seen through its mask, is the reply its own word alone
// would have caused.
template <class ClosestClasses, class RefClasses>
inline bool WonClosestClassBy(int32_t reply, const NODE *node, ClosestClasses closest,
                              RefClasses class_of) {
  return node->word_idx >= 0 && closest(uint32_t(reply) & node->mask) == class_of(node->word);
}

// The closest-class win test, for callers that test many nodes.
inline bool WonClosestClass(SIM &S, int32_t reply, const NODE *node) {
  return WonClosestClassBy(
      reply, node, [&S](uint32_t w) { return ClosestClassesAt(S, w); },
      [&S](uint32_t w) { return RefClassesAt(S, w); });
}

int32_t FSFRefereeReplyPerfectFeedback(SIM &S);
int32_t FSFWonRoundPerfectFeedback(SIM &S, int32_t reply, NODE *node);

int32_t FSFRefereeReplyHamming74(SIM &S);
int32_t FSFWonRoundHamming74(SIM &S, int32_t reply, NODE *node);
