// Round steps of the received-power sessions.
#include "sessions/rssi_round.h"

#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"

void SplitTransmitters(const NODELIST *alive, NODELIST *tx, NODELIST *silent, int32_t round) {
  tx->count = silent->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    Append(DecidesToTransmit(node, round) ? tx : silent, node);
  }
}

// Each receiver's powers are summed over the senders in list order.
void Receive(NODELIST *receivers, const NODELIST *senders) {
  for (int32_t r = 0; r < receivers->count; r++) {
    NODE *receiver = receivers->members[r];
    RSSIReset(receiver);
    for (int32_t s = 0; s < senders->count; s++) RSSIAdd(receiver, senders->members[s]);
  }
}

void ReceiveFrom(NODELIST *receivers, NODE *sender) {
  for (int32_t r = 0; r < receivers->count; r++) RSSIAdd(receivers->members[r], sender);
}

int32_t SettleRound(NODELIST *won, int32_t round) {
  if (won->count == 0) {
    failures++;
    return EndWithoutSuccess();
  }
  if (won->count == 1) return EndWithSuccess(won->members[0], round);
  ViewOf(&nodelists[NL_ALIVE], won, won->count);
  return kSessionGoesOn;
}

int32_t PlayRounds(int32_t (*round_step)(int32_t round)) {
  for (int32_t i = 0; i < ns; i++) {
    int32_t result = round_step(i);
    if (result != kSessionGoesOn) return result;
  }
  return EndWithoutSuccess();
}
