// Round steps of the received-power sessions.
#include "sessions/rssi_round.h"

#include "channel/rssi.h"
#include "channel/rssi_receive.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"

void SplitTransmitters(SIM &S, const NODELIST *alive, NODELIST *tx, NODELIST *silent,
                       int32_t round) {
  if (S.keyed.on) return KeyedDecideRound(S, alive, tx, silent, round, nullptr);
  tx->count = silent->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    Append(DecidesToTransmit(S, node, round) ? tx : silent, node);
  }
}

void Receive(SIM &S, NODELIST *receivers, const NODELIST *senders) {
  RSSIReceiveAll(S, receivers, senders);
}

void ReceiveFrom(SIM &S, NODELIST *receivers, NODE *sender) {
  for (int32_t r = 0; r < receivers->count; r++) RSSIAdd(S, receivers->members[r], sender);
}

int32_t SettleRound(SIM &S, NODELIST *won, int32_t round) {
  if (won->count == 0) {
    S.failures++;
    return EndWithoutSuccess(S);
  }
  if (won->count == 1) return EndWithSuccess(S, won->members[0], round);
  ViewOf(&S.nodelists[NL_ALIVE], won, won->count);
  return kSessionGoesOn;
}

int32_t PlayRounds(SIM &S, int32_t (*round_step)(SIM &S, int32_t round)) {
  for (int32_t i = 0; i < S.ns; i++) {
    int32_t result = round_step(S, i);
    if (result != kSessionGoesOn) return result;
  }
  return EndWithoutSuccess(S);
}
