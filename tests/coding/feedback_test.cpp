// From the superposed word to the referee's reply: closest-word detection, the interleavers, the
// superposition models, the tables against a literal evaluation of their rules, the Hamming(7,4)
// code, and the reply and win test of the three feedback schemes.
#include <gtest/gtest.h>

#include <bit>
#include <bitset>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "coding/detect.h"
#include "coding/feedback.h"
#include "coding/hamming74.h"
#include "coding/interleave.h"
#include "coding/referee_tables.h"
#include "coding/superpose.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

NODE Node(uint32_t mask, uint32_t word, int32_t word_idx, double *powers) {
  NODE node{};
  node.mask = mask, node.word = word, node.word_idx = word_idx, node.rssi_acc = powers;
  return node;
}

// Word 0 gives 0; ties go to the highest index; repetitions fold onto the base length, with only
// the base bits of a code compared and bits beyond the last full segment ignored.
TEST(Detectors, NearestWordWithTieBreaksAndFolding) {
  const struct {
    int32_t nf, repeat, word, expected;
    std::vector<int32_t> codes;
  } cases[] = {{3, 1, 0, 0, {7, 0}},        {12, 2, 0, 0, {7, 0}},
               {3, 1, 1, 1, {3, 5}},        {3, 1, 7, 2, {1, 2, 4}},
               {3, 1, 5, 2, {5, 5, 5}},     {3, 1, 3, 1, {4, 4}},
               {2, 1, 3, 0, {3, 1, 2, 0}},  {12, 2, 1, 0, {65, 2}},
               {12, 2, 2, 1, {2, 2562, 1}}, {9, 3, 257, 2, {73, 146, 292}},
               {7, 2, 64, 1, {1, 0, 3}},    {12, 2, 258, 2, {65, 130, 260, 520, 1040, 2080}}};
  for (const auto &c : cases) {
    nf = c.nf;
    repeat = c.repeat;
    std::vector<int32_t> codes = c.codes;
    BINCODES set{codes.data(), int32_t(codes.size()), c.nf};
    auto detector = c.repeat == 1 ? FSFFindWinningWordClosest : FSFFindWinningWordRepeat;
    EXPECT_EQ(detector(c.word, &set), c.expected) << "word " << c.word << " nf " << c.nf;
  }
}

// Rotate and scramble examples; the scramble permutation is drawn once, at the first interleaving,
// taking position nf (the top word) and taken positions again; every word below 2^nf (a sample
// above 16 bits) stays below it and is given back by the de-interleaver.
TEST(Interleavers, RotateAndScramble) {
  ResetState();
  nf = 6;
  EXPECT_EQ(FSFInterleaveWordRotate(1), 32);
  EXPECT_EQ(FSFInterleaveWordRotate(2), 1);
  nf = 4;
  const uint32_t words[] = {4294967295u, 2147483646u, 2147483651u, 0,
                            1073741822u, 3221225469u, 1073741823u};
  init_genrand(1);
  QueueGenRandWords(words, 7);
  FSFDeinterleaveWordScramble(1);  // draws nothing
  EXPECT_EQ(FSFInterleaveWordScramble(0b0100), 0b0001);
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 4), (std::vector<int32_t>{2, 0, 3, 1}));
  EXPECT_EQ(FSFInterleaveWordScramble(0b1001), 0b0110);
  EXPECT_EQ(FSFDeinterleaveWordScramble(0b0110), 0b1001);
  EXPECT_EQ(genrand_int32(), std::mt19937(1)());
  for (int32_t length = 1; length <= 26; length++) {
    ResetState();
    nf = length;
    init_genrand(uint32_t(100 + length));
    std::mt19937 source{uint32_t(length)};
    for (uint32_t i = 0; i < (length <= 16 ? 1u << length : 5000u); i++) {
      int32_t word = int32_t(length <= 16 ? i : source() >> (32 - length));
      int32_t rotated = FSFInterleaveWordRotate(word), scrambled = FSFInterleaveWordScramble(word);
      ASSERT_LT(uint32_t(rotated | scrambled), 1u << nf) << "nf " << nf;
      ASSERT_EQ(FSFDeinterleaveWordRotate(rotated), word) << "nf " << nf;
      ASSERT_EQ(FSFDeinterleaveWordScramble(scrambled), word) << "nf " << nf;
    }
  }
}

// Masks thin the words; powers add up over the word's subcarriers only, whatever the mask; the
// threshold itself is detected, a sum that is not a number is not.
TEST(Superposition, MaskAndReceivedPowerModels) {
  nf = 6;
  rssi_thresh_pw = 1.0;
  double sums[6] = {7, 7, 7, 7, 7, 7}, pa[6] = {.5, 2, NAN, 0, 5, 3}, pb[6] = {.5, 0, 1, .9, 0, 0};
  NODE senders[2] = {Node(0b111011, 0b100111, 0, pa), Node(~0u, 0b001101, 0, pb)};
  ORed_word_rssi = sums;
  ORed_word = 0b010000;
  ClearORedWordMask();
  for (NODE &node : senders) BuildORedWordMask(&node);
  ExtractORedWordMask();
  EXPECT_EQ(ORed_word, 0b101111u);
  ClearORedWordRSSI();
  for (NODE &node : senders) BuildORedWordRSSI(&node);
  ExtractORedWordRSSI();
  EXPECT_EQ(ORed_word, 0b100011u);
}

