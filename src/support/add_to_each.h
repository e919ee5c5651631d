// One duration added to many running sums at once: each sum gets exactly the addition it would get
// on its own, so the results are the same bit for bit whatever the vector width.
#pragma once

#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

inline void AddToEachPlain(double *sums, int32_t n, double d) {
  for (int32_t i = 0; i < n; i++) sums[i] += d;
}

#if defined(__x86_64__)
// Four sums at a time; the last one to three through a mask, which leaves the rest untouched.
[[gnu::target("avx2")]] inline void AddToEachAvx2(double *sums, int32_t n, double d) {
  const __m256d add = _mm256_set1_pd(d);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(sums + i, _mm256_add_pd(_mm256_loadu_pd(sums + i), add));
  if (i == n) return;
  const __m256i lanes = _mm256_set_epi64x(3, 2, 1, 0);
  const __m256i mask = _mm256_cmpgt_epi64(_mm256_set1_epi64x(n - i), lanes);
  const __m256d tail = _mm256_maskload_pd(sums + i, mask);
  _mm256_maskstore_pd(sums + i, mask, _mm256_add_pd(tail, add));
}
#endif

// sums[i] += d for i < n, in the widest form the processor runs (a few sums one by one).
inline void AddToEach(double *sums, int32_t n, double d) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return AddToEachAvx2(sums, n, d);
#endif
  AddToEachPlain(sums, n, d);
}
