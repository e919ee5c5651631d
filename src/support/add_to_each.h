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
// Four sums at a time, then the last one to three.
[[gnu::target("avx2")]] inline void AddToEachAvx2(double *sums, int32_t n, double d) {
  const __m256d add = _mm256_set1_pd(d);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4)
    _mm256_storeu_pd(sums + i, _mm256_add_pd(_mm256_loadu_pd(sums + i), add));
  for (; i < n; i++) sums[i] += d;
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