// The table rules evaluated literally from the words and the options.
struct RULES {
  std::vector<int32_t> codes, classes, scramble;
  int32_t length, repeat, interleave;

  int32_t Find(int32_t word, const std::vector<int32_t> &set) const {
    int32_t base = length / repeat, best = 32, result = 0;
    uint32_t low = (1u << base) - 1u, folded = 0;
    for (int32_t r = 0; r < repeat; r++) folded |= (uint32_t(word) >> (r * base)) & low;
    for (size_t i = 0; word && i < set.size(); i++) {
      int32_t d = std::popcount(folded ^ (uint32_t(set[i]) & low));
      if (d <= best) best = d, result = int32_t(i);
    }
    return result;
  }
  int32_t Shuffle(int32_t w, bool forward) const {  // the interleaver, or its inverse
    if (interleave == 1 && forward) return ((w & 1) << (length - 1)) | (w >> 1);
    if (interleave == 1) return ((w << 1) | (w >> (length - 1) & 1)) & ((1 << length) - 1);
    if (interleave != 2) return w;
    int32_t result = 0;
    for (size_t j = 0; j < scramble.size(); j++)
      result |= forward ? (w >> scramble[j] & 1) << j : (w >> j & 1) << scramble[j];
    return result;
  }
};

std::string FileOf(const std::vector<int32_t> &words, int32_t length) {
  std::string contents;
  for (int32_t word : words)
    contents += std::bitset<32>(uint32_t(word)).to_string().substr(size_t(32 - length)) + "\n";
  return WriteTempFile(contents);
}

struct TABLE_CASE {
  int32_t length, codes, classes, repeat, interleave;
};
class RefereeTables : public testing::TestWithParam<TABLE_CASE> {};

// Arrays up to 16 bits, searched lookups above; both, and the one-table build, follow the rules.
TEST_P(RefereeTables, EveryEntryFollowsItsRule) {
  const TABLE_CASE &c = GetParam();
  std::mt19937 source(uint32_t(1000 * c.length + 10 * c.codes + c.classes));
  RULES rules{{}, {}, {}, c.length, c.repeat, c.interleave};
  for (int32_t i = 0; i < c.codes + c.classes; i++)
    (i < c.codes ? rules.codes : rules.classes).push_back(int32_t(source() >> (32 - c.length)));
  rules.codes.back() = rules.codes.front();  // a repeated codeword
  PrepareSimulation(
      {"codebook=" + FileOf(rules.codes, c.length), "classes=" + FileOf(rules.classes, c.length),
       "repeat=" + std::to_string(c.repeat), "interleave=" + std::to_string(c.interleave),
       "debug=0"},
      uint32_t(c.length));
  rules.scramble.assign(bitScramble, bitScramble + c.length);
  const int32_t size = 1 << c.length;
  ASSERT_EQ(refclasses.codes != nullptr, c.length <= kFullTableBits);
  std::vector<int32_t> expected[5];  // refreplies, its index, refclasses, its index, closest class
  for (int32_t w = 0; w < size; w++) {
    int32_t t = rules.Find(w, rules.codes), k = w ? rules.Find(rules.codes[t], rules.classes) : 0;
    expected[0].push_back(w ? rules.codes[size_t(t)] : 0);
    expected[1].push_back(t);
    expected[2].push_back(w ? rules.Shuffle(rules.classes[size_t(k)], true) : 0);
    expected[3].push_back(k);
    int32_t heard = rules.Find(rules.Shuffle(w, false), rules.classes);
    expected[4].push_back(rules.Shuffle(rules.classes[size_t(heard)], true));
  }
  for (int pass = 0; pass < 2; pass++)  // ascending, then descending through the lookups' memo
    for (int32_t i = 0; i < size; i++) {
      uint32_t w = uint32_t(pass ? size - 1 - i : i);
      int32_t got[5] = {RefRepliesAt(w), RefRepliesIdxAt(w), RefClassesAt(w), RefClassesIdxAt(w),
                        ClosestClassesAt(w)};
      for (int k = 0; k < 5; k++) ASSERT_EQ(got[k], expected[k][w]) << "table " << k << " w " << w;
    }
  for (int32_t k = 0; k < 4; k++) {
    BINCODES table = FSFCacheRefereeReplies(k / 2, k % 2);
    ASSERT_EQ(table.count + table.nbits, size + c.length);
    ASSERT_EQ(std::vector<int32_t>(table.codes, table.codes + size), expected[k]) << "table " << k;
  }
}
const TABLE_CASE kTables[] = {
    {1, 2, 1, 1, 0},   {1, 3, 2, 1, 2},  {5, 6, 3, 1, 0},  {8, 10, 4, 1, 1}, {9, 7, 5, 1, 2},
    {10, 12, 6, 2, 0}, {7, 5, 4, 2, 2},  {12, 8, 8, 3, 1}, {11, 9, 3, 3, 2}, {16, 5, 4, 2, 1},
    {17, 6, 4, 1, 1},  {18, 5, 3, 2, 2}, {17, 7, 5, 1, 0}};
