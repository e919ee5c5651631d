// Codebook and classes files (every accepted format, every rejection with its exact message), the
// conversions itob and btoi, the codeword-index draws and the exact lines of the codebook dump.
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

std::string Itob(int32_t value, int32_t len) {
  char *text = itob(value, len);
  std::string copy(text);
  MyFree(text);
  return copy;
}

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
    BINCODES codes = CodesReadFile(WriteTempFile(c.contents).c_str());
    EXPECT_EQ(std::vector<int32_t>(codes.codes, codes.codes + codes.count), c.words) << c.contents;
    EXPECT_EQ(codes.nbits, c.nbits) << c.contents;
  }
}

TEST(CodebookReader, RejectsEveryBadFileWithItsMessageAndStatus) {
  const std::string kNoWord = "Error: Could not realloc'ate 0 bytes of memory. Aborting ...\n";
  const std::string kLine3 = "Error: line 3 of '@' has more than 32 digits.\n";
  const struct {
    std::string contents;
    int status;
    std::string err;  // '@' stands for the path
  } cases[] = {{"", 1, kNoWord},
               {" \r\nabc\n2345\n", 1, kNoWord},
               {"101\n\n" + std::string(33, '1') + "\n011\n", 1, kLine3},
               {"10\r\n1\n" + std::string(40, '0'), 1, kLine3},
               {"01\n\r\n111\n010\n11\n", 1,
                "Error: the word on line 3 of '@' is longer than the 2 bits of the file's last "
                "word line.\n"},
               {std::string(26, '0') + "1", 7, "Error: canot use more than nf=26 subcarriers."}};
  for (const auto &c : cases) {
    std::string path = WriteTempFile(c.contents), err = c.err;
    if (size_t at = err.find('@'); at != std::string::npos) err.replace(at, 1, path);
    SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0"});
    EXPECT_EQ(run.status, c.status) << c.contents;
    EXPECT_EQ(run.err, err) << c.contents;
    EXPECT_EQ(run.out, "") << c.contents;
  }
  // A directory cannot be read; an endless device is cut off at 64 MiB, named.
  SIM_RUN run = RunSim({"codebook=/tmp", "classes=/tmp", "debug=0"});
  EXPECT_EQ(std::pair(run.status, run.err),
            std::pair(1, std::string("Error reading file: /tmp: Is a directory\n")));
  run = RunSim({"codebook=/dev/zero", "classes=/dev/zero", "debug=0"});
  EXPECT_EQ(std::pair(run.status, run.err),
            std::pair(1, std::string("Error: '/dev/zero' is larger than 64 MiB: not a codebook or "
                                     "classes file.\n")));
  run = RunSim({"codebook=/nonexistent-qrvl/codes.txt", "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Could not open /nonexistent-qrvl/codes.txt\n");
  EXPECT_EQ(run.err, "Error reading file: No such file or directory\n");
}

TEST(BinaryStrings, ItobShowsTheLowBitsAndBtoiReadsThemBack) {
  EXPECT_EQ(Itob(5, 3) + "," + Itob(5, 5) + "," + Itob(13, 2) + "," + Itob(13, 0), "101,00101,01,");
  std::mt19937 source(11);
  for (int32_t len = 1; len <= 32; len++)
    for (int k = 0; k < 100; k++) {
      uint32_t value = source() >> (32 - len), above = len < 32 ? source() << len : 0;
      std::string text = std::bitset<32>(value).to_string().substr(size_t(32 - len));
      ASSERT_EQ(Itob(int32_t(value | above), len), text);
      ASSERT_EQ(uint32_t(btoi(text.c_str())), value) << text;
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
  init_genrand(20240601u);
  const int count = 200000;
  std::vector<int> hits(size_t(c.n), 0);
  for (int i = 0; i < count; i++) hits.at(size_t(c.draw(c.tau, c.low, c.low + c.n - 1) - c.low))++;
  double q = 1 - c.tau;
  bool uniform = c.tau == 0 || c.draw == GenRandModUni2 || q == 1;
  for (int k = 0; k < c.n; k++) {
    double p = uniform ? 1.0 / c.n : c.tau * std::pow(q, k) / (1 - std::pow(q, c.n));
    EXPECT_NEAR(double(hits[size_t(k)]) / count, p, 5 * std::sqrt(p * (1 - p) / count)) << k;
  }
}
const DRAW_CASE kDraws[] = {
    {GenRandModGeom2, 0.3, 0, 6},   {GenRandModGeom, 0.6, 2, 8},   {GenRandModGeom2, 0.05, 0, 26},
    {GenRandModGeom2, 1e-20, 0, 5}, {GenRandModGeom, 0.0, 3, 7},   {GenRandModUni2, 0.5, 0, 6},
    {GenRandModGeom, 1.0, 3, 7},    {GenRandModGeom2, 1.0, 0, 26}, {GenRandModUni2, 0.0, 0, 1},
    {GenRandModGeom, 0.0, 0, 1},    {GenRandModGeom2, 0.7, 4, 1}};
INSTANTIATE_TEST_SUITE_P(Laws, CodewordDraw, testing::ValuesIn(kDraws));

TEST(CodewordDrawChoice, TheSlotTakesTheDrawTheTauValuesNeed) {
  const double tau[] = {0.0, 0.0, 0.5, 0.2};
  EXPECT_EQ(ChooseCodewordDraw(tau, 2), GenRandModUni2);
  EXPECT_EQ(ChooseCodewordDraw(tau + 2, 2), GenRandModGeom2);
  EXPECT_EQ(ChooseCodewordDraw(tau + 1, 2), GenRandModGeom);
  EXPECT_EQ(ChooseCodewordDraw(tau + 2, 0), GenRandModUni2);
}

TEST(DebugDump, PrintsTheWordsAndEveryTableEntryThenEndsTheRun) {
  std::string codes = WriteTempFile("01\n10\n"), classes = WriteTempFile("10\n01");
  SIM_RUN run = RunSim({"codebook=" + codes, "classes=" + classes, "debug=5"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  // Word 3 ties between the codewords and takes the later; codeword 01 is in class 1.
  EXPECT_EQ(run.err,
            "codewords[ 0] =    1 (   01)\n"
            "codewords[ 1] =    2 (   10)\n"
            "classes[ 0] =    2 (   10)\n"
            "classes[ 1] =    1 (   01)\n"
            "word=   0 (   00) --> refword= 0 (   00) --> refclass= 0 (   00)\n"
            "word=   1 (   01) --> refword= 0 (   01) --> refclass= 1 (   01)\n"
            "word=   2 (   10) --> refword= 1 (   10) --> refclass= 0 (   10)\n"
            "word=   3 (   11) --> refword= 1 (   10) --> refclass= 0 (   10)\n");
  // The default codebook repeats each one-hot word; six-bit words overflow their field.
  std::vector<std::string> lines = Lines(RunSim({"nf=3", "repeat=2", "debug=3"}).err);
  ASSERT_EQ(lines.size(), 1u + 3 + 3 + 64);
  EXPECT_EQ(lines[3], "codewords[ 2] =   36 (100100)");
  EXPECT_EQ(lines.back(), "word=  63 (111111) --> refword= 2 (100100) --> refclass= 2 (100100)");
}

}  // namespace
