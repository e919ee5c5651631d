// The referee lookup tables against a plain evaluation of their rules, entry by entry, for small
// random codebooks and classes with and without interleaving and repetition: the arrays built at
// set-up, the searched lookups of long words, and the one-table build.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "coding/referee_tables.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

int32_t CountBits(uint32_t word) {
  int32_t count = 0;
  for (int b = 0; b < 32; b++) count += word >> b & 1u;
  return count;
}

// The rules of the tables, evaluated plainly from the codebook, the classes and the options.
struct PlainRules {
  std::vector<int32_t> codes, classes;
  int32_t length, repeat, interleave;
  std::vector<int32_t> scramble, unscramble;  // the permutation drawn at set-up (interleave 2)

  int32_t Closest(int32_t word, const std::vector<int32_t> &set) const {
    if (word == 0) return 0;
    int32_t best = length, result = 0;
    for (size_t i = 0; i < set.size(); i++) {
      int32_t d = CountBits(uint32_t(word ^ set[i]));
      if (d <= best) best = d, result = int32_t(i);
    }
    return result;
  }
  int32_t Folded(int32_t word, const std::vector<int32_t> &set) const {
    if (word == 0) return 0;
    int32_t base = length / repeat;
    uint32_t low = (1u << base) - 1u, x = 0;
    for (int32_t r = 0; r < repeat; r++) x |= (uint32_t(word) >> (r * base)) & low;
    int32_t best = 32, result = 0;
    for (size_t i = 0; i < set.size(); i++) {
      int32_t d = CountBits(x ^ (uint32_t(set[i]) & low));
      if (d <= best) best = d, result = int32_t(i);
    }
    return result;
  }
  int32_t Find(int32_t word, const std::vector<int32_t> &set) const {
    return repeat == 1 ? Closest(word, set) : Folded(word, set);
  }
  int32_t Permuted(int32_t word, const std::vector<int32_t> &source) const {
    int32_t result = 0;
    for (int32_t j = 0; j < length; j++) result |= (word >> source[size_t(j)] & 1) << j;
    return result;
  }
  int32_t Interleave(int32_t word) const {
    if (interleave == 1) return ((word & 1) << (length - 1)) | (word >> 1);
    if (interleave == 2) return Permuted(word, scramble);
    return word;
  }
  int32_t Deinterleave(int32_t word) const {
    if (interleave == 1) return ((word << 1) | (word >> (length - 1) & 1)) & ((1 << length) - 1);
    if (interleave == 2) return Permuted(word, unscramble);
    return word;
  }

  int32_t ReplyIndex(int32_t w) const { return w ? Find(w, codes) : 0; }
  int32_t Reply(int32_t w) const { return w ? codes[size_t(Find(w, codes))] : 0; }
  int32_t ClassIndex(int32_t w) const { return w ? Find(Reply(w), classes) : 0; }
  int32_t ClassWord(int32_t w) const { return w ? Interleave(classes[size_t(ClassIndex(w))]) : 0; }
  int32_t ClosestClass(int32_t r) const {
    return Interleave(classes[size_t(Find(Deinterleave(r), classes))]);
  }
};

struct TABLE_CASE {
  int32_t length, codes, classes, repeat, interleave;
};

std::string Line(int32_t word, int32_t length) {
  std::string text;
  for (int32_t b = length - 1; b >= 0; b--) text += (word >> b & 1) ? '1' : '0';
  return text + "\n";
}

std::vector<int32_t> RandomWords(std::mt19937 &source, int32_t count, int32_t length) {
  std::vector<int32_t> words;
  for (int32_t i = 0; i < count; i++) words.push_back(int32_t(source() & ((1u << length) - 1u)));
  return words;
}

std::string FileOf(const std::vector<int32_t> &words, int32_t length) {
  std::string contents;
  for (int32_t word : words) contents += Line(word, length);
  return WriteTempFile(contents);
}