INSTANTIATE_TEST_SUITE_P(Codebooks, RefereeTables, testing::ValuesIn(kTables));

TEST(Hamming74, CodeTableAndCorrectionOfAnySingleBit) {
  const int32_t code[16] = {0, 113, 98, 19, 84, 37, 54, 71, 56, 73, 90, 43, 108, 29, 14, 127};
  BuildHamming74Tables();
  for (int32_t d = 0; d < 16; d++) EXPECT_EQ(cached_hamming74_encode[d], code[d]) << d;
  // The code is perfect: every 7-bit word lies within one bit of exactly one codeword.
  for (int32_t r = 0; r < 128; r++) {
    int32_t nearest = -1;
    for (int32_t d = 0; d < 16; d++)
      if (std::popcount(uint32_t(r ^ code[d])) <= 1) nearest = d;
    EXPECT_EQ(cached_hamming74_decode[r], nearest) << r;
  }
  for (auto [r, d] : {std::pair{127, 15}, {113, 1}, {112, 1}, {15, 14}, {37, 5}, {36, 5}, {5, 5}})
    EXPECT_EQ(cached_hamming74_decode[r], d) << r;
}

// Silence is class 0; "class" sees the reply through the mask (lost: the faded subcarriers) and
// never lets a negative word_idx win; "perf" ignores both; "hamm74" sends class 5 as 37 (bits 0,
// 2, 5), which survives one lost bit, not two; a rotated reply fades on the shifted subcarrier;
// with classes of two codewords every transmitter of the winning class wins.
TEST(Feedback, RepliesAndWinTestsThroughTheNodesMask) {
  const std::vector<std::string> six{"nf=6", "debug=0"}, rot{"nf=6", "interleave=1", "debug=0"},
      two{"codebook=" + WriteTempFile("0001\n0010\n0100\n1000\n"),
          "classes=" + WriteTempFile("0011\n1100\n"), "debug=0"};
  const struct {
    std::string scheme;
    std::vector<std::string> words;
    uint32_t heard, word, lost;
    int32_t reply, word_idx, won;
  } cases[] = {{"class", six, 0, 1, 0, 0, 0, 1},      {"perf", six, 0, 2, 0, 0, 1, 0},
               {"hamm74", six, 0, 1, 0, 0, 0, 1},     {"class", six, 37, 32, 1, 32, 5, 1},
               {"class", six, 37, 32, 32, 32, 5, 0},  {"class", six, 37, 1, 32, 32, 0, 1},
               {"class", six, 37, 4, 32, 32, 2, 0},   {"class", six, 32, 32, 0, 32, -1, 0},
               {"class", six, 0, 1, 0, 0, -1, 0},     {"perf", six, 37, 32, ~0u, 32, 5, 1},
               {"perf", six, 37, 1, 32, 32, 0, 0},    {"perf", six, 32, 32, 0, 32, -1, 1},
               {"hamm74", six, 32, 32, 1, 37, 5, 1},  {"hamm74", six, 32, 32, 32, 37, 5, 1},
               {"hamm74", six, 32, 32, 5, 37, 5, 0},  {"hamm74", six, 32, 1, 5, 37, 0, 1},
               {"hamm74", six, 32, 32, 0, 37, -1, 1}, {"hamm74", six, 3, 2, 0, 113, 1, 1},
               {"class", rot, 4, 4, 2, 2, 2, 0},      {"class", rot, 4, 4, 4, 2, 2, 1},
               {"perf", rot, 36, 32, 0, 16, 5, 1},    {"class", two, 3, 1, 0, 3, 0, 1},
               {"perf", two, 3, 2, 0, 3, 1, 1},       {"class", two, 10, 2, 0, 12, 1, 0},
               {"hamm74", two, 7, 4, 0, 113, 2, 1},   {"hamm74", two, 7, 1, 0, 113, 0, 0},
               {"class", two, 8, 8, 8, 12, 3, 1},     {"class", two, 8, 8, 12, 12, 3, 0}};
  for (const auto &c : cases) {
    std::vector<std::string> words = c.words;
    words.push_back("fsf_fbk=" + c.scheme);
    PrepareSimulation(words, 9);
    ORed_word = c.heard;
    NODE node = Node(~c.lost, c.word, c.word_idx, nullptr);
    EXPECT_EQ(FSFRefereeReply(), c.reply) << c.scheme << " heard " << c.heard;
    EXPECT_EQ(FSFWonRound(c.reply, &node), c.won)
        << c.scheme << " heard " << c.heard << " word " << c.word << " lost " << c.lost;
  }
}

}  // namespace
