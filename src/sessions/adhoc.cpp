// The session refereed by the nodes that left the contention.
#include "sessions/adhoc.h"

#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/rssi_round.h"

namespace {

// A silent node that sensed energy becomes a referee at once; the others stay quiet.
void SortSilent(const NODELIST *silent, NODELIST *quiet, NODELIST *referees) {
  quiet->count = 0;
  for (int32_t i = 0; i < silent->count; i++) {
    NODE *node = silent->members[i];
    Append(RSSIAnyAboveThreshold(node) ? referees : quiet, node);
  }
}

// Every referee that detected a word replies with its class word to the quiet nodes and the
// transmitters; the replies add up in their accumulators.
void RefereesReply(const NODELIST *referees, NODELIST *quiet, NODELIST *tx) {
  for (int32_t i = 0; i < referees->count; i++) {
    NODE *referee = referees->members[i];
    RSSIExtractWord(referee);
    if (referee->rx_word == 0) continue;
    RSSIBuildReply(referee);
    ReceiveFrom(quiet, referee);
    ReceiveFrom(tx, referee);
  }
}

// Survivors as in the centralized session; every node that leaves becomes a referee.
void KeepSurvivors(const NODELIST *tx, const NODELIST *quiet, NODELIST *won, NODELIST *referees) {
  won->count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    NODE *node = tx->members[i];
    RSSIExtractWord(node);
    Append(node->rx_word == 0 || RSSIWonRound(node) ? won : referees, node);
  }
  for (int32_t i = 0; i < quiet->count; i++) {
    NODE *node = quiet->members[i];
    Append(RSSIAnyAboveThreshold(node) ? referees : won, node);
  }
}

}  // namespace

int32_t SimRoundAdhocRSSI(int32_t i) {
  NODELIST *alive = &nodelists[NL_ALIVE], *tx = &nodelists[NL_TX], *won = &nodelists[NL_WON];
  NODELIST *silent = &nodelists[NL_SILENT], *quiet = &nodelists[NL_QUIET];
  NODELIST *referees = &nodelists[NL_REFEREES];
  SplitTransmitters(alive, tx, silent, i);
  if (tx->count == 0) return kSessionGoesOn;
  if (referees->count == 0 && silent->count == 0) return kSessionGoesOn;  // nobody can referee
  Receive(silent, tx);
  Receive(referees, tx);
  SortSilent(silent, quiet, referees);
  if (referees->count == 0) return kSessionGoesOn;  // nobody heard the transmitters
  NodelistResetRSSI(quiet);
  NodelistResetRSSI(tx);
  RefereesReply(referees, quiet, tx);
  KeepSurvivors(tx, quiet, won, referees);
  return SettleRound(won, i);
}

int32_t SimSessionAdhocRSSI(int32_t) {
  ViewOf(&nodelists[NL_ALIVE], &nodelists[NL_ALL], nn);
  nodelists[NL_REFEREES].count = 0;
  RSSIStartSession();
  return PlayRounds(SimRoundAdhocRSSI);
}
