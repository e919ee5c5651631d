// Generator words compared with a probability: a uniform draw u = w / 2^32 is below p exactly when
// the word w is below a threshold, so that many draws can be compared at once on buffered words.
#pragma once

#include <cstdint>
#include <cstring>

#include "support/below_threshold.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The draw word w decides u < p, with u = w / 2^32, exactly when w < ceil(p 2^32).
inline uint64_t DrawThreshold(double p) {
  if (!(p > 0)) return 0;
  if (p >= 1) return uint64_t(1) << 32;
  double scaled = p * 4294967296.0;  // exact: a power-of-two scaling, below 2^32
  int64_t whole = int64_t(scaled);   // a signed conversion: one instruction
  return uint64_t(whole) + uint64_t(double(whole) < scaled);
}

// The threshold of the last probability converted: a caller that mostly compares with one
// probability keeps one of these and converts only when the probability changes.
struct LAST_THRESHOLD {
  double p = 0;
  uint64_t threshold = 0;  // DrawThreshold(p)
};
inline uint64_t ThresholdOf(LAST_THRESHOLD *last, double p) {
  if (p != last->p) last->threshold = DrawThreshold(last->p = p);
  return last->threshold;
}

// Words that may be read past the last one compared: the generator's buffer has room for them.
const uint32_t kWordsReadAhead = 7;

// The bits of the first n (1 to 64) words that are below the threshold, compared four at a time:
// whole groups of four are read (up to 3 words past n, ignored).
inline uint64_t WordsBelow(const uint32_t *words, uint32_t n, uint64_t threshold) {
  const uint64_t first_n = ~uint64_t(0) >> (64 - n);
  if (threshold > UINT32_MAX) return first_n;
  uint64_t below = 0;
  for (uint32_t j = 0; j < n; j += 4) below |= uint64_t(FourBelow(words + j, threshold)) << j;
  return below & first_n;
}

#if defined(__x86_64__)
// The marks of the eight words from words on below the threshold t (at most UINT32_MAX).
[[gnu::target("avx2")]] inline uint32_t EightBelowAvx2(const uint32_t *words, uint32_t t) {
  const __m256i flip = _mm256_set1_epi32(INT32_MIN);
  const __m256i bound = _mm256_xor_si256(_mm256_set1_epi32(int32_t(t)), flip);
  const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(words));
  const __m256i less = _mm256_cmpgt_epi32(bound, _mm256_xor_si256(w, flip));
  return uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(less)));
}

// WordsBelow eight words at a time (up to 7 words past n read and ignored), for processors with
// AVX2 (see WordsBelowFastest).
[[gnu::target("avx2")]] inline uint64_t WordsBelowAvx2(const uint32_t *words, uint32_t n,
                                                       uint64_t threshold) {
  const uint64_t first_n = ~uint64_t(0) >> (64 - n);
  if (threshold > UINT32_MAX) return first_n;
  uint64_t below = 0;
  for (uint32_t j = 0; j < n; j += 8)
    below |= uint64_t(EightBelowAvx2(words + j, uint32_t(threshold))) << j;
  return below & first_n;
}
#endif

// The words of words[0 .. n) below the threshold as marks, eight to a byte: word 8k + b is bit b
// of marks[k], for the ceil(n / 8) bytes written (words up to the next eight are read, their marks
// left in the last byte). For runs too long for one 64-bit comparison.
inline void MarkWordsBelow(const uint32_t *words, uint32_t n, uint64_t threshold, uint8_t *marks) {
  for (uint32_t j = 0; j < n; j += 8)
    *marks++ = uint8_t(FourBelow(words + j, threshold) | FourBelow(words + j + 4, threshold) << 4);
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] inline void MarkWordsBelowAvx2(const uint32_t *words, uint32_t n,
                                                       uint64_t threshold, uint8_t *marks) {
  if (threshold > UINT32_MAX) return void(std::memset(marks, 0xFF, (n + 7) / 8));
  const uint32_t t = uint32_t(threshold);
  uint32_t j = 0;
  for (; j + 32 <= n; j += 32) {  // four bytes at a time, without reading past n
    const uint32_t four = EightBelowAvx2(words + j, t) | EightBelowAvx2(words + j + 8, t) << 8 |
                          EightBelowAvx2(words + j + 16, t) << 16 |
                          EightBelowAvx2(words + j + 24, t) << 24;
    std::memcpy(marks + j / 8, &four, sizeof four);
  }
  for (; j < n; j += 8) marks[j / 8] = uint8_t(EightBelowAvx2(words + j, t));
}
#endif

// WordsBelow in the widest form the processor runs, for long runs of words.
inline uint64_t WordsBelowFastest(const uint32_t *words, uint32_t n, uint64_t threshold) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return WordsBelowAvx2(words, n, threshold);
#endif
  return WordsBelow(words, n, threshold);
}
