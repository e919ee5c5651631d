// Command-line tests of the set-up on the real program: codebook and classes files, the default
// codebook and its note, the 26-subcarrier limit, the Hamming(7,4) class limit and the debug dump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

const std::string kTooLong = "Error: canot use more than nf=26 subcarriers.";

std::string HammingLimit(int classes) {
  return "Cannot use Hamming(7,4) feedback type; number of classes (" + std::to_string(classes) +
         ") is greater than 16.";
}

std::string Note(int nf, int repeat) {
  return "# Using default oblivious codebook of nf=" + std::to_string(nf) + " bits repeated " +
         std::to_string(repeat) + " times.\n";
}

// count words of the given width, one per line: 1, 2, 3, ... in binary.
std::string WordFile(int count, int width) {
  std::string text;
  for (int w = 1; w <= count; w++) {
    for (int bit = width - 1; bit >= 0; bit--) text += (w >> bit) & 1 ? '1' : '0';
    text += '\n';
  }
  return WriteTempFile(text);
}

// The value of one summary column of a run at debug 1.
std::string Column(const SIM_RUN &run, const std::string &name) {
  std::vector<std::string> lines = Lines(run.out);
  if (lines.size() < 2) return "<no summary>";
  std::vector<std::string> names = Fields(lines[0]), values = Fields(lines[1]);
  for (size_t i = 0; i < names.size() && i < values.size(); i++)
    if (names[i] == name) return values[i];
  return "<no column " + name + ">";
}

void ExpectRejected(const std::vector<std::string> &words, int status, const std::string &message) {
  SIM_RUN run = RunSim(words);
  EXPECT_EQ(run.status, status) << words.front();
  EXPECT_EQ(run.out, "") << words.front();
  EXPECT_EQ(run.err, message) << words.front();
}

SIM_RUN Quick(std::vector<std::string> words) {
  words.push_back("runs=20");
  words.push_back("debug=1");
  return RunSim(words);
}

TEST(SetUpCommandLine, CodebookAndClassesMustComeTogetherWithOneLength) {
  const std::string kDiffer = "Error: Codebook and classes length differ!\n";
  std::string five = WordFile(4, 5), three = WordFile(3, 3);
  ExpectRejected({"codebook=" + five}, 8, kDiffer);
  ExpectRejected({"classes=" + five}, 8, kDiffer);
  ExpectRejected({"codebook=" + five, "classes=" + three}, 8, kDiffer);
  // The length check comes before the value checks.
  ExpectRejected({"nn=0", "codebook=" + five}, 8, kDiffer);
}

TEST(SetUpCommandLine, TheFilesDecideTheWordLength) {
  std::string codebook = WordFile(4, 5), classes = WordFile(2, 5);
  for (const char *nf : {"nf=20", "nf=0", "nf=-3"}) {
    SIM_RUN run = Quick({nf, "codebook=" + codebook, "classes=" + classes});
    EXPECT_EQ(run.status, 0) << nf << ": " << run.err;
    EXPECT_EQ(Column(run, "nf"), "5") << nf;
  }
  // With files there is no default codebook and so no note about it.
  SIM_RUN noted = RunSim({"codebook=" + codebook, "classes=" + classes, "runs=20"});
  EXPECT_EQ(noted.err.find("# Using default"), std::string::npos) << noted.err;
}

TEST(SetUpCommandLine, AFileThatCannotBeReadEndsTheRunWhileOptionsAreRead) {
  std::string missing = "/nonexistent/qrvl/codebook.txt";
  SIM_RUN run = RunSim({"nn=0", "fsf_fbk=bad", "codebook=" + missing});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Could not open " + missing + "\n");
  EXPECT_EQ(run.err, "Error reading file: No such file or directory\n");
  // The codebook is read before the classes.
  SIM_RUN both = RunSim({"classes=/nonexistent/a", "codebook=/nonexistent/b"});
  EXPECT_EQ(both.out, "Could not open /nonexistent/b\n");
  ExpectRejected({"codebook=" + WriteTempFile("")}, 1,
                 "Error: Could not realloc'ate 0 bytes of memory. Aborting ...\n");
}

