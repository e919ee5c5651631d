// The session refereed by the nodes that left the contention.
#include "sessions/adhoc.h"

#include <algorithm>

#include "channel/rssi.h"
#include "channel/rssi_receive.h"
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

// The replies of the referees that detected a word: each one's class word; the subcarriers of all
// of them.
uint32_t BuildReplies(SIM &S, const NODELIST *referees) {
  uint32_t replied = 0;
  for (int32_t i = 0; i < referees->count; i++) {
    NODE *referee = referees->members[i];
    RSSIExtractWord(S, referee);
    if (referee->rx_word == 0) continue;
    RSSIBuildReply(S, referee);
    replied |= referee->word;
  }
  return replied & LowBits(S.nf);
}

// Every referee that detected a word replies with its class word to the quiet nodes and the
// transmitters; the replies add up in their accumulators. When gains are drawn on demand, a
// receiver that detects every subcarrier of the replies would take nothing more from them, so the
// later replies pass it by.
void RefereesReply(SIM &S, const NODELIST *referees, NODELIST *quiet, NODELIST *tx) {
  const uint32_t replied = BuildReplies(S, referees);
  NODE **open_quiet = S.reply_receivers, **open_tx = S.reply_receivers + S.max_nn;
  int32_t quiet_count = quiet->count, tx_count = tx->count;
  std::copy_n(quiet->members, quiet_count, open_quiet);
  std::copy_n(tx->members, tx_count, open_tx);
  for (int32_t i = 0; i < referees->count; i++) {
    NODE *referee = referees->members[i];
    if (referee->rx_word == 0) continue;
    if (!S.rssi_session) {
      ReceiveFrom(S, quiet, referee);
      ReceiveFrom(S, tx, referee);
      continue;
    }
    // The receivers still listening, in order; those that detect every subcarrier of the replies
    // leave the lists, and once both are empty the later replies reach nobody.
    if (quiet_count == 0 && tx_count == 0) break;
    const uint32_t reply = referee->word & LowBits(S.nf);
    if (quiet_count) quiet_count = RSSIReplyTo(S, open_quiet, quiet_count, referee, reply, replied);
    if (tx_count) tx_count = RSSIReplyTo(S, open_tx, tx_count, referee, reply, replied);
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
