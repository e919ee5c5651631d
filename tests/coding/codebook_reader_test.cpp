// Codebook and classes files: the accepted line formats (blank lines, CR LF, stray characters,
// final line with or without newline, mixed widths) and every rejection with its message and
// exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/codebook.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

class CodebookReader : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }

  // The words of a file with the given contents, with the file's word length.
  static std::vector<int32_t> Read(const std::string &contents, int32_t *nbits) {
    BINCODES codes = CodesReadFile(WriteTempFile(contents).c_str());
    *nbits = codes.nbits;
    return std::vector<int32_t>(codes.codes, codes.codes + codes.count);
  }
};

using Words = std::vector<int32_t>;

TEST_F(CodebookReader, ReadsOneWordPerLineMostSignificantBitFirst) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("101\n011\n", &nbits), (Words{5, 3}));
  EXPECT_EQ(nbits, 3);
}

TEST_F(CodebookReader, KeepsALastLineWithoutNewline) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("101\n011", &nbits), (Words{5, 3}));
  EXPECT_EQ(nbits, 3);
  EXPECT_EQ(Read("0110", &nbits), (Words{6}));
  EXPECT_EQ(nbits, 4);
}

TEST_F(CodebookReader, SkipsBlanksCarriageReturnsAndBlankLines) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("1 0 1\r\n", &nbits), (Words{5}));
  EXPECT_EQ(Read("101\r\n011\r\n", &nbits), (Words{5, 3}));
  EXPECT_EQ(nbits, 3);
  EXPECT_EQ(Read("\n\n  \r\n101\n\n\t\n011\n\n\n", &nbits), (Words{5, 3}));
  EXPECT_EQ(Read("101\r\n011\r", &nbits), (Words{5, 3}));
}

TEST_F(CodebookReader, SkipsEveryCharacterOtherThanTheTwoDigits) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("1a0b1\n0x11\n", &nbits), (Words{5, 3}));
  EXPECT_EQ(Read("1201\n# 100\n", &nbits), (Words{5, 4}));
  EXPECT_EQ(nbits, 3);
}

TEST_F(CodebookReader, TakesTheWordLengthFromTheLastWordLine) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("1\n0001\n", &nbits), (Words{1, 1}));
  EXPECT_EQ(nbits, 4);
  EXPECT_EQ(Read("1\n10\n0011\n\n", &nbits), (Words{1, 2, 3}));
  EXPECT_EQ(nbits, 4);
}

TEST_F(CodebookReader, GrowsPastTwoHundredFiftySixWords) {
  std::string contents;
  Words expected;
  for (int32_t i = 0; i < 700; i++) {
    int32_t word = (i * 37) % 1024;
    for (int b = 9; b >= 0; b--) contents += (word >> b & 1) ? '1' : '0';
    contents += '\n';
    expected.push_back(word);
  }
  int32_t nbits = 0;
  EXPECT_EQ(Read(contents, &nbits), expected);
  EXPECT_EQ(nbits, 10);
}

TEST_F(CodebookReader, ReadsLinesOfTwentySevenToThirtyTwoDigitsAsWritten) {
  int32_t nbits = 0;
  EXPECT_EQ(Read("1" + std::string(26, '0') + "\n", &nbits), (Words{1 << 26}));
  EXPECT_EQ(nbits, 27);
  EXPECT_EQ(Read(std::string(31, '0') + "1\n", &nbits), (Words{1}));
  EXPECT_EQ(nbits, 32);
  EXPECT_EQ(Read(std::string(32, '1'), &nbits), (Words{-1}));
  EXPECT_EQ(nbits, 32);
}

TEST(CodebookReaderRun, WordsOfMoreThanTwentySixBitsFailTheSetUp) {
  for (int digits : {27, 32}) {
    std::string path = WriteTempFile(std::string(digits - 1, '0') + "1\n");
    SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0", "runs=1"});
    EXPECT_EQ(run.status, 7) << digits;
    EXPECT_EQ(run.err, "Error: canot use more than nf=26 subcarriers.") << digits;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CodebookReaderRun, MissingFileIsReportedOnBothStreams) {
  std::string path = "/nonexistent-qrvl-dir/codes.txt";
  SIM_RUN run = RunSim({"codebook=" + path, "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Could not open " + path + "\n");
  EXPECT_EQ(run.err, "Error reading file: No such file or directory\n");
}

TEST(CodebookReaderRun, FilesWithoutAnyWordLineFail) {
  const std::string message = "Error: Could not realloc'ate 0 bytes of memory. Aborting ...\n";
  for (std::string contents : {"", "\n\n", " \r\n\r\n", "abc\n2345\n"}) {
    std::string path = WriteTempFile(contents);
    SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0"});
    EXPECT_EQ(run.status, 1) << contents;
    EXPECT_EQ(run.err, message) << contents;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CodebookReaderRun, ADirectoryIsRejectedWithoutCrashing) {
  SIM_RUN run = RunSim({"codebook=/tmp", "classes=/tmp", "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err, "");
}

TEST(CodebookReaderRun, ALineOfMoreThanThirtyTwoDigitsIsRejectedNamingFileAndLine) {
  std::string path = WriteTempFile("101\n\n" + std::string(33, '1') + "\n011\n");
  SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(CodebookReaderRun, AnOverLongLastLineWithoutNewlineIsRejected) {
  std::string path = WriteTempFile("10\r\n" + std::string(40, '0'));
  SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("line 2"), std::string::npos) << run.err;
}

TEST(CodebookReaderRun, AnEarlierWordLongerThanTheLastLineIsRejectedNamingFileAndLine) {
  std::string path = WriteTempFile("01\n\r\n111\n010\n11\n");
  SIM_RUN run = RunSim({"codebook=" + path, "classes=" + path, "debug=0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(CodebookReaderRun, LongerLinesWithLeadingZerosStayValid) {
  std::string codes = WriteTempFile("0000011\n101\n");
  std::string classes = WriteTempFile("1\n010\n");
  SIM_RUN run = RunSim({"codebook=" + codes, "classes=" + classes, "debug=3"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("codewords[ 0] =    3 (  011)"), std::string::npos) << run.err;
}

TEST(CodebookReaderRun, CodebookAndClassesOfDifferentLengthsFail) {
  std::string codes = WriteTempFile("001\n010\n100\n");
  std::string classes = WriteTempFile("0011\n1100\n");
  SIM_RUN run = RunSim({"codebook=" + codes, "classes=" + classes, "debug=0"});
  EXPECT_EQ(run.status, 8);
  EXPECT_EQ(run.err, "Error: Codebook and classes length differ!\n");
}

}  // namespace