TEST(SetUpCommandLine, FileCodebooksTakeAnyRepeatForTheDetector) {
  std::string three = WordFile(3, 3);
  for (const char *repeat : {"repeat=2", "repeat=4", "repeat=2147483647"}) {
    SIM_RUN run = Quick({repeat, "codebook=" + three, "classes=" + three});
    EXPECT_EQ(run.status, 0) << repeat << ": " << run.err;
    EXPECT_EQ(Column(run, "nf"), "3") << repeat;
  }
}

TEST(SetUpCommandLine, WordsOfMoreThan26BitsAreRejected) {
  std::string wide = WordFile(3, 27);
  ExpectRejected({"codebook=" + wide, "classes=" + wide, "debug=1"}, 7, kTooLong);
  SIM_RUN at_limit = Quick({"codebook=" + WordFile(3, 26), "classes=" + WordFile(2, 26)});
  EXPECT_EQ(at_limit.status, 0) << at_limit.err;
  EXPECT_EQ(Column(at_limit, "nf"), "26");
}

TEST(SetUpCommandLine, TheLimitHoldsForTheRepeatedDefaultCodebook) {
  for (auto words :
       {std::vector<std::string>{"nf=13", "repeat=2"},
        std::vector<std::string>{"nf=2", "repeat=13"}, std::vector<std::string>{"nf=26"}}) {
    SIM_RUN run = Quick(words);
    EXPECT_EQ(run.status, 0) << words.front() << ": " << run.err;
    EXPECT_EQ(Column(run, "nf"), "26");
  }
  ExpectRejected({"nf=9", "repeat=3", "debug=1"}, 7, kTooLong);
  ExpectRejected({"nf=27", "debug=1"}, 7, kTooLong);
  ExpectRejected({"nf=2147483647", "debug=1"}, 7, kTooLong);
  // The limit is checked before the dump that a high debug level asks for.
  ExpectRejected({"nf=9", "repeat=3", "debug=3"}, 7, Note(9, 3) + kTooLong);
  ExpectRejected({"nf=27", "debug=4", "fsf_fbk=hamm74"}, 7, Note(27, 1) + kTooLong);
}

TEST(SetUpCommandLine, TheDefaultCodebookNoteAppearsFromDebugLevelTwo) {
  SIM_RUN two = RunSim({"nf=4", "repeat=2", "runs=20"});
  EXPECT_EQ(two.status, 0);
  EXPECT_TRUE(two.err.starts_with(Note(4, 2))) << two.err;
  for (const char *level : {"debug=1", "debug=0", "debug=-1"}) {
    SIM_RUN quiet = RunSim({"nf=4", "repeat=2", "runs=20", level});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "") << level;
  }
}

TEST(SetUpCommandLine, HammingFeedbackCarriesAtMostSixteenClasses) {
  SIM_RUN sixteen = Quick({"nf=16", "fsf_fbk=hamm74"});
  EXPECT_EQ(sixteen.status, 0) << sixteen.err;
  ExpectRejected({"nf=17", "fsf_fbk=hamm74", "debug=1"}, 5, HammingLimit(17));
  ExpectRejected({"nf=17", "fsf_fbk=HAMM74", "debug=1"}, 5, HammingLimit(17));
  // The default codebook's note comes first at the built-in debug level.
  ExpectRejected({"nf=17", "fsf_fbk=hamm74"}, 5, Note(17, 1) + HammingLimit(17));
  // Other feedback schemes have no such limit.
  EXPECT_EQ(Quick({"nf=17", "fsf_fbk=class"}).status, 0);
  // Classes from a file count the same way.
  std::string codebook = WordFile(4, 5);
  ExpectRejected({"fsf_fbk=hamm74", "codebook=" + codebook, "classes=" + WordFile(17, 5)}, 5,
                 HammingLimit(17));
  EXPECT_EQ(Quick({"fsf_fbk=hamm74", "codebook=" + codebook, "classes=" + WordFile(16, 5)}).status,
            0);
}