class RefereeTables : public testing::TestWithParam<TABLE_CASE> {
 protected:
  void SetUp() override {
    const TABLE_CASE &c = GetParam();
    std::mt19937 source(uint32_t(1000 * c.length + 10 * c.codes + c.classes));
    rules.codes = RandomWords(source, c.codes, c.length);
    rules.classes = RandomWords(source, c.classes, c.length);
    rules.codes.back() = rules.codes.front();  // a repeated codeword
    rules.length = c.length;
    rules.repeat = c.repeat;
    rules.interleave = c.interleave;
    PrepareSimulation(
        {"codebook=" + FileOf(rules.codes, c.length), "classes=" + FileOf(rules.classes, c.length),
         "repeat=" + std::to_string(c.repeat), "interleave=" + std::to_string(c.interleave),
         "debug=0"},
        uint32_t(c.length));
    if (c.interleave == 2) TakeScramble();
  }
  void TearDown() override { ResetState(); }

  // The permutation is drawn by the set-up; it must be one, with its inverse beside it.
  void TakeScramble() {
    std::vector<bool> seen(size_t(rules.length), false);
    for (int32_t j = 0; j < rules.length; j++) {
      ASSERT_GE(bitScramble[j], 0);
      ASSERT_LT(bitScramble[j], rules.length);
      ASSERT_FALSE(seen[size_t(bitScramble[j])]);
      seen[size_t(bitScramble[j])] = true;
      ASSERT_EQ(bitUnscramble[bitScramble[j]], j);
    }
    rules.scramble.assign(bitScramble, bitScramble + rules.length);
    rules.unscramble.assign(bitUnscramble, bitUnscramble + rules.length);
  }

  void ExpectLookupsFollowTheRules(bool descending) {
    int32_t size = 1 << rules.length;
    for (int32_t i = 0; i < size; i++) {
      int32_t w = descending ? size - 1 - i : i;
      uint32_t u = uint32_t(w);
      ASSERT_EQ(RefRepliesAt(u), rules.Reply(w)) << w;
      ASSERT_EQ(RefRepliesIdxAt(u), rules.ReplyIndex(w)) << w;
      ASSERT_EQ(RefClassesAt(u), rules.ClassWord(w)) << w;
      ASSERT_EQ(RefClassesIdxAt(u), rules.ClassIndex(w)) << w;
      ASSERT_EQ(ClosestClassesAt(u), rules.ClosestClass(w)) << w;
    }
  }

  PlainRules rules;
};

TEST_P(RefereeTables, TablesHaveOneEntryPerReceivedWord) {
  for (const BINCODES *table : {&refreplies, &refreplies_idx, &refclasses, &refclasses_idx}) {
    EXPECT_EQ(table->count, 1 << rules.length);
    EXPECT_EQ(table->nbits, rules.length);
  }
}

// Up to the full-table limit the set-up builds every table as an array.
class FullRefereeTables : public RefereeTables {};

TEST_P(FullRefereeTables, SetUpBuildFollowsTheRulesForEveryWord) {
  ASSERT_LE(rules.length, kFullTableBits);
  for (int32_t w = 0; w < (1 << rules.length); w++) {
    ASSERT_EQ(refreplies.codes[w], rules.Reply(w)) << w;
    ASSERT_EQ(refreplies_idx.codes[w], rules.ReplyIndex(w)) << w;
    ASSERT_EQ(refclasses.codes[w], rules.ClassWord(w)) << w;
    ASSERT_EQ(refclasses_idx.codes[w], rules.ClassIndex(w)) << w;
    ASSERT_EQ(closest_classes.codes[w], rules.ClosestClass(w)) << w;
  }
}

TEST_P(RefereeTables, LookupsFollowTheRulesInAnyOrder) {
  ExpectLookupsFollowTheRules(false);
  ExpectLookupsFollowTheRules(true);
  std::mt19937 source(17);
  for (int i = 0; i < 20000; i++) {
    int32_t w = int32_t(source() & ((1u << rules.length) - 1u));
    ASSERT_EQ(RefClassesAt(uint32_t(w)), rules.ClassWord(w)) << w;
    ASSERT_EQ(ClosestClassesAt(uint32_t(w)), rules.ClosestClass(w)) << w;
  }
}

