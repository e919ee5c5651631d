// The transmit decisions of a basic-session round taken a window of generator words at a time,
// for uniform codeword draws under the mask model: the same decisions, codewords and superposed
// word as deciding contender by contender, from the same words of the stream. The equivalence it
// keeps: every contender, in list order, reads one word as its decision and, when it transmits,
// the next word as its codeword, exactly as DecidesToTransmit would; the stream advances by the
// same words. The test WindowedDecisions.EqualTheContenderByContenderPath guards it.
#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>

#include "core/state.h"
#include "sessions/transmit.h"
#include "support/bit_select.h"
#include "support/mt_rand.h"
#include "support/word_compare.h"

// What the decisions of a session's rounds read, taken from the simulation once.
struct WINDOW_DRAW {
  MtRand *g;
  uint64_t reciprocal;  // of the bucket width of a draw over m codewords: BucketOfWide
  const int32_t *codes, *class_of_code;
  uint32_t m;
  bool fast_bits;       // FastBitDeposit
};

// From the values the set-up took once (ChooseSessionPaths).
inline WINDOW_DRAW WindowDrawOf(SIM &S) {
  return WINDOW_DRAW{&S.mt_rand,      S.codeword_reciprocal,       S.codewords.codes,
                     S.class_of_code, uint32_t(S.codewords.count), S.fast_bits != 0};
}

// One contender's decision straight from the generator: the rare case of the windowed pass, when
// a codeword word falls above the last full bucket and must be drawn again.
bool DecidesToTransmitOutOfLine(SIM &S, NODE *node, int32_t k);

// The most contenders decided one by one: so few take fewer instructions in turn than a window
// takes to set up.
const int32_t kFewContenders = 8;

// The same decisions taken contender by contender from the buffered words, for few contenders:
// each reads its decision word and, when it transmits, its codeword word.
template <class Visit, class Redraw>
inline int32_t DecideInTurn(const WINDOW_DRAW &d, int32_t count, uint64_t threshold, Visit visit,
                            Redraw redraw_at) {
  MtRand &g = *d.g;
  EnsureWords(g, 2u * uint32_t(count));
  const uint32_t *first = g.buffer + g.next, *word = first;  // the first word not yet drawn
  int32_t sent = 0;
  for (int32_t i = 0; i < count; i++) {
    if (*word++ >= threshold) continue;
    const uint32_t index = BucketOfWide(*word, d.reciprocal);
    if (index >= d.m) [[unlikely]] {
      ConsumeWords(g, uint32_t(word - 1 - first));
      sent += redraw_at(i);
      EnsureWords(g, 2u * uint32_t(count - i));
      first = word = g.buffer + g.next;
      continue;
    }
    word++;
    visit(i, index);
    sent++;
  }
  ConsumeWords(g, uint32_t(word - first));
  return sent;
}

