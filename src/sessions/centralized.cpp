// The access-point session.
#include "sessions/centralized.h"

#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/rssi_round.h"

namespace {

// The access-point gain vector is chosen by the position in the list being served.
void AccessPointHears(const NODELIST *tx) {
  RSSIReset(&ref);
  for (int32_t k = 0; k < tx->count; k++) RSSIAdd(&ref, tx->members[k], rssi_AP[k]);
}

void AccessPointReplies(NODELIST *list) {
  for (int32_t k = 0; k < list->count; k++) RSSIAdd(list->members[k], &ref, rssi_AP[k]);
}

// Silent nodes that sensed nothing stay as quiet listeners; the others are out.
void KeepQuiet(const NODELIST *silent, NODELIST *quiet) {
  quiet->count = 0;
  for (int32_t i = 0; i < silent->count; i++)
    if (!RSSIAnyAboveThreshold(silent->members[i])) Append(quiet, silent->members[i]);
}

// Transmitters that heard no reply or whose class matches, then quiet nodes that heard no reply.
void KeepSurvivors(const NODELIST *tx, const NODELIST *quiet, NODELIST *won) {
  won->count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    NODE *node = tx->members[i];
    RSSIExtractWord(node);
    if (node->rx_word == 0 || RSSIWonRound(node)) Append(won, node);
  }
  for (int32_t i = 0; i < quiet->count; i++)
    if (!RSSIAnyAboveThreshold(quiet->members[i])) Append(won, quiet->members[i]);
}

}  // namespace

int32_t SimRoundCentralizedRSSI(int32_t i) {
  NODELIST *alive = &nodelists[NL_ALIVE], *tx = &nodelists[NL_TX], *won = &nodelists[NL_WON];
  NODELIST *silent = &nodelists[NL_SILENT], *quiet = &nodelists[NL_QUIET];
  SplitTransmitters(alive, tx, silent, i);
  if (tx->count == 0) return kSessionGoesOn;
  Receive(silent, tx);
  AccessPointHears(tx);
  KeepQuiet(silent, quiet);
  NodelistResetRSSI(quiet);
  NodelistResetRSSI(tx);
  RSSIExtractWord(&ref);
  if (ref.rx_word != 0) {
    RSSIBuildReply(&ref);
    AccessPointReplies(quiet);
    AccessPointReplies(tx);
  }
  KeepSurvivors(tx, quiet, won);
  return SettleRound(won, i);
}

int32_t SimSessionCentralizedRSSI(int32_t) {
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  RSSIStartSession();
  return PlayRounds(SimRoundCentralizedRSSI);
}
