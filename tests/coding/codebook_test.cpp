// Codebook and classes files (every accepted format, read in-process) and the laws of the
// codeword-index draws.
#include <bitset>

#include "coding/codebook.h"
#include "coding/codeword_draw.h"
#include "common/test_util.h"

namespace {

TEST(CodebookReader, ReadsEveryAcceptedFormat) {
  std::string many;  // 700 words: the word array grows past 256
  std::vector<int32_t> many_words;
  for (int32_t w = 0; w < 700; w++)
    many += std::bitset<10>(uint32_t(w)).to_string() + "\n", many_words.push_back(w);
  const struct {
    std::string contents;
    std::vector<int32_t> words;
    int32_t nbits;
  } cases[] = {
      // clang-format off
      {"101\n011\n", {5, 3}, 3}, {"101\n011", {5, 3}, 3}, {"1 0 1\r\n", {5}, 3},
      {"\n\n  \r\n101\r\n\n\t\n011\r", {5, 3}, 3}, {"1a0b1\n0x11\n1201\n", {5, 3, 5}, 3},
      {"1\n0001\n", {1, 1}, 4}, {"0000011\n101\n", {3, 5}, 3}, {std::string(32, '1'), {-1}, 32},
      {std::bitset<27>(1 << 26).to_string(), {1 << 26}, 27}, {many, many_words, 10},
      // clang-format on
  };
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
const DRAW_CASE kDraws[] = {  // the draw, tau, the lowest index and the number of indices
    {GenRandModGeom2, 0.3, 0, 6},   {GenRandModGeom, 0.6, 2, 8},  {GenRandModGeom2, 0.05, 0, 26},
    {GenRandModGeom2, 1e-20, 0, 5}, {GenRandModGeom, 0.0, 3, 7},  {GenRandModUni2, 0.5, 0, 6},
    {GenRandModGeom, 1.0, 3, 7},    {GenRandModGeom2, 1.0, 0, 26}, {GenRandModUni2, 0.0, 0, 1},
    {GenRandModGeom, 0.0, 0, 1},    {GenRandModGeom2, 0.7, 4, 1}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Laws, CodewordDraw, testing::ValuesIn(kDraws));

}  // namespace