TEST_P(FullRefereeTables, OneTableBuildFollowsItsRule) {
  BINCODES tables[2][2];
  for (int32_t use_classes = 0; use_classes < 2; use_classes++)
    for (int32_t want_index = 0; want_index < 2; want_index++) {
      tables[use_classes][want_index] = FSFCacheRefereeReplies(use_classes, want_index);
      ASSERT_EQ(tables[use_classes][want_index].count, 1 << rules.length);
      ASSERT_EQ(tables[use_classes][want_index].nbits, rules.length);
    }
  for (int32_t w = 0; w < (1 << rules.length); w++) {
    ASSERT_EQ(tables[0][0].codes[w], rules.Reply(w)) << w;
    ASSERT_EQ(tables[0][1].codes[w], rules.ReplyIndex(w)) << w;
    ASSERT_EQ(tables[1][0].codes[w], rules.ClassWord(w)) << w;
    ASSERT_EQ(tables[1][1].codes[w], rules.ClassIndex(w)) << w;
  }
}

std::string CaseName(const testing::TestParamInfo<TABLE_CASE> &info) {
  const TABLE_CASE &c = info.param;
  std::ostringstream name;
  name << "L" << c.length << "_" << c.codes << "codes_" << c.classes << "classes_repeat" << c.repeat
       << "_interleave" << c.interleave;
  return name.str();
}

const TABLE_CASE kFullCases[] = {{1, 2, 1, 1, 0},  {1, 3, 2, 1, 2},  {5, 6, 3, 1, 0},
                                 {8, 10, 4, 1, 1}, {9, 7, 5, 1, 2},  {10, 12, 6, 2, 0},
                                 {7, 5, 4, 2, 2},  {12, 8, 8, 3, 1}, {11, 9, 3, 3, 2},
                                 {16, 6, 3, 1, 2}, {16, 5, 4, 2, 1}};
const TABLE_CASE kSearchedCases[] = {{17, 6, 4, 1, 1}, {18, 5, 3, 2, 2}, {17, 7, 5, 1, 0}};

INSTANTIATE_TEST_SUITE_P(ArrayTables, FullRefereeTables, testing::ValuesIn(kFullCases), CaseName);
INSTANTIATE_TEST_SUITE_P(ArrayTables, RefereeTables, testing::ValuesIn(kFullCases), CaseName);
INSTANTIATE_TEST_SUITE_P(SearchedTables, RefereeTables, testing::ValuesIn(kSearchedCases),
                         CaseName);

class DefaultCodebookTables : public testing::Test {
 protected:
  void TearDown() override { ResetState(); }
};

// One-hot words, no interleaving: every table answers with the highest subcarrier heard.
TEST_F(DefaultCodebookTables, AnswerWithTheHighestSubcarrierAtEveryLength) {
  for (int32_t length : {6, 16, 17, 20}) {
    PrepareSimulation({"nf=" + std::to_string(length), "debug=0"}, 3);
    ASSERT_EQ(refreplies.count, 1 << length);
    EXPECT_EQ(ClosestClassesAt(0), 1);
    for (uint32_t w = 1; w < (1u << length); w++) {
      int32_t high = 31 - __builtin_clz(w);
      ASSERT_EQ(RefRepliesIdxAt(w), high) << w;
      ASSERT_EQ(RefClassesIdxAt(w), high) << w;
      ASSERT_EQ(RefRepliesAt(w), 1 << high) << w;
      ASSERT_EQ(RefClassesAt(w), 1 << high) << w;
      ASSERT_EQ(ClosestClassesAt(w), 1 << high) << w;
    }
  }
}

TEST_F(DefaultCodebookTables, RepeatedWordsAnswerWithTheHighestFoldedSubcarrier) {
  PrepareSimulation({"nf=6", "repeat=2", "interleave=1", "debug=0"}, 3);
  ASSERT_EQ(refreplies.count, 1 << 12);
  for (uint32_t w = 1; w < 4096; w++) {
    int32_t high = 31 - __builtin_clz((w & 63u) | (w >> 6));
    int32_t word = (1 << high) | (1 << (high + 6));
    int32_t rotated = ((word & 1) << 11) | (word >> 1);
    ASSERT_EQ(RefRepliesIdxAt(w), high) << w;
    ASSERT_EQ(RefRepliesAt(w), word) << w;
    ASSERT_EQ(RefClassesAt(w), rotated) << w;
  }
}

}  // namespace