// The dump of the one-hot codebook of nf bits under no interleaving: the codeword nearest to a
// received word is the one of its highest set bit.
std::string OneHotDump(int nf) {
  std::string dump;
  char line[160];
  auto bits = [nf](int value) {
    std::string text;
    for (int bit = nf - 1; bit >= 0; bit--) text += (value >> bit) & 1 ? '1' : '0';
    return text;
  };
  for (const char *name : {"codewords", "classes"})
    for (int i = 0; i < nf; i++) {
      snprintf(line, sizeof line, "%s[%2d] = %4d (%5s)\n", name, i, 1 << i, bits(1 << i).c_str());
      dump += line;
    }
  for (int w = 0; w < (1 << nf); w++) {
    int top = 0;
    for (int bit = 0; bit < nf; bit++)
      if ((w >> bit) & 1) top = bit;
    std::string word = bits(w), reply = bits(w ? 1 << top : 0);
    snprintf(line, sizeof line, "word=%4d (%5s) --> refword=%2d (%5s) --> refclass=%2d (%5s)\n", w,
             word.c_str(), top, reply.c_str(), top, reply.c_str());
    dump += line;
  }
  return dump;
}

TEST(SetUpCommandLine, DebugThreeDumpsTheTablesAndEndsWithStatusZero) {
  const std::string kTwoBits =
      "codewords[ 0] =    1 (   01)\n"
      "codewords[ 1] =    2 (   10)\n"
      "classes[ 0] =    1 (   01)\n"
      "classes[ 1] =    2 (   10)\n"
      "word=   0 (   00) --> refword= 0 (   00) --> refclass= 0 (   00)\n"
      "word=   1 (   01) --> refword= 0 (   01) --> refclass= 0 (   01)\n"
      "word=   2 (   10) --> refword= 1 (   10) --> refclass= 1 (   10)\n"
      "word=   3 (   11) --> refword= 1 (   10) --> refclass= 1 (   10)\n";
  ExpectRejected({"nf=2", "debug=3"}, 0, Note(2, 1) + kTwoBits);
  ExpectRejected({"nf=2", "debug=4", "runs=999999999"}, 0, Note(2, 1) + kTwoBits);
  ExpectRejected({"debug=3"}, 0, Note(6, 1) + OneHotDump(6));
}

TEST(SetUpCommandLine, TheDumpShowsTheInterleavedReplies) {
  // Rotating right within 3 bits: class word 1 is sent as 4, 2 as 1, 4 as 2.
  const std::string kRotated =
      "codewords[ 0] =    1 (  001)\n"
      "codewords[ 1] =    2 (  010)\n"
      "codewords[ 2] =    4 (  100)\n"
      "classes[ 0] =    1 (  001)\n"
      "classes[ 1] =    2 (  010)\n"
      "classes[ 2] =    4 (  100)\n"
      "word=   0 (  000) --> refword= 0 (  000) --> refclass= 0 (  000)\n"
      "word=   1 (  001) --> refword= 0 (  001) --> refclass= 0 (  100)\n"
      "word=   2 (  010) --> refword= 1 (  010) --> refclass= 1 (  001)\n"
      "word=   3 (  011) --> refword= 1 (  010) --> refclass= 1 (  001)\n"
      "word=   4 (  100) --> refword= 2 (  100) --> refclass= 2 (  010)\n"
      "word=   5 (  101) --> refword= 2 (  100) --> refclass= 2 (  010)\n"
      "word=   6 (  110) --> refword= 2 (  100) --> refclass= 2 (  010)\n"
      "word=   7 (  111) --> refword= 2 (  100) --> refclass= 2 (  010)\n";
  ExpectRejected({"nf=3", "interleave=1", "debug=3"}, 0, Note(3, 1) + kRotated);
}

TEST(SetUpCommandLine, TheDumpComesBeforeTheHammingClassLimit) {
  std::string codebook = WordFile(2, 5), classes = WordFile(17, 5);
  SIM_RUN run = RunSim({"fsf_fbk=hamm74", "debug=3", "codebook=" + codebook, "classes=" + classes});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  std::vector<std::string> lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 2u + 17u + 32u) << run.err;
  EXPECT_EQ(lines[0], "codewords[ 0] =    1 (00001)");
  EXPECT_EQ(lines[2], "classes[ 0] =    1 (00001)");
  EXPECT_EQ(lines[18], "classes[16] =   17 (10001)");
  EXPECT_TRUE(lines[19].starts_with("word=   0 (00000) --> ")) << lines[19];
  EXPECT_TRUE(lines[50].starts_with("word=  31 (11111) --> ")) << lines[50];
}

}  // namespace
