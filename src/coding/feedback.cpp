// Referee replies and win tests: every decision is a lookup in the referee tables.
#include "coding/feedback.h"

#include "coding/referee_tables.h"
#include "core/state.h"

int32_t FSFRefereeReplyClosestClass() { return RefClassesAt(ORed_word); }

int32_t FSFWonRoundClosestClass(int32_t reply, NODE *node) { return WonClosestClass(reply, node); }

int32_t FSFRefereeReplyPerfectFeedback() { return RefClassesAt(ORed_word); }

int32_t FSFWonRoundPerfectFeedback(int32_t reply, NODE *node) {
  return ClosestClassesAt(uint32_t(reply)) == RefClassesAt(node->word);
}

int32_t FSFRefereeReplyHamming74() { return cached_hamming74_encode[RefClassesIdxAt(ORed_word)]; }

int32_t FSFWonRoundHamming74(int32_t reply, NODE *node) {
  return cached_hamming74_decode[uint32_t(reply) & node->mask & 127u] ==
         RefClassesIdxAt(node->word);
}
