// Longest matching blocks and the similarity ratio of two words.
#include "support/similar_words.h"

#include <array>
#include <vector>

namespace {

struct BLOCK {
  size_t i, j, size;
};

// The positions of each character in b, without the popular characters of a long b.
struct INDEX {
  std::array<std::vector<size_t>, 256> positions;
};

INDEX IndexOf(const std::string &b) {
  INDEX index;
  for (size_t j = 0; j < b.size(); j++) index.positions[uint8_t(b[j])].push_back(j);
  if (b.size() >= 200) {
    const size_t popular = b.size() / 100 + 1;
    for (auto &list : index.positions)
      if (list.size() > popular) list.clear();
  }
  return index;
}

// The longest block a[i..i+size) == b[j..j+size) within the given ranges, the first one found
// scanning a, then extended over equal neighbours (which the index may have left out).
BLOCK LongestMatch(const std::string &a, const std::string &b, const INDEX &index, size_t alo,
                   size_t ahi, size_t blo, size_t bhi) {
  BLOCK best{alo, blo, 0};
  std::vector<size_t> length(b.size() + 1, 0), next(b.size() + 1, 0);
  for (size_t i = alo; i < ahi; i++) {
    std::fill(next.begin(), next.end(), 0);
    for (size_t j : index.positions[uint8_t(a[i])]) {
      if (j < blo) continue;
      if (j >= bhi) break;
      const size_t k = next[j + 1] = length[j] + 1;
      if (k > best.size) best = BLOCK{i + 1 - k, j + 1 - k, k};
    }
    length.swap(next);
  }
  while (best.i > alo && best.j > blo && a[best.i - 1] == b[best.j - 1])
    best.i--, best.j--, best.size++;
  while (best.i + best.size < ahi && best.j + best.size < bhi &&
         a[best.i + best.size] == b[best.j + best.size])
    best.size++;
  return best;
}

size_t MatchingCharacters(const std::string &a, const std::string &b) {
  const INDEX index = IndexOf(b);
  size_t matched = 0;
  std::vector<std::array<size_t, 4>> ranges{{0, a.size(), 0, b.size()}};
  while (!ranges.empty()) {
    const auto [alo, ahi, blo, bhi] = ranges.back();
    ranges.pop_back();
    const BLOCK block = LongestMatch(a, b, index, alo, ahi, blo, bhi);
    if (block.size == 0) continue;
    matched += block.size;
    if (alo < block.i && blo < block.j) ranges.push_back({alo, block.i, blo, block.j});
    if (block.i + block.size < ahi && block.j + block.size < bhi)
      ranges.push_back({block.i + block.size, ahi, block.j + block.size, bhi});
  }
  return matched;
}

}  // namespace

double SimilarityRatio(const std::string &a, const std::string &b) {
  const size_t total = a.size() + b.size();
  return total ? 2.0 * double(MatchingCharacters(a, b)) / double(total) : 1.0;
}

std::string ClosestWord(const std::string &word, std::span<const std::string> candidates,
                        double cutoff) {
  std::string best;
  double best_ratio = -1;
  for (const std::string &candidate : candidates) {
    const double ratio = SimilarityRatio(candidate, word);
    if (ratio < cutoff) continue;
    if (ratio > best_ratio || (ratio == best_ratio && candidate > best)) {
      best = candidate;
      best_ratio = ratio;
    }
  }
  return best;
}
