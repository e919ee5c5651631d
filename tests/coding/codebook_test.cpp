// Codebook and classes files (every accepted format, read in-process) and the laws of the
// codeword-index draws.
#include <gtest/gtest.h>

#include <bitset>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "coding/codebook.h"
#include "coding/codeword_draw.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/mt_rand.h"

namespace {

TEST(CodebookReader, ReadsEveryAcceptedFormat) {
  std::string many;  // 700 words: the word array grows past 256
  std::vector<int32_t> many_words;
  for (int32_t w = 0; w < 700; w++) many += std::bitset<10>(uint32_t(w)).to_string() + "\n";
  for (int32_t w = 0; w < 700; w++) many_words.push_back(w);
  const struct {
    std::string contents;
    std::vector<int32_t> words;
    int32_t nbits;
  } cases[] = {{"101\n011\n", {5, 3}, 3},
               {"101\n011", {5, 3}, 3},
               {"1 0 1\r\n", {5}, 3},
               {"\n\n  \r\n101\r\n\n\t\n011\r", {5, 3}, 3},
               {"1a0b1\n0x11\n1201\n", {5, 3, 5}, 3},
               {"1\n0001\n", {1, 1}, 4},
               {"0000011\n101\n", {3, 5}, 3},
               {std::bitset<27>(1 << 26).to_string(), {1 << 26}, 27},
               {std::string(32, '1'), {-1}, 32},
               {many, many_words, 10}};
  for (const auto &c : cases) {
    MEMORY memory;
    BINCODES codes = CodesReadFile(memory, WriteTempFile(c.contents).c_str());
    EXPECT_EQ(std::vector<int32_t>(codes.codes, codes.codes + codes.count), c.words) << c.contents;
    EXPECT_EQ(codes.nbits, c.nbits) << c.contents;
  }
}

struct DRAW_CASE {
  GenRandGeomUniFn draw;
  double tau;
  int32_t low, n;
};
class CodewordDraw : public testing::TestWithParam<DRAW_CASE> {};

// P(low + k) = tau q^k / (1 - q^n) with q = 1 - tau, so tau 1 and a single codeword always give
// low; uniform for tau 0, for GenRandModUni2, and when q rounds to 1.
TEST_P(CodewordDraw, FrequenciesLieWithinFiveStandardErrorsOfTheLaw) {
  const DRAW_CASE &c = GetParam();
  SIM S;
  init_genrand(S.mt_rand, 20240601u);
  const int count = 200000;
  std::vector<int> hits(size_t(c.n), 0);
  for (int i = 0; i < count; i++)
    hits.at(size_t(c.draw(S, c.tau, c.low, c.low + c.n - 1) - c.low))++;
  double q = 1 - c.tau;
  bool uniform = c.tau == 0 || c.draw == GenRandModUni2 || q == 1;
  for (int k = 0; k < c.n; k++) {
    double p = uniform ? 1.0 / c.n : c.tau * std::pow(q, k) / (1 - std::pow(q, c.n));
    EXPECT_NEAR(double(hits[size_t(k)]) / count, p, 5 * std::sqrt(p * (1 - p) / count)) << k;
  }
}
// clang-format off
const DRAW_CASE kDraws[] = {
    {.draw = GenRandModGeom2, .tau = 0.3, .low = 0, .n = 6},
    {.draw = GenRandModGeom, .tau = 0.6, .low = 2, .n = 8},
    {.draw = GenRandModGeom2, .tau = 0.05, .low = 0, .n = 26},
    {.draw = GenRandModGeom2, .tau = 1e-20, .low = 0, .n = 5},
    {.draw = GenRandModGeom, .tau = 0.0, .low = 3, .n = 7},
    {.draw = GenRandModUni2, .tau = 0.5, .low = 0, .n = 6},
    {.draw = GenRandModGeom, .tau = 1.0, .low = 3, .n = 7},
    {.draw = GenRandModGeom2, .tau = 1.0, .low = 0, .n = 26},
    {.draw = GenRandModUni2, .tau = 0.0, .low = 0, .n = 1},
    {.draw = GenRandModGeom, .tau = 0.0, .low = 0, .n = 1},
    {.draw = GenRandModGeom2, .tau = 0.7, .low = 4, .n = 1},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Laws, CodewordDraw, testing::ValuesIn(kDraws),
                         [](const testing::TestParamInfo<DRAW_CASE> &info) {
                           const DRAW_CASE &c = info.param;
                           const char *name = c.draw == GenRandModUni2    ? "Uniform"
                                              : c.draw == GenRandModGeom2 ? "Geometric"
                                                                          : "ByTau";
                           return name + std::to_string(info.index) + "Over" + std::to_string(c.n);
                         });

}  // namespace