// The decisions of the count contenders in round k against threshold (DrawThreshold of pt[k]),
// the same in both of their forms below. The decisions are coin tosses the processor cannot
// predict and each one places the next, so beyond the few (DecideInTurn) they are not taken one
// by one: a window of up to 64 buffered words is compared with the threshold at once, the decision
// words among them are found by bit arithmetic, and only the transmitters are visited:
// visit(place, index) for each, in order,
// with its place among the contenders and its codeword's index. A codeword word above the last
// full bucket is drawn again contender by contender: redraw(place) decides that contender, and
// the windows go on after it. Returns the number of transmitters.
template <class Visit, class Redraw>
inline int32_t DecideWindows(const WINDOW_DRAW &d, int32_t count, uint64_t threshold, Visit visit,
                             Redraw redraw_at) {
  if (count <= kFewContenders) return DecideInTurn(d, count, threshold, visit, redraw_at);
  MtRand &g = *d.g;
  const uint64_t reciprocal = d.reciprocal;
  const uint32_t m = d.m;
  int32_t sent = 0;
  int64_t i = 0;
  while (i < count) {
    // r contenders read at most 2r words; a decision in the window's last word is left to the
    // next window, whose codeword word would lie beyond it.
    const int64_t r = count - i;
    const uint32_t words = r >= 32 ? 64u : 2u * uint32_t(r);
    EnsureWords(g, words);
    const uint32_t *window = g.buffer + g.next;
    // A few words are compared in line; many in the processor's widest form.
    const uint64_t below = words <= 16 ? WordsBelow(window, words, threshold)
                                       : WordsBelowFastest(window, words, threshold);
    const uint64_t sending = TransmittingDecisions(below);
    uint64_t decisions = ~(sending << 1) & (~uint64_t(0) >> (65 - words));
    // Few contenders left: cut the decisions to them; many: the window rarely holds more
    // decisions than contenders.
    if (r < 32 || std::popcount(decisions) > r)
      decisions = LowestSetBits(decisions, int32_t(r), d.fast_bits);
    uint64_t left = decisions & sending;
    // The transmitters' places from the window's first contender, in step with left: extracted
    // at once, or each one's decisions up to it counted.
    uint64_t places = d.fast_bits ? ExtractBits(left, decisions, true) : 0;
    const uint32_t *codeword_words = window + 1;
    bool redraw = false;
    while (left) {
      const uint64_t bit = uint64_t(__builtin_ctzll(left));
      assert(bit + 1 < words);  // a transmitter's codeword word is in the window
      const uint32_t index = BucketOfWide(codeword_words[bit], reciprocal);
      if (index >= m) [[unlikely]] {  // taken again below, from this contender's decision on
        decisions &= (uint64_t(1) << bit) - 1;
        redraw = true;
        break;
      }
      const int64_t place = d.fast_bits ? __builtin_ctzll(places)
                                        : std::popcount(decisions & (left ^ (left - 1))) - 1;
      visit(i + place, index);
      sent++;
      left &= left - 1;
      places &= places - 1;
    }
    i += std::popcount(decisions);
    if (decisions) {
      const int last = 63 - std::countl_zero(decisions);
      ConsumeWords(g, uint32_t(last) + 1 + uint32_t(below >> last & 1));
    }
    if (!redraw) [[likely]] continue;
    sent += redraw_at(int32_t(i++));
  }
  return sent;
}

// The round for the working lists: the transmitters' nodes into senders, each with its word_idx
// and word set, and their superposed word under their masks into *heard.
inline int32_t DecideRoundOfNodes(SIM &S, const WINDOW_DRAW &d, NODE *const *contenders,
                                  int32_t count, NODE **senders, int32_t k, uint64_t threshold,
                                  uint32_t *heard_out) {
  uint32_t heard = 0;
  NODE **out = senders;
  auto visit = [&](int64_t place, uint32_t index) {
    NODE *node = contenders[place];
    const uint32_t word = uint32_t(d.codes[index]);
    node->word_idx = int32_t(index);
    node->word = word;
    heard |= word & node->mask;
    *out++ = node;
  };
  auto redraw = [&](int32_t place) {
    NODE *node = contenders[place];
    if (!DecidesToTransmitOutOfLine(S, node, k)) return 0;
    heard |= node->word & node->mask;
    *out++ = node;
    return 1;
  };
  const int32_t sent = DecideWindows(d, count, threshold, visit, redraw);
  *heard_out = heard;
  return sent;
}

// The round of the windowed session: the transmitters as places and codeword classes, their
// superposed word through the contenders' masks (masks[place]), or, with no masks, as sent. The
// nodes are not visited: only a redrawn codeword sets a node's word.
template <bool masked>
inline int32_t DecideRoundOfPlaces(SIM &S, const WINDOW_DRAW &d, NODE *const *contenders,
                                   const uint32_t *masks, int32_t count, const SENDERS &senders,
                                   int32_t k, uint64_t threshold, uint32_t *heard_out) {
  const int32_t *codes = d.codes, *class_of_code = d.class_of_code;
  int32_t *places = senders.places, *classes = senders.classes;
  uint32_t heard = 0;
  int64_t sent = 0;
  auto visit = [&](int64_t place, uint32_t index) {
    const uint32_t word = uint32_t(codes[index]);
    heard |= masked ? word & masks[place] : word;
    places[sent] = int32_t(place);
    classes[sent++] = class_of_code[index];
  };
  auto redraw = [&](int32_t place) {
    NODE *node = contenders[place];
    if (!DecidesToTransmitOutOfLine(S, node, k)) return 0;
    heard |= masked ? node->word & masks[place] : node->word;
    places[sent] = place;
    classes[sent++] = class_of_code[node->word_idx];
    return 1;
  };
  DecideWindows(d, count, threshold, visit, redraw);
  *heard_out = heard;
  return int32_t(sent);
}

// The same for the working lists: the contenders of alive, the transmitters into tx, the
// superposed word into ORed_word.
void DrawTransmittersUniformMask(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k);
