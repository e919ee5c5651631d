// The basic contention session.
#include "sessions/basic.h"

#include "core/state.h"
#include "sessions/endings.h"
#include "support/mt_rand.h"

namespace {

// Each survivor transmits with probability pt[k]; a transmitter draws its codeword right away and
// adds it to the superposed word.
void DrawTransmitters(const NODELIST *alive, NODELIST *tx, int32_t k) {
  const double p = pt[k];
  tx->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    if (genrand_real2() < p) {
      node->word_idx = GenRandGeomUni(tau[k], 0, codewords.count - 1);
      node->word = uint32_t(codewords.codes[node->word_idx]);
      BuildORedWord(node);
      Append(tx, node);
    }
  }
}

void KeepWinners(const NODELIST *tx, NODELIST *won) {
  int32_t reply = FSFRefereeReply();
  won->count = 0;
  for (int32_t i = 0; i < tx->count; i++)
    if (FSFWonRound(reply, tx->members[i])) Append(won, tx->members[i]);
}

}  // namespace

int32_t SimSession(int32_t referees) {
  NODELIST *alive = &nodelists[NL_ALIVE], *tx = &nodelists[NL_TX], *won = &nodelists[NL_WON];
  // Listeners: the dedicated referees and every node that left the contention in this session.
  int64_t listeners = referees;
  ViewOf(alive, &nodelists[NL_ALL], nn);
  for (int32_t i = 0; i < nn; i++) FSFRandChannel(&nodes[i]);
  for (int32_t k = 0; k < ns; k++) {
    ClearORedWord();
    DrawTransmitters(alive, tx, k);
    if (tx->count == 0) continue;
    listeners += alive->count - tx->count;
    if (listeners == 0) continue;  // nobody heard the round: it is not decided
    ExtractORedWord();
    KeepWinners(tx, won);
    if (won->count == 0) {
      failures++;
      return EndWithoutSuccess();
    }
    if (won->count == 1) {
      won->members[0]->transmissions++;
      return EndWithSuccess(won->members[0], k);
    }
    listeners += tx->count - won->count;
    ViewOf(alive, won, won->count);
  }
  // The rounds are used up: every remaining contender sends its frame into the collision.
  for (int32_t i = 0; i < alive->count; i++) alive->members[i]->transmissions++;
  return EndWithoutSuccess();
}
