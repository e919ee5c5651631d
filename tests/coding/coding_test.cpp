// Coding: codebook files in every accepted format, the laws of the codeword draws, interleavers,
// the referee tables against a literal evaluation (plain and repeated codewords), the Hamming(7,4)
// code, and the reply and win test of the three feedback schemes.
#include <bit>
#include <bitset>
#include <map>

#include "coding/codebook.h"
#include "coding/codeword_draw.h"
#include "coding/feedback.h"
#include "coding/hamming74.h"
#include "coding/interleave.h"
#include "coding/referee_tables.h"
#include "common/test_util.h"

namespace {

using Codes = std::vector<int32_t>;

TEST(CodebookReader, ReadsEveryAcceptedFormat) {
  std::string many;  // 700 words: the word array grows past 256
  Codes many_words;
  for (int32_t w = 0; w < 700; w++)
    many += std::bitset<10>(uint32_t(w)).to_string() + "\n", many_words.push_back(w);
  const struct {
    std::string contents;
    Codes words;
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
    EXPECT_EQ(Codes(codes.codes, codes.codes + codes.count), c.words) << c.contents;
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

// The scramble permutation is drawn once, at the first interleaving, drawing position nf (the top
// word) and taken positions again. Every word below 2^nf (a sample above 12 bits) stays below it
// and is given back by the de-interleaver. (The feedback table checks rotated replies.)
TEST(Interleavers, ScrambleDrawAndInverses) {
  SIM S;
  S.nf = 4;
  const uint32_t words[] = {4294967295u, 2147483646u, 2147483651u, 0,
                            1073741822u, 3221225469u, 1073741823u};
  QueueGenRandWords(S.mt_rand, words, 7);
  FSFDeinterleaveWordScramble(S, 1);  // draws nothing
  EXPECT_EQ(FSFInterleaveWordScramble(S, 0b1001), 0b0110);
  EXPECT_EQ(Codes(S.bitScramble, S.bitScramble + 4), (Codes{2, 0, 3, 1}));
  EXPECT_EQ(GenRandWordsUsed(S.mt_rand), 7u);
  for (int32_t length = 1; length <= 26; length++) {
    SIM T;
    T.nf = length;
    for (uint32_t i = 0; i < 4096; i++) {
      const int32_t word =
          int32_t(length <= 12 ? i % (1u << length) : genrand_int32(T.mt_rand) >> (32 - length));
      const int32_t rotated = FSFInterleaveWordRotate(T, word),
                    scrambled = FSFInterleaveWordScramble(T, word);
      ASSERT_LT(uint32_t(rotated | scrambled), 1u << length) << "nf " << length;
      ASSERT_EQ(FSFDeinterleaveWordRotate(T, rotated), word) << "nf " << length;
      ASSERT_EQ(FSFDeinterleaveWordScramble(T, scrambled), word) << "nf " << length;
    }
  }
}

std::string FileOf(const Codes &words, int32_t length) {
  std::string contents;
  for (int32_t word : words)
    contents += std::bitset<32>(uint32_t(word)).to_string().substr(size_t(32 - length)) + "\n";
  return WriteTempFile(contents);
}

// The index of the word of set nearest to word in Hamming distance, ties to the highest index, 0
// for the word 0: the detectors' definition, by brute force. With repetitions the word's segments
// of length / repeat bits are ORed together (bits past the last whole one ignored) and compared
// with as many low bits of each code.
int32_t Nearest(int32_t word, const Codes &set, int32_t length, int32_t repeat) {
  const uint32_t low = repeat == 1 ? ~0u : (1u << length / repeat) - 1;
  uint32_t folded = 0, best = 0;
  for (int32_t r = 0; r < repeat; r++) folded |= uint32_t(word) >> (r * (length / repeat)) & low;
  for (uint32_t i = 0; word && i < set.size(); i++)
    if (std::popcount(folded ^ (set[i] & low)) <= std::popcount(folded ^ (set[best] & low)))
      best = i;
  return int32_t(best);
}

struct TABLE_CASE {
  int32_t length, codes, classes, interleave, repeat;
};
class RefereeTables : public testing::TestWithParam<TABLE_CASE> {};

// Arrays up to 16 bits, searched lookups above; both, and the one-table build, give every received
// word its nearest codeword, that word's class and the class's interleaved reply word, also when
// codewords are repeated.
TEST_P(RefereeTables, EveryEntryFollowsItsRule) {
  const TABLE_CASE &c = GetParam();
  std::mt19937 source(uint32_t(1000 * c.length + 10 * c.codes + c.classes));
  Codes codes, classes;
  for (int32_t i = 0; i < c.codes + c.classes; i++)
    (i < c.codes ? codes : classes).push_back(int32_t(source() >> (32 - c.length)));
  codes.back() = codes.front();  // a repeated codeword
  SIM &S = PrepareSimulation(
      {"codebook=" + FileOf(codes, c.length), "classes=" + FileOf(classes, c.length),
       "interleave=" + std::to_string(c.interleave), "repeat=" + std::to_string(c.repeat),
       "debug=0"},
      uint32_t(c.length));
  const int32_t size = 1 << c.length;
  ASSERT_EQ(S.refclasses.codes != nullptr, c.length <= kFullTableBits);
  Codes expected[5];  // refreplies, its index, refclasses, its index, closest class
  for (int32_t w = 0; w < size; w++) {
    auto nearest = [&](int32_t word, const Codes &set) {
      return Nearest(word, set, c.length, c.repeat);
    };
    const int32_t t = nearest(w, codes), k = w ? nearest(codes[size_t(t)], classes) : 0;
    expected[0].push_back(w ? codes[size_t(t)] : 0);
    expected[1].push_back(t);
    expected[2].push_back(w ? S.FSFInterleaveWord(S, classes[size_t(k)]) : 0);
    expected[3].push_back(k);
    expected[4].push_back(
        S.FSFInterleaveWord(S, classes[size_t(nearest(S.FSFDeinterleaveWord(S, w), classes))]));
  }
  for (int pass = 0; pass < 2; pass++)  // ascending, then descending through the lookups' memo
    for (int32_t i = 0; i < size; i++) {
      const uint32_t w = uint32_t(pass ? size - 1 - i : i);
      const int32_t got[5] = {RefRepliesAt(S, w), RefRepliesIdxAt(S, w), RefClassesAt(S, w),
                              RefClassesIdxAt(S, w), ClosestClassesAt(S, w)};
      for (int k = 0; k < 5; k++) ASSERT_EQ(got[k], expected[k][w]) << "table " << k << " w " << w;
    }
  for (int32_t k = 0; k < 4; k++) {
    const BINCODES table = FSFCacheRefereeReplies(S, k / 2, k % 2);
    ASSERT_EQ((Codes{table.count, table.nbits}), (Codes{size, c.length}));
    ASSERT_EQ(Codes(table.codes, table.codes + size), expected[k]) << "table " << k;
  }
}
// clang-format off
const TABLE_CASE kTables[] = {  // word length, codewords, classes, interleaver, repeat
    {1, 2, 1, 0, 1}, {1, 3, 2, 2, 1}, {5, 6, 3, 0, 1}, {8, 10, 4, 1, 1}, {9, 7, 5, 2, 1},
    {16, 5, 4, 1, 1}, {17, 6, 4, 1, 1}, {18, 5, 3, 2, 1}, {17, 7, 5, 0, 1}, {12, 6, 4, 1, 2},
    {9, 5, 3, 0, 3}, {7, 4, 3, 2, 2}, {3, 3, 2, 0, 5}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Codebooks, RefereeTables, testing::ValuesIn(kTables));

TEST(Hamming74, CodeTableAndCorrectionOfAnySingleBit) {
  const int32_t code[16] = {0, 113, 98, 19, 84, 37, 54, 71, 56, 73, 90, 43, 108, 29, 14, 127};
  SIM S;
  BuildHamming74Tables(S);
  EXPECT_EQ(Codes(S.cached_hamming74_encode, S.cached_hamming74_encode + 16),
            Codes(code, code + 16));
  // The code is perfect: every 7-bit word lies within one bit of exactly one codeword.
  for (int32_t r = 0; r < 128; r++) {
    int32_t nearest = -1;
    for (int32_t d = 0; d < 16; d++)
      if (std::popcount(uint32_t(r ^ code[d])) <= 1) nearest = d;
    EXPECT_EQ(S.cached_hamming74_decode[r], nearest) << r;
  }
}

// The cases of tests/data/feedback_replies.txt: a scheme and set-up, the superposed word, a node's
// word, mask and word_idx, and the reply and win test they must give.
TEST(Feedback, RepliesAndWinTestsThroughTheNodesMask) {
  const std::map<std::string, Words> setups = {
      {"six", {"nf=6"}},
      {"rot", {"nf=6", "interleave=1"}},
      {"two",
       {"codebook=" + WriteTempFile("0001\n0010\n0100\n1000\n"),
        "classes=" + WriteTempFile("0011\n1100\n")}}};
  for (const std::string &line : DataRows("feedback_replies.txt")) {
    const Words f = Split(line);  // fbk setup heard word lost idx reply won
    Words words = setups.at(f[1]);
    words.insert(words.end(), {"fsf_fbk=" + f[0], "debug=0"});
    SIM &S = PrepareSimulation(words, 9);
    S.ORed_word = uint32_t(std::stoul(f[2]));
    const uint32_t lost = f[4] == "all" ? ~0u : uint32_t(std::stoul(f[4]));
    NODE node{};
    node.mask = ~lost, node.word = uint32_t(std::stoul(f[3])), node.word_idx = std::stoi(f[5]);
    EXPECT_EQ(S.FSFRefereeReply(S), std::stoi(f[6])) << line;
    EXPECT_EQ(S.FSFWonRound(S, std::stoi(f[6]), &node), std::stoi(f[7])) << line;
  }
}

}  // namespace
