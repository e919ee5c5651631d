// Keyed random numbers: every word a pure function of the run's seed, what it is for and where it
// falls (session, node or pair, round or subcarrier, draw), made by Random123's Philox4x32-10,
// four words a call. The counter layout has a version number, printed with the seed.
#pragma once

#include <cstdint>

// The high half of Philox's 32-bit products, for the library's high-half hook: the low half is
// then the plain 32-bit product, one vector instruction, where the library's usual form widens
// every product to 64 bits and narrows it back. The words are the same.
inline uint32_t KeyedMulHigh32(uint32_t a, uint32_t b) {
  return uint32_t((uint64_t(a) * b) >> 32);
}
#define R123_USE_64BIT 0  // the 64-bit generators are not used; their form would take precedence
#define R123_USE_MULHILO32_MULHI_INTRIN 1
#define R123_MULHILO32_MULHI_INTRIN KeyedMulHigh32
#include <Random123/philox.h>

#include <vector>

#include "support/mt_rand.h"

// The version of the layout below: a change of it changes every keyed draw.
const int kKeyedLayout = 1;

// What a keyed word is for. Every block of four words has the key (seed, purpose + 256 draw) and
// the counter (session low, session high, a, b):
//   KEYED_DECIDE   a = round, b = node / 2: draw 0 holds the decision and the first codeword word
//                  of nodes 2b and 2b + 1, in that order; draw r > 0 holds at word 2 (node % 2)
//                  the codeword's r-th word again, drawn when the one before fell above the last
//                  full bucket.
//   KEYED_MASK     a = 0, b = node: the node's stream of fading draws, word j in draw j / 4 at
//                  j % 4 (binomial fading: word j for subcarrier j).
//   KEYED_CHANNEL  the same for the basic session's received powers, word m for subcarrier m.
//   KEYED_GAIN     a = lower node of the pair, b = higher; draw m / 4, word m % 4 for subcarrier m.
//   KEYED_SETUP    session 0, a = what (KEYED_SETUP_...), b = 0: the set-up's stream of draws.
enum KeyedPurpose : uint32_t { KEYED_DECIDE = 1, KEYED_MASK, KEYED_GAIN, KEYED_CHANNEL, KEYED_SETUP };
enum KeyedSetUp : uint32_t { KEYED_SETUP_SCRAMBLE = 1, KEYED_SETUP_WINDOW, KEYED_SETUP_WAITS };

// The key of a purpose's draw, and the counter words of a session: the layout's first half.
inline philox4x32_key_t KeyedKey(uint32_t seed, uint32_t purpose, uint32_t draw) {
  return philox4x32_key_t{{seed, purpose + (draw << 8)}};
}
inline uint32_t SessionLow(uint64_t session) { return uint32_t(session); }
inline uint32_t SessionHigh(uint64_t session) { return uint32_t(session >> 32); }

// The four words of one block.
inline philox4x32_ctr_t KeyedBlock(uint32_t seed, uint32_t purpose, uint32_t draw,
                                   uint64_t session, uint32_t a, uint32_t b) {
  const philox4x32_ctr_t ctr = {{SessionLow(session), SessionHigh(session), a, b}};
  return philox4x32(ctr, KeyedKey(seed, purpose, draw));
}

// The words of count blocks of one draw, b = first .. first + count - 1 (wrapping), four a block
// into words: eight blocks at a time, in vector instructions where the processor has them. The
// words are those of KeyedBlock. words has room for KeyedWordsRoom(count) words.
void KeyedBlocks(uint32_t seed, uint32_t purpose, uint32_t draw, uint64_t session, uint32_t a,
                 uint32_t first, uint32_t count, uint32_t *words);
inline size_t KeyedWordsRoom(uint32_t count) { return 64 * ((size_t(count) + 15) / 16); }

// The same for count blocks at any counters b[0 .. count - 1], eight at a time: words has room for
// KeyedWordsRoomAt(count) words, and b is read up to the next multiple of eight.
void KeyedBlocksAt(uint32_t seed, uint32_t purpose, uint32_t draw, uint64_t session, uint32_t a,
                   const uint32_t *b, uint32_t count, uint32_t *words);
inline size_t KeyedRoundedUp(uint32_t count) { return 8 * ((size_t(count) + 7) / 8); }

// Blocks b = 0 .. 3 of a and then of a + 1, into words[0 .. 32): one run of eight that serves two
// rounds of a few nodes.
void KeyedBlocksOfTwoRounds(uint32_t seed, uint32_t purpose, uint32_t draw, uint64_t session,
                            uint32_t a, uint32_t *words);

// A uniform in (0, 1] from a word: (w + 1) / 2^32, so that its logarithm is finite.
inline double KeyedOpenUniform(uint32_t w) { return (double(w) + 1.0) * (1.0 / 4294967296.0); }

// A stream of keyed words for one purpose and place (a, b), word after word: word j is word j % 4
// of draw j / 4.
struct KEYED_STREAM {
  uint32_t seed, purpose;
  uint64_t session;
  uint32_t a, b;
  uint32_t next = 0;         // index of the next word
  philox4x32_ctr_t block{};  // the words of draw next / 4, once made
};

inline uint32_t KeyedNext(KEYED_STREAM &s) {
  if (s.next % 4 == 0) s.block = KeyedBlock(s.seed, s.purpose, s.next / 4, s.session, s.a, s.b);
  return s.block.v[s.next++ % 4];
}

