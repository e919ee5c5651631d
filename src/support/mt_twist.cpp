// The twist and the tempering, plain and vectorised. The twist's words 0 to 226 read only old
// state; from word 227 on each reads the word written 227 places before, which a vector of 4 or 8
// words has always written already; word 623 reads the new word 0 and is made alone.
#include "support/mt_twist.h"

#include <initializer_list>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QRVL_X86 1
#endif

namespace {

const uint32_t kMatrix = 0x9908b0dfu, kUpper = 0x80000000u, kLower = 0x7fffffffu;
const int kShift = 397, kFirstPart = kMtWords - kShift;  // 227

inline uint32_t TwistWord(uint32_t here, uint32_t next, uint32_t far) {
  const uint32_t y = (here & kUpper) | (next & kLower);
  return far ^ (y >> 1) ^ ((0u - (y & 1u)) & kMatrix);
}

inline uint32_t Temper(uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  return y ^ (y >> 18);
}

// Words from i on, up to end, one at a time.
void TwistPlain(uint32_t *s, int i, int end) {
  for (; i < end; i++)
    s[i] = TwistWord(s[i], s[i + 1], s[i < kFirstPart ? i + kShift : i - kFirstPart]);
}

void TwistAndTemperPlain(uint32_t *s, uint32_t *out) {
  TwistPlain(s, 0, kMtWords - 1);
  s[kMtWords - 1] = TwistWord(s[kMtWords - 1], s[0], s[kShift - 1]);
  for (int i = 0; i < kMtWords; i++) out[i] = Temper(s[i]);
}

#ifdef QRVL_X86

// Four words from i on.
inline void TwistFour(uint32_t *s, int i, int far) {
  const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
  const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i + 1));
  const __m128i other = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + far));
  const __m128i y = _mm_or_si128(_mm_and_si128(here, _mm_set1_epi32(int(kUpper))),
                                 _mm_and_si128(next, _mm_set1_epi32(int(kLower))));
  const __m128i odd = _mm_sub_epi32(_mm_setzero_si128(), _mm_and_si128(y, _mm_set1_epi32(1)));
  const __m128i word = _mm_xor_si128(_mm_xor_si128(other, _mm_srli_epi32(y, 1)),
                                     _mm_and_si128(odd, _mm_set1_epi32(int(kMatrix))));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(s + i), word);
}

inline __m128i TemperFour(__m128i y) {
  y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
  y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), _mm_set1_epi32(int(0x9d2c5680u))));
  y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), _mm_set1_epi32(int(0xefc60000u))));
  return _mm_xor_si128(y, _mm_srli_epi32(y, 18));
}

void TwistAndTemperSse2(uint32_t *s, uint32_t *out) {
  int i = 0;
  for (; i + 4 <= kFirstPart; i += 4) TwistFour(s, i, i + kShift);
  TwistPlain(s, i, kFirstPart);
  for (i = kFirstPart; i + 4 <= kMtWords - 1; i += 4) TwistFour(s, i, i - kFirstPart);
  TwistPlain(s, i, kMtWords - 1);
  s[kMtWords - 1] = TwistWord(s[kMtWords - 1], s[0], s[kShift - 1]);
  for (i = 0; i < kMtWords; i += 4) {
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), TemperFour(y));
  }
}

// Eight words from i on.
[[gnu::target("avx2")]] inline void TwistEight(uint32_t *s, int i, int far) {
  const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i));
  const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i + 1));
  const __m256i other = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + far));
  const __m256i y = _mm256_or_si256(_mm256_and_si256(here, _mm256_set1_epi32(int(kUpper))),
                                    _mm256_and_si256(next, _mm256_set1_epi32(int(kLower))));
  const __m256i odd =
      _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_and_si256(y, _mm256_set1_epi32(1)));
  const __m256i word = _mm256_xor_si256(_mm256_xor_si256(other, _mm256_srli_epi32(y, 1)),
                                        _mm256_and_si256(odd, _mm256_set1_epi32(int(kMatrix))));
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(s + i), word);
}

[[gnu::target("avx2")]] inline __m256i TemperEight(__m256i y) {
  y = _mm256_xor_si256(y, _mm256_srli_epi32(y, 11));
  y = _mm256_xor_si256(
      y, _mm256_and_si256(_mm256_slli_epi32(y, 7), _mm256_set1_epi32(int(0x9d2c5680u))));
  y = _mm256_xor_si256(
      y, _mm256_and_si256(_mm256_slli_epi32(y, 15), _mm256_set1_epi32(int(0xefc60000u))));
  return _mm256_xor_si256(y, _mm256_srli_epi32(y, 18));
}

[[gnu::target("avx2")]] void TwistAndTemperAvx2(uint32_t *s, uint32_t *out) {
  int i = 0;
  for (; i + 8 <= kFirstPart; i += 8) TwistEight(s, i, i + kShift);
  TwistPlain(s, i, kFirstPart);
  for (i = kFirstPart; i + 8 <= kMtWords - 1; i += 8) TwistEight(s, i, i - kFirstPart);
  TwistPlain(s, i, kMtWords - 1);
  s[kMtWords - 1] = TwistWord(s[kMtWords - 1], s[0], s[kShift - 1]);
  for (i = 0; i < kMtWords; i += 8) {
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), TemperEight(y));
  }
}

#endif

}  // namespace

bool MtFormRuns(MT_FORM form) {
#ifdef QRVL_X86
  if (form == MT_AVX2) return __builtin_cpu_supports("avx2");
  if (form == MT_SSE2) return __builtin_cpu_supports("sse2");
#endif
  return form == MT_PLAIN;
}

void MtTwistAndTemper(MT_FORM form, uint32_t *state, uint32_t *out) {
#ifdef QRVL_X86
  if (form == MT_AVX2) return TwistAndTemperAvx2(state, out);
  if (form == MT_SSE2) return TwistAndTemperSse2(state, out);
#endif
  TwistAndTemperPlain(state, out);
}

MT_FORM FastestMtForm() {
  for (MT_FORM form : {MT_AVX2, MT_SSE2})
    if (MtFormRuns(form)) return form;
  return MT_PLAIN;
}
