// The own generator's seeding, buffer handling and the exactly uniform draw's buckets.
#include "support/mt_rand.h"

#include <algorithm>
#include <cstring>

#include "support/mt_twist.h"

MtRand mt_rand;

void MtRefill() {
  static const MT_FORM form = FastestMtForm();
  if (!mt_rand.seeded) init_genrand(5489u);
  mt_rand.retired += mt_rand.next;
  MtTwistAndTemper(form, mt_rand.state, mt_rand.buffer);
  mt_rand.next = 0;
  mt_rand.count = 624;
}

void init_genrand(uint32_t seed) {
  uint32_t *state = mt_rand.state;
  state[0] = seed;
  for (uint32_t i = 1; i < 624; i++)
    state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
  mt_rand.seeded = true;
  mt_rand.next = mt_rand.count = 0;
  mt_rand.retired = 0;
}

void ResetGenRand() { init_genrand(5489u); }

void QueueGenRandWords(const uint32_t *words, size_t count) {
  count = std::min(count, size_t(624));
  uint32_t pending = mt_rand.count - mt_rand.next;
  memmove(mt_rand.buffer + count, mt_rand.buffer + mt_rand.next, pending * sizeof(uint32_t));
  std::copy(words, words + count, mt_rand.buffer);
  mt_rand.retired += mt_rand.next;
  mt_rand.next = 0;
  mt_rand.count = uint32_t(count + pending);
}

UNIFORM_BUCKETS PrepareBuckets(uint32_t m) {
  uint32_t width = UINT32_MAX / m;
  return UNIFORM_BUCKETS{m, width, UINT64_MAX / width};
}
