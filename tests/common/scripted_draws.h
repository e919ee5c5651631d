// Scripted generator words for session tests: the draws of survivors that, in draw order, send a
// given codeword index or stay quiet.
#pragma once

#include <cstdint>
#include <vector>

#include "core/state.h"
#include "support/mt_rand.h"

const int32_t kQuiet = -1;

// Queues the draws of survivors that, in draw order, send the given codeword index or stay quiet,
// after the raw words given first (channel draws); returns the number of words.
inline size_t Script(SIM &S, const std::vector<int32_t> &picks, std::vector<uint32_t> words = {}) {
  for (int32_t idx : picks)
    if (idx == kQuiet)
      words.push_back(UINT32_MAX);
    else
      words.insert(words.end(), {0u, uint32_t(idx) * (UINT32_MAX / uint32_t(S.codewords.count))});
  QueueGenRandWords(S.mt_rand, words.data(), words.size());
  return words.size();
}
