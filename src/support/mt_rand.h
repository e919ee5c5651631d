// The protocol's own MT19937 generator under its reference names, and the exactly uniform index
// draw that every part of the simulator uses. A generator is a value (MtRand) that the draws
// receive; its outputs are handed out from a buffer refilled 624 at a time by a vectorised twist
// and tempering; tests may queue scripted words in front of the generator's stream.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

// The buckets of a uniform draw over m values: the bucket width floor((2^32 - 1) / m), and its
// reciprocal, with which the bucket of a word is a multiplication instead of a division
// (r / width = (r * (inverse + 1)) >> 64 for every 32-bit r).
struct UNIFORM_BUCKETS {
  uint32_t m;        // values drawn over (0: not prepared)
  uint32_t width;    // floor((2^32 - 1) / m)
  uint64_t inverse;  // floor((2^64 - 1) / width): the reciprocal less one, so that width 1 fits
};

struct MtRand {
  uint32_t state[624];       // the MT19937 state, once seeded
  bool seeded = false;       // false: the first refill seeds with 5489, as the reference does
  // One twist's outputs, room for queued words in front of them, and for words read ahead of the
  // last one (word_compare.h).
  uint32_t buffer[2 * 624 + 8];
  uint32_t next = 0;         // index of the next word handed out
  uint32_t count = 0;        // words available in the buffer
  UNIFORM_BUCKETS buckets{}; // those of the last uniform draw
  uint64_t retired = 0;      // words handed out from earlier buffers
};

// Refills the buffer with the next 624 outputs.
void MtRefill(MtRand &g);

// The number of words handed out since the generator was last seeded (benchmarks count draws).
inline uint64_t GenRandWordsUsed(const MtRand &g) { return g.retired + g.next; }

// Seeds the generator by the reference recurrence and drops any buffered words.
void init_genrand(MtRand &g, uint32_t seed);
// Hands out the given words (at most 624) before the generator's own stream continues (for tests).
void QueueGenRandWords(MtRand &g, const uint32_t *words, size_t count);

inline uint32_t genrand_int32(MtRand &g) {
  if (g.next == g.count) MtRefill(g);
  return g.buffer[g.next++];
}

// Moves the words left in the buffer to its front and makes the next 624 outputs after them.
void MtRefillKeeping(MtRand &g);

// The most words that EnsureWords can make wait: one twist's outputs.
const uint32_t kMaxBufferedWords = 624;

// Makes at least n (at most kMaxBufferedWords) words wait in the buffer, in a row; the stream is
// the same.
inline void EnsureWords(MtRand &g, uint32_t n) {
  if (g.count - g.next < n) MtRefillKeeping(g);
}

// The generator's buffered words from the next one on, to be read ahead of the draws; ConsumeWords
// then hands out the first n of them as drawn. The buffer is refilled only by a draw.
struct WORD_WINDOW {
  const uint32_t *words;
  uint32_t count;
};
inline WORD_WINDOW BufferedWords(const MtRand &g) {
  return WORD_WINDOW{g.buffer + g.next, g.count - g.next};
}
inline void ConsumeWords(MtRand &g, uint32_t n) {
  assert(n <= g.count - g.next);
  g.next += n;
}

// Uniform in [0, 1) with 32-bit resolution: 0 for the zero word, never 1.
inline double genrand_real2(MtRand &g) { return genrand_int32(g) * (1.0 / 4294967296.0); }

UNIFORM_BUCKETS PrepareBuckets(uint32_t m);

// The buckets of a draw over m values, prepared once and kept while the same m is drawn again.
inline const UNIFORM_BUCKETS &BucketsFor(MtRand &g, uint32_t m) {
  if (g.buckets.m != m) g.buckets = PrepareBuckets(m);
  return g.buckets;
}

// The bucket of r: r / floor((2^32 - 1) / m). It is m for the few largest r, those in the
// remainder above the last full bucket.
inline uint32_t BucketOf(uint32_t r, const UNIFORM_BUCKETS &buckets) {
  return uint32_t(((unsigned __int128)r * buckets.inverse + r) >> 64);
}

// The same with the reciprocal inverse + 1 (buckets of width 2 or more): one multiplication.
inline uint32_t BucketOfWide(uint32_t r, uint64_t reciprocal) {
  return uint32_t(((unsigned __int128)r * reciprocal) >> 64);
}

// A uniform value in [0, m) from the generator's words: a word in the remainder above the last
// full bucket is rejected and the draw taken again, so the result is exact and never m. m = 0
// stands for the full range 2^32.
inline uint32_t DrawUniform(MtRand &g, uint32_t m) {
  if (m == 0) return genrand_int32(g);
  const UNIFORM_BUCKETS &buckets = BucketsFor(g, m);
  for (;;) {
    uint32_t v = BucketOf(genrand_int32(g), buckets);
    if (v < m) return v;
  }
}

// A uniform integer in [a, b]; the range size b - a + 1 is taken modulo 2^32.
inline int32_t GenRand(MtRand &g, int32_t a, int32_t b) {
  uint32_t m = uint32_t(b) - uint32_t(a) + 1u;
  return int32_t(uint32_t(a) + DrawUniform(g, m));
}
