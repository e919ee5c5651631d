// The windowed basic session: decisions, the superposed word and each transmitter's codeword class
// in one pass over places among the contenders, then the reply and the winners from the class
// tables; the contenders' masks travel beside them.
#include "sessions/basic_windowed.h"

#include <utility>

#include "channel/fading_masks.h"
#include "core/state.h"
#include "sessions/decide_window.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"

namespace {

// The contenders of a round: their nodes and, under fading, their masks.
struct CONTENDERS {
  NODE **nodes;
  uint32_t *masks;
  int32_t count;
};

// The transmitters that win the round, into next: those whose codeword's class is the one each
// makes of the reply, seen through its mask (or, every mask open, the same for all).
template <bool masked>
void KeepClassWinners(const SIM &S, const CONTENDERS &round, const SENDERS &senders, int32_t sent,
                      CONTENDERS &next) {
  const int32_t *closest = S.closest_classes.codes;
  const uint32_t reply = uint32_t(S.refclasses.codes[S.ORed_word]);
  const int32_t understood = closest[reply];
  const int32_t *places = senders.places, *classes = senders.classes;
  int64_t count = 0;
  for (int32_t j = 0; j < sent; j++) {
    const int32_t place = places[j];
    if constexpr (masked) {
      const uint32_t mask = round.masks[place];
      if (closest[reply & mask] != classes[j]) continue;
      next.masks[count] = mask;
    } else if (classes[j] != understood) {
      continue;
    }
    next.nodes[count++] = round.nodes[place];
  }
  next.count = int32_t(count);
}

// Every active node's fading mask for the session, by node id: the binomial ones in one pass,
// and with keyed draws every node's at once where the model has that form.
void DrawChannels(SIM &S, uint32_t *masks) {
  if (S.FSFRandChannel == FSFRandChannelMaskBinom) return FSFRandChannelMasksBinom(S, S.nn, masks);
  if (S.FSFRandChannels) {
    S.FSFRandChannels(S);
  } else {
    for (int32_t i = 0; i < S.nn; i++) S.FSFRandChannel(S, &S.nodes[i]);
  }
  for (int32_t i = 0; i < S.nn; i++) masks[i] = S.nodes[i].mask;
}

// The session with masks or with every channel open, its draws from the generator's words or
// keyed (rng=keyed).
template <bool masked, bool keyed>
int32_t PlayWindowedSession(SIM &S, int32_t referees) {
  const WINDOW_DRAW d = WindowDrawOf(S);
  CONTENDERS round{S.nodelists[NL_ALL].members, S.contender_masks, S.nn};
  CONTENDERS next{S.nodelists[NL_WON].members, S.contender_masks + S.max_nn, 0};
  if constexpr (masked) DrawChannels(S, round.masks);
  const SENDERS senders = S.senders;
  const double *pt = S.pt;
  const int32_t ns = S.ns;
  // Listeners: the dedicated referees and every node that left the contention in this session.
  int64_t listeners = referees;
  for (int32_t k = 0; k < ns; k++) {
    // Rounds mostly share one probability, and converting it would hold up the round's start.
    const uint64_t threshold = ThresholdOf(&S.pt_threshold, pt[k]);
    const int32_t sent =
        keyed ? KeyedDecideRoundOfPlaces<masked>(S, round.nodes, round.masks, round.count, senders,
                                                 k, threshold, &S.ORed_word)
              : DecideRoundOfPlaces<masked>(S, d, round.nodes, round.masks, round.count, senders,
                                            k, threshold, &S.ORed_word);
    if (sent == 0) continue;
    listeners += round.count - sent;
    if (listeners == 0) continue;  // nobody heard the round: it is not decided
    KeepClassWinners<masked>(S, round, senders, sent, next);
    if (next.count == 0) {
      S.failures++;
      return EndWithoutSuccess(S);
    }
    if (next.count == 1) {
      CountFrame(S, next.nodes[0]);
      return EndWithSuccess(S, next.nodes[0], k);
    }
    listeners += sent - next.count;
    // The winners contend next; the round's arrays take the next round's winners, except the list
    // of all nodes, which stands.
    std::swap(round, next);
    if (next.nodes == S.nodelists[NL_ALL].members) next.nodes = S.nodelists[NL_TX].members;
  }
  // The rounds are used up: every remaining contender sends its frame into the collision.
  for (int32_t i = 0; i < round.count; i++) CountFrame(S, round.nodes[i]);
  return EndWithoutSuccess(S);
}

}  // namespace

SessionFn WindowedSessionFor(const SIM &S) {
  // By [channels fixed][keyed].
  constexpr SessionFn kForms[2][2] = {
      {PlayWindowedSession<true, false>, PlayWindowedSession<true, true>},
      {PlayWindowedSession<false, false>, PlayWindowedSession<false, true>}};
  return kForms[S.session_paths.channels_fixed != 0][S.keyed.on != 0];
}
