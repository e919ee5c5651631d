// Referee replies and win tests: every decision is a lookup in the referee tables.
#include "coding/feedback.h"

#include "coding/referee_tables.h"
#include "core/state.h"

int32_t FSFRefereeReplyClosestClass(SIM &S) { return RefClassesAt(S, S.ORed_word); }

int32_t FSFWonRoundClosestClass(SIM &S, int32_t reply, NODE *node) {
  return WonClosestClass(S, reply, node);
}

int32_t FSFRefereeReplyPerfectFeedback(SIM &S) { return RefClassesAt(S, S.ORed_word); }

int32_t FSFWonRoundPerfectFeedback(SIM &S, int32_t reply, NODE *node) {
  return ClosestClassesAt(S, uint32_t(reply)) == RefClassesAt(S, node->word);
}

int32_t FSFRefereeReplyHamming74(SIM &S) {
  return S.cached_hamming74_encode[RefClassesIdxAt(S, S.ORed_word)];
}

int32_t FSFWonRoundHamming74(SIM &S, int32_t reply, NODE *node) {
  return S.cached_hamming74_decode[uint32_t(reply) & node->mask & 127u] ==
         RefClassesIdxAt(S, node->word);
}
