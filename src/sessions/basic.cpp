// The basic contention session.
#include "sessions/basic.h"

#include "coding/feedback.h"
#include "core/state.h"
#include "sessions/decide_window.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"

namespace {

// Each survivor transmits with probability pt[k]; a transmitter draws its codeword right away and
// adds it to the superposed word.
void DrawTransmitters(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k) {
  S.ClearORedWord(S);
  if (S.keyed.on) {
    if (S.session_paths.superposed_masks) return KeyedDecideRound(S, alive, tx, nullptr, k, &S.ORed_word);
    KeyedDecideRound(S, alive, tx, nullptr, k, nullptr);
    for (int32_t i = 0; i < tx->count; i++) S.BuildORedWord(S, tx->members[i]);
    return;
  }
  tx->count = 0;
  for (int32_t i = 0; i < alive->count; i++) {
    NODE *node = alive->members[i];
    if (DecidesToTransmit(S, node, k)) {
      S.BuildORedWord(S, node);
      Append(tx, node);
    }
  }
}

// The transmitters that pass the win test, appended without a branch on each outcome.
template <class WinTest>
void KeepWinnersBy(const NODELIST *tx, NODELIST *won, WinTest wins) {
  int32_t count = 0;
  for (int32_t i = 0; i < tx->count; i++) {
    won->members[count] = tx->members[i];
    count += wins(tx->members[i]);
  }
  won->count = count;
}

// The winners of the round; the closest-class test, the default, is made in place, straight from
// the tables when they are whole arrays.
void KeepWinners(SIM &S, const NODELIST *tx, NODELIST *won) {
  const int32_t *closest = S.closest_classes.codes, *class_of = S.refclasses.codes;
  if (S.session_paths.class_test_from_tables) {
    const int32_t reply = class_of[S.ORed_word];  // the closest-class reply, from the whole table
    KeepWinnersBy(tx, won, [=](const NODE *node) {
      return WonClosestClassBy(
          reply, node, [=](uint32_t w) { return closest[w]; },
          [=](uint32_t w) { return class_of[w]; });
    });
  } else {
    const int32_t reply = S.FSFRefereeReply(S);
    KeepWinnersBy(tx, won, [&S, reply](NODE *node) { return S.FSFWonRound(S, reply, node) != 0; });
  }
}

// Every active node's channel for the session. Without fading there is nothing to draw: the
// set-up opens every node's mask, and only the fading models ever change one.
void DrawChannels(SIM &S) {
  if (S.session_paths.channels_fixed) return;
  if (S.FSFRandChannels) return S.FSFRandChannels(S);
  for (int32_t i = 0; i < S.nn; i++) S.FSFRandChannel(S, &S.nodes[i]);
}

}  // namespace

int32_t SimSession(SIM &S, int32_t referees) {
  NODELIST *alive = &S.nodelists[NL_ALIVE], *tx = &S.nodelists[NL_TX], *won = &S.nodelists[NL_WON];
  // Listeners: the dedicated referees and every node that left the contention in this session.
  int64_t listeners = referees;
  ViewOf(alive, &S.nodelists[NL_ALL], S.nn);
  DrawChannels(S);
  const int32_t ns = S.ns;
  for (int32_t k = 0; k < ns; k++) {
    if (S.session_paths.decisions_by_window)
      DrawTransmittersUniformMask(S, alive, tx, k);
    else
      DrawTransmitters(S, alive, tx, k);
    if (tx->count == 0) continue;
    listeners += alive->count - tx->count;
    if (listeners == 0) continue;  // nobody heard the round: it is not decided
    // Under the mask model the superposed word was complete with the last word added.
    if (!S.session_paths.decisions_by_window) S.ExtractORedWord(S);
    KeepWinners(S, tx, won);
    if (won->count == 0) {
      S.failures++;
      return EndWithoutSuccess(S);
    }
    if (won->count == 1) {
      CountFrame(S, won->members[0]);
      return EndWithSuccess(S, won->members[0], k);
    }
    listeners += tx->count - won->count;
    ViewOf(alive, won, won->count);
  }
  // The rounds are used up: every remaining contender sends its frame into the collision.
  for (int32_t i = 0; i < alive->count; i++) CountFrame(S, alive->members[i]);
  return EndWithoutSuccess(S);
}
