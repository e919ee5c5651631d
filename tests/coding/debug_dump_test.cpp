// The codebook dump of debug level 3: its exact line formats on standard error, nothing on
// standard output, exit status 0 before any session, and when it stays silent.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "coding/debug_dump.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

std::string Bits(uint32_t word, int32_t length) {
  std::string text;
  for (int32_t b = length - 1; b >= 0; b--) text += (word >> b & 1u) ? '1' : '0';
  return text;
}

std::string WordLine(const char *name, int32_t i, uint32_t word, int32_t length) {
  char line[128];
  snprintf(line, sizeof line, "%s[%2d] = %4u (%5s)\n", name, i, word, Bits(word, length).c_str());
  return line;
}

std::string TableLine(uint32_t w, int32_t reply_idx, uint32_t reply, int32_t class_idx,
                      uint32_t klass, int32_t length) {
  char line[256];
  snprintf(line, sizeof line, "word=%4u (%5s) --> refword=%2d (%5s) --> refclass=%2d (%5s)\n", w,
           Bits(w, length).c_str(), reply_idx, Bits(reply, length).c_str(), class_idx,
           Bits(klass, length).c_str());
  return line;
}

int32_t HighestBit(uint32_t word) { return word ? 31 - __builtin_clz(word) : 0; }

TEST(DebugDump, OneHotCodebookDumpsWordsClassesAndEveryTableEntry) {
  SIM_RUN run = RunSim({"nf=4", "debug=3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u + 4 + 4 + 16);
  EXPECT_EQ(lines[0], "# Using default oblivious codebook of nf=4 bits repeated 1 times.");
  EXPECT_EQ(lines[1], "codewords[ 0] =    1 ( 0001)");
  EXPECT_EQ(lines[8], "classes[ 3] =    8 ( 1000)");
  EXPECT_EQ(lines[9], "word=   0 ( 0000) --> refword= 0 ( 0000) --> refclass= 0 ( 0000)");
  EXPECT_EQ(lines[14], "word=   5 ( 0101) --> refword= 2 ( 0100) --> refclass= 2 ( 0100)");

  std::string expected = "# Using default oblivious codebook of nf=4 bits repeated 1 times.\n";
  for (int32_t i = 0; i < 4; i++) expected += WordLine("codewords", i, 1u << i, 4);
  for (int32_t i = 0; i < 4; i++) expected += WordLine("classes", i, 1u << i, 4);
  for (uint32_t w = 0; w < 16; w++) {
    int32_t high = HighestBit(w);
    uint32_t reply = w ? 1u << high : 0;
    expected += TableLine(w, high, reply, high, reply, 4);
  }
  EXPECT_EQ(run.err, expected);
}

TEST(DebugDump, RepeatedCodebookShowsTheInterleavedClassWords) {
  SIM_RUN run = RunSim({"nf=3", "repeat=2", "interleave=1", "debug=3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  std::string expected = "# Using default oblivious codebook of nf=3 bits repeated 2 times.\n";
  for (int32_t i = 0; i < 3; i++) expected += WordLine("codewords", i, 9u << i, 6);
  for (int32_t i = 0; i < 3; i++) expected += WordLine("classes", i, 9u << i, 6);
  for (uint32_t w = 0; w < 64; w++) {
    int32_t high = HighestBit((w & 7u) | (w >> 3));
    uint32_t reply = w ? 9u << high : 0;
    uint32_t rotated = ((reply & 1u) << 5) | (reply >> 1);
    expected += TableLine(w, high, reply, high, rotated, 6);
  }
  EXPECT_EQ(run.err, expected);
  EXPECT_NE(run.err.find("codewords[ 0] =    9 (001001)\n"), std::string::npos);
  EXPECT_NE(run.err.find("word=  63 (111111) --> refword= 2 (100100) --> refclass= 2 (010010)\n"),
            std::string::npos);
}

TEST(DebugDump, FilesAreDumpedWithTheCodewordLengthAndNoNote) {
  std::string codes = WriteTempFile("011\n110\n");
  std::string classes = WriteTempFile("100\n001");
  SIM_RUN run = RunSim({"codebook=" + codes, "classes=" + classes, "debug=5"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 2u + 2 + 8);
  EXPECT_EQ(lines[0], "codewords[ 0] =    3 (  011)");
  EXPECT_EQ(lines[1], "codewords[ 1] =    6 (  110)");
  EXPECT_EQ(lines[2], "classes[ 0] =    4 (  100)");
  EXPECT_EQ(lines[3], "classes[ 1] =    1 (  001)");
  // 7 = 111 is one bit from both codewords: the later one wins; 110 is closest to class 100.
  EXPECT_EQ(lines[11], "word=   7 (  111) --> refword= 1 (  110) --> refclass= 0 (  100)");
  EXPECT_EQ(lines[5], "word=   1 (  001) --> refword= 0 (  011) --> refclass= 1 (  001)");
}

TEST(DebugDump, WideWordsOverflowTheFieldWidths) {
  SIM_RUN run = RunSim({"nf=14", "debug=3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u + 14 + 14 + 16384);
  EXPECT_EQ(lines[14], "codewords[13] = 8192 (10000000000000)");
  EXPECT_EQ(lines.back(),
            "word=16383 (11111111111111) --> refword=13 (10000000000000) --> refclass=13 "
            "(10000000000000)");
}

TEST(DebugDump, StaysSilentBelowItsLevelOrWithoutWords) {
  auto dumps = [] {
    PrepareSimulation({"nf=4", "debug=2"}, 1);
    FSFDebugCodebook(3);
    debug = 3;
    BINCODES kept = classes;
    classes = BINCODES{};
    FSFDebugCodebook(3);
    classes = kept;
    codewords = BINCODES{};
    FSFDebugCodebook(3);
    exit(42);
  };
  EXPECT_EXIT(dumps(), testing::ExitedWithCode(42),
              "^# Using default oblivious codebook of nf=4 bits repeated 1 times\\.\n$");
}

TEST(DebugDump, EndsTheProcessWithStatusZeroAtLevelThree) {
  EXPECT_EXIT(PrepareSimulation({"nf=2", "debug=3"}, 1), testing::ExitedWithCode(0),
              "codewords\\[ 1\\] =    2 \\(   10\\)");
}

}  // namespace
