// Keyed blocks made many at a time.
#include "support/keyed_rand.h"

namespace {

// N blocks at the counters (c0, c1, a_of(i), b[i]): N independent calls in a row, on values held
// in registers, let the compiler compute them side by side in vector registers.
template <int N, class A>
[[gnu::always_inline]] inline void KeyedRunOf(philox4x32_key_t key, uint32_t c0, uint32_t c1,
                                              A a_of, const uint32_t *__restrict b,
                                              uint32_t *__restrict words) {
  for (int i = 0; i < N; i++) {
    const philox4x32_ctr_t ctr = {{c0, c1, a_of(i), b[i]}};
    const philox4x32_ctr_t r = philox4x32(ctr, key);
    for (int j = 0; j < 4; j++) words[4 * i + j] = r.v[j];
  }
}

// The same with one c2 for all N.
template <int N>
[[gnu::always_inline]] inline void KeyedRunAt(philox4x32_key_t key, uint32_t c0, uint32_t c1,
                                              uint32_t c2, const uint32_t *__restrict b,
                                              uint32_t *__restrict words) {
  KeyedRunOf<N>(key, c0, c1, [c2](int) { return c2; }, b, words);
}

}  // namespace

[[gnu::target_clones("avx2", "default")]] void KeyedBlocks(uint32_t seed, uint32_t purpose,
                                                          uint32_t draw, uint64_t session,
                                                          uint32_t a, uint32_t first,
                                                          uint32_t count, uint32_t *words) {
  const philox4x32_key_t key = KeyedKey(seed, purpose, draw);
  const uint32_t c0 = SessionLow(session), c1 = SessionHigh(session);
  // The counters from a table: the compiler makes eight of them side by side from it.
  uint32_t b[8];
  for (; count >= 8; count -= 8, first += 8, words += 32) {
    for (uint32_t i = 0; i < 8; i++) b[i] = first + i;
    KeyedRunAt<8>(key, c0, c1, a, b, words);
  }
  // The last few: a whole run of eight, into the room past them, costs less than one by one.
  if (count >= 3) {
    for (uint32_t i = 0; i < 8; i++) b[i] = first + i;
    return KeyedRunAt<8>(key, c0, c1, a, b, words);
  }
  for (; count > 0; count--, first++, words += 4) KeyedRunAt<1>(key, c0, c1, a, &first, words);
}

[[gnu::target_clones("avx2", "default")]] void KeyedBlocksAt(uint32_t seed, uint32_t purpose,
                                                            uint32_t draw, uint64_t session,
                                                            uint32_t a, const uint32_t *b,
                                                            uint32_t count, uint32_t *words) {
  const philox4x32_key_t key = KeyedKey(seed, purpose, draw);
  const uint32_t c0 = SessionLow(session), c1 = SessionHigh(session);
  uint32_t i = 0;
  for (; i + 3 <= count; i += 8) KeyedRunAt<8>(key, c0, c1, a, b + i, words + 4 * i);
  for (; i < count; i++) KeyedRunAt<1>(key, c0, c1, a, b + i, words + 4 * i);
}

[[gnu::target_clones("avx2", "default")]] void KeyedBlocksOfTwoRounds(uint32_t seed,
                                                                     uint32_t purpose,
                                                                     uint32_t draw,
                                                                     uint64_t session, uint32_t a,
                                                                     uint32_t *words) {
  const philox4x32_key_t key = KeyedKey(seed, purpose, draw);
  const uint32_t c0 = SessionLow(session), c1 = SessionHigh(session);
  const uint32_t b[8] = {0, 1, 2, 3, 0, 1, 2, 3};
  KeyedRunOf<8>(key, c0, c1, [a](int i) { return a + uint32_t(i >= 4); }, b, words);
}
