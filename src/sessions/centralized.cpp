// The access-point session.
#include "sessions/centralized.h"

#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/rssi_round.h"

namespace {

// The access-point gain vector is chosen by the position in the list being served.
void AccessPointHears(SIM &S, const NODELIST *tx) {
  RSSIReset(S, &S.ref);
  for (int32_t k = 0; k < tx->count; k++) RSSIAdd(S, &S.ref, tx->members[k], S.rssi_AP[k]);
}

void AccessPointReplies(SIM &S, NODELIST *list) {
  for (int32_t k = 0; k < list->count; k++) RSSIAdd(S, list->members[k], &S.ref, S.rssi_AP[k]);
}

// Silent nodes that sensed nothing stay as quiet listeners; the others are out.
void KeepQuiet(const SIM &S, const NODELIST *silent, NODELIST *quiet) {
  quiet->count = 0;
  for (int32_t i = 0; i < silent->count; i++)
    if (!RSSIAnyAboveThreshold(S, silent->members[i])) Append(quiet, silent->members[i]);
}

// Transmitters that heard no reply or whose class matches, then quiet nodes that heard no reply.
void KeepSurvivors(SIM &S, const NODELIST *tx, const NODELIST *quiet, NODELIST *won) {
  won->count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    NODE *node = tx->members[i];
    RSSIExtractWord(S, node);
    if (node->rx_word == 0 || RSSIWonRound(S, node)) Append(won, node);
  }
  for (int32_t i = 0; i < quiet->count; i++)
    if (!RSSIAnyAboveThreshold(S, quiet->members[i])) Append(won, quiet->members[i]);
}

}  // namespace

int32_t SimRoundCentralizedRSSI(SIM &S, int32_t i) {
  NODELIST *alive = &S.nodelists[NL_ALIVE], *tx = &S.nodelists[NL_TX], *won = &S.nodelists[NL_WON];
  NODELIST *silent = &S.nodelists[NL_SILENT], *quiet = &S.nodelists[NL_QUIET];
  SplitTransmitters(S, alive, tx, silent, i);
  if (tx->count == 0) return kSessionGoesOn;
  Receive(S, silent, tx);
  AccessPointHears(S, tx);
  KeepQuiet(S, silent, quiet);
  NodelistResetRSSI(S, quiet);
  NodelistResetRSSI(S, tx);
  RSSIExtractWord(S, &S.ref);
  if (S.ref.rx_word != 0) {
    RSSIBuildReply(S, &S.ref);
    AccessPointReplies(S, quiet);
    AccessPointReplies(S, tx);
  }
  KeepSurvivors(S, tx, quiet, won);
  return SettleRound(S, won, i);
}

int32_t SimSessionCentralizedRSSI(SIM &S, int32_t) {
  ViewOf(&S.nodelists[NL_ALIVE], &S.nodelists[NL_ALL], S.nn);
  RSSIStartSession(S);
  return PlayRounds(S, SimRoundCentralizedRSSI);
}
