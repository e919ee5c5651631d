// The session refereed by the nodes that left the contention.
#include "sessions/adhoc.h"

#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/rssi_round.h"

namespace {

// A silent node that sensed energy becomes a referee at once; the others stay quiet.
void SortSilent(const SIM &S, const NODELIST *silent, NODELIST *quiet, NODELIST *referees) {
  quiet->count = 0;
  for (int32_t i = 0; i < silent->count; i++) {
    NODE *node = silent->members[i];
    Append(RSSIAnyAboveThreshold(S, node) ? referees : quiet, node);
  }
}

// Every referee that detected a word replies with its class word to the quiet nodes and the
// transmitters; the replies add up in their accumulators.
void RefereesReply(SIM &S, const NODELIST *referees, NODELIST *quiet, NODELIST *tx) {
  for (int32_t i = 0; i < referees->count; i++) {
    NODE *referee = referees->members[i];
    RSSIExtractWord(S, referee);
    if (referee->rx_word == 0) continue;
    RSSIBuildReply(S, referee);
    ReceiveFrom(S, quiet, referee);
    ReceiveFrom(S, tx, referee);
  }
}

// Survivors as in the centralized session; every node that leaves becomes a referee.
void KeepSurvivors(SIM &S, const NODELIST *tx, const NODELIST *quiet, NODELIST *won,
                   NODELIST *referees) {
  won->count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    NODE *node = tx->members[i];
    RSSIExtractWord(S, node);
    Append(node->rx_word == 0 || RSSIWonRound(S, node) ? won : referees, node);
  }
  for (int32_t i = 0; i < quiet->count; i++) {
    NODE *node = quiet->members[i];
    Append(RSSIAnyAboveThreshold(S, node) ? referees : won, node);
  }
}

}  // namespace

int32_t SimRoundAdhocRSSI(SIM &S, int32_t i) {
  NODELIST *alive = &S.nodelists[NL_ALIVE], *tx = &S.nodelists[NL_TX], *won = &S.nodelists[NL_WON];
  NODELIST *silent = &S.nodelists[NL_SILENT], *quiet = &S.nodelists[NL_QUIET];
  NODELIST *referees = &S.nodelists[NL_REFEREES];
  SplitTransmitters(S, alive, tx, silent, i);
  if (tx->count == 0) return kSessionGoesOn;
  if (referees->count == 0 && silent->count == 0) return kSessionGoesOn;  // nobody can referee
  Receive(S, silent, tx);
  Receive(S, referees, tx);
  SortSilent(S, silent, quiet, referees);
  if (referees->count == 0) return kSessionGoesOn;  // nobody heard the transmitters
  NodelistResetRSSI(S, quiet);
  NodelistResetRSSI(S, tx);
  RefereesReply(S, referees, quiet, tx);
  KeepSurvivors(S, tx, quiet, won, referees);
  return SettleRound(S, won, i);
}

int32_t SimSessionAdhocRSSI(SIM &S, int32_t) {
  ViewOf(&S.nodelists[NL_ALIVE], &S.nodelists[NL_ALL], S.nn);
  S.nodelists[NL_REFEREES].count = 0;
  RSSIStartSession(S);
  return PlayRounds(S, SimRoundAdhocRSSI);
}
