// Selections of bits: the lowest n set bits of a word, and the bits of a word at the places of a
// mask, packed. A single bit deposit or extraction where the processor has a fast one (BMI2,
// except the AMD families that microcode it), otherwise loops over the bits; the caller asks
// FastBitDeposit once and passes the answer.
#pragma once

#include <bit>
#include <cstdint>

// The processor deposits and extracts bits in one fast instruction.
inline bool FastBitDeposit() {
#if defined(__x86_64__)
  static const bool fast = __builtin_cpu_supports("bmi2") && !__builtin_cpu_is("amdfam15h") &&
                           !__builtin_cpu_is("amdfam17h");
  return fast;
#else
  return false;
#endif
}

// The lowest n (0 to 64) set bits of bits (all of them when it has fewer).
inline uint64_t LowestSetBits(uint64_t bits, int32_t n, bool fast) {
#if defined(__x86_64__)
  if (fast) {
    const uint64_t first_n = n >= 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
    uint64_t deposited;
    asm("pdep %2, %1, %0" : "=r"(deposited) : "r"(first_n), "rm"(bits));
    return deposited;
  }
#endif
  uint64_t rest = bits;
  for (int32_t j = 0; j < n; j++) rest &= rest - 1;  // n steps: a foreseeable end
  return bits & ~rest;
}

// The bits of value at the places of mask's set bits, packed from bit 0 up.
inline uint64_t ExtractBits(uint64_t value, uint64_t mask, bool fast) {
#if defined(__x86_64__)
  if (fast) {
    uint64_t extracted;
    asm("pext %2, %1, %0" : "=r"(extracted) : "r"(value), "rm"(mask));
    return extracted;
  }
#endif
  uint64_t packed = 0;
  for (int j = 0; mask; mask &= mask - 1, j++) packed |= (value >> std::countr_zero(mask) & 1) << j;
  return packed;
}
