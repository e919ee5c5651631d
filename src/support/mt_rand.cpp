// The own generator's seeding, buffer handling and the exactly uniform draw's buckets.
#include "support/mt_rand.h"

#include <algorithm>
#include <cstring>

#include "support/mt_twist.h"

void MtRefill(MtRand &g) {
  // The processor's fastest form, chosen once for the process.
  static const MT_FORM form = FastestMtForm();
  if (!g.seeded) init_genrand(g, 5489u);
  g.retired += g.next;
  MtTwistAndTemper(form, g.state, g.buffer);
  g.next = 0;
  g.count = 624;
}

void MtRefillKeeping(MtRand &g) {
  const uint32_t left = g.count - g.next;
  static const MT_FORM form = FastestMtForm();
  if (!g.seeded) init_genrand(g, 5489u);
  memmove(g.buffer, g.buffer + g.next, left * sizeof(uint32_t));
  g.retired += g.next;
  MtTwistAndTemper(form, g.state, g.buffer + left);
  g.next = 0;
  g.count = left + 624;
}

void init_genrand(MtRand &g, uint32_t seed) {
  uint32_t *state = g.state;
  state[0] = seed;
  for (uint32_t i = 1; i < 624; i++)
    state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
  g.seeded = true;
  g.next = g.count = 0;
  g.retired = 0;
}

void QueueGenRandWords(MtRand &g, const uint32_t *words, size_t count) {
  count = std::min(count, size_t(624));
  uint32_t pending = g.count - g.next;
  memmove(g.buffer + count, g.buffer + g.next, pending * sizeof(uint32_t));
  std::copy(words, words + count, g.buffer);
  g.retired += g.next;
  g.next = 0;
  g.count = uint32_t(count + pending);
}

UNIFORM_BUCKETS PrepareBuckets(uint32_t m) {
  uint32_t width = UINT32_MAX / m;
  return UNIFORM_BUCKETS{m, width, UINT64_MAX / width};
}
