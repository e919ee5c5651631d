// Comparisons of generator words with a threshold (at most 2^32) several at a time: bit j of the
// result is set when word j lies below it.
#pragma once

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)
// Unsigned words compared as signed ones with the sign bit flipped, which keeps their order.
inline uint32_t FourBelowVector(__m128i words, uint32_t threshold) {
  const __m128i flip = _mm_set1_epi32(INT32_MIN);
  const __m128i limit = _mm_xor_si128(_mm_set1_epi32(int32_t(threshold)), flip);
  const __m128i less = _mm_cmplt_epi32(_mm_xor_si128(words, flip), limit);
  return uint32_t(_mm_movemask_ps(_mm_castsi128_ps(less)));
}
#endif

// Words w[0 .. 3].
inline uint32_t FourBelow(const uint32_t *w, uint64_t threshold) {
  if (threshold > UINT32_MAX) return 15u;
#if defined(__SSE2__)
  return FourBelowVector(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w)),
                         uint32_t(threshold));
#else
  return uint32_t(w[0] < threshold) | uint32_t(w[1] < threshold) << 1 |
         uint32_t(w[2] < threshold) << 2 | uint32_t(w[3] < threshold) << 3;
#endif
}

// Every other word: w[0], w[2], ..., w[2 (n - 1)], for n <= 64.
inline uint64_t EveryOtherBelow(const uint32_t *w, int32_t n, uint64_t threshold) {
  if (threshold > UINT32_MAX) return n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
  uint64_t below = 0;
  int32_t j = 0;
#if defined(__SSE2__)
  for (; j + 4 <= n; j += 4) {
    const __m128 a = _mm_loadu_ps(reinterpret_cast<const float *>(w + 2 * j));
    const __m128 b = _mm_loadu_ps(reinterpret_cast<const float *>(w + 2 * j + 4));
    const __m128i even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    below |= uint64_t(FourBelowVector(even, uint32_t(threshold))) << j;
  }
#endif
  for (; j < n; j++) below |= uint64_t(w[2 * j] < threshold) << j;
  return below;
}