// A uniform index in [0, m) from words taken in turn, as DrawUniform takes the generator's: a word
// in the remainder above the last full bucket is passed over. Buckets with m = 0 stand for the
// full range 2^32 (BucketsOver(0)).
template <class NextWord>
inline uint32_t IndexFromWords(const UNIFORM_BUCKETS &buckets, NextWord &&next) {
  if (buckets.m == 0) return next();
  for (;;) {
    const uint32_t index = BucketOf(next(), buckets);
    if (index < buckets.m) return index;
  }
}

inline UNIFORM_BUCKETS BucketsOver(uint32_t m) { return m ? PrepareBuckets(m) : UNIFORM_BUCKETS{}; }

// The last block of one kind of draw a simulation made, kept while the next draw falls in it.
struct KEYED_CACHE {
  uint64_t session = ~uint64_t(0);
  uint32_t a = 0, b = 0;
  philox4x32_ctr_t words{};
};

// The block (purpose, draw 0, session, a, b), through the cache.
inline const philox4x32_ctr_t &KeyedCachedBlock(KEYED_CACHE &cache, uint32_t seed,
                                                uint32_t purpose, uint64_t session, uint32_t a,
                                                uint32_t b) {
  if (cache.session != session || cache.a != a || cache.b != b) {
    cache.words = KeyedBlock(seed, purpose, 0, session, a, b);
    cache.session = session, cache.a = a, cache.b = b;
  }
  return cache.words;
}

// The blocks of a round's decisions, made together: their counters b and their words. With a few
// nodes the first round's run also makes the next round's blocks 0 .. 3, at words + 16, for the
// session and round named ahead.
struct KEYED_TABLE {
  std::vector<uint32_t> b, words;
  uint64_t ahead_session = 0;
  uint32_t ahead_round = ~0u;
};

// The first draws of one purpose's stream (a = 0, b = node) for nodes 0 .. nodes - 1 in one
// session, made together at the first request: word j of node's stream is
// words[(j / 4 * nodes + node) * 4 + j % 4].
struct KEYED_NODE_TABLE {
  uint64_t session = ~uint64_t(0);
  uint32_t purpose = 0, draws = 0, nodes = 0;
  std::vector<uint32_t> words;
};

inline const uint32_t *KeyedNodeWords(KEYED_NODE_TABLE &t, uint32_t seed, uint32_t purpose,
                                      uint64_t session, uint32_t draws, uint32_t nodes) {
  if (t.session != session || t.purpose != purpose || t.draws != draws || t.nodes != nodes) {
    t.words.resize(4 * size_t(draws) * nodes + KeyedWordsRoom(nodes));
    for (uint32_t d = 0; d < draws; d++)
      KeyedBlocks(seed, purpose, d, session, 0, 0, nodes, t.words.data() + 4 * size_t(d) * nodes);
    t.session = session, t.purpose = purpose, t.draws = draws, t.nodes = nodes;
  }
  return t.words.data();
}

// A node's stream of one purpose in a session (see KEYED_NODE_TABLE), its first words read from
// the table of every node when it holds them, the rest made block by block.
struct KEYED_NODE_STREAM {
  const uint32_t *table;
  uint32_t nodes, tabled;  // words 0 .. tabled - 1 are in the table
  KEYED_STREAM rest;
  uint32_t operator()() {
    const uint32_t j = rest.next;
    if (j >= tabled) return KeyedNext(rest);
    rest.next++;
    return table[(j / 4 * size_t(nodes) + rest.b) * 4 + j % 4];
  }
};

// The stream of node (< nodes) with its first draws made for every node at once.
inline KEYED_NODE_STREAM KeyedNodeStream(KEYED_NODE_TABLE &t, uint32_t seed, uint32_t purpose,
                                         uint64_t session, uint32_t draws, uint32_t nodes,
                                         uint32_t node) {
  KEYED_STREAM rest{seed, purpose, session, 0, node};
  if (node >= nodes) return KEYED_NODE_STREAM{nullptr, nodes, 0, rest};
  return KEYED_NODE_STREAM{KeyedNodeWords(t, seed, purpose, session, draws, nodes), nodes,
                           4 * draws, rest};
}

// A simulation's keyed draws: on with rng=keyed; the run's seed; the session under way (its index
// in the run, from 0); the last block of transmit decisions, the table of a round's decisions and
// of the session's channel draws, and the buckets of the uniform codeword draw.
struct KEYED_STATE {
  int32_t on = 0;
  uint32_t seed = 0;
  uint64_t session = 0;
  KEYED_CACHE decisions;
  KEYED_TABLE decision_table;
  KEYED_NODE_TABLE node_words;  // the fading or received-power draws of every node
  UNIFORM_BUCKETS codeword_buckets{};
};

// The set-up's uniform words (scramble, adaptive start values): the own generator's, or with
// keyed draws the words of (KEYED_SETUP, session 0, what).
struct SETUP_WORDS {
  MtRand &mt;
  bool keyed;
  KEYED_STREAM stream;
  SETUP_WORDS(MtRand &g, const KEYED_STATE &k, KeyedSetUp what)
      : mt(g), keyed(k.on != 0), stream{k.seed, KEYED_SETUP, 0, what, 0} {}
  uint32_t operator()() { return keyed ? KeyedNext(stream) : genrand_int32(mt); }
};
