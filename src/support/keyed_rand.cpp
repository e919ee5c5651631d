// Keyed blocks made many at a time.
#include "support/keyed_rand.h"

namespace {

// N consecutive blocks from the counter (c0, c1, c2, c3). N independent calls in a row, on values
// held in registers, let the compiler compute them side by side in vector registers.
template <int N>
[[gnu::always_inline]] inline void KeyedRun(philox4x32_key_t key, uint32_t c0, uint32_t c1,
                                            uint32_t c2, uint32_t c3, uint32_t *__restrict words) {
  for (int i = 0; i < N; i++) {
    const philox4x32_ctr_t ctr = {{c0, c1, c2, c3 + uint32_t(i)}};
    const philox4x32_ctr_t r = philox4x32(ctr, key);
    for (int j = 0; j < 4; j++) words[4 * i + j] = r.v[j];
  }
}

}  // namespace

[[gnu::target_clones("avx2", "default")]] void KeyedBlocks(uint32_t seed, uint32_t purpose,
                                                          uint32_t draw, uint64_t session,
                                                          uint32_t a, uint32_t first,
                                                          uint32_t count, uint32_t *words) {
  const philox4x32_key_t key = {{seed, purpose + (draw << 8)}};
  const uint32_t c0 = uint32_t(session), c1 = uint32_t(session >> 32);
  for (; count >= 16; count -= 16, first += 16, words += 64)
    KeyedRun<16>(key, c0, c1, a, first, words);
  // The last few: a whole run of sixteen, into the room past them, costs less than one by one.
  if (count >= 4) return KeyedRun<16>(key, c0, c1, a, first, words);
  for (; count > 0; count--, first++, words += 4) KeyedRun<1>(key, c0, c1, a, first, words);
}
