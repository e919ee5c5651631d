// Interleavers of the reply word: identity, rotation by one position within nf bits, and the
// scramble permutation drawn once from the own generator's stream.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "coding/interleave.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

class Interleavers : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }
};

// The permutation that the drawing rule makes from a stream of 32-bit words: position j takes
// v = r / floor((2^32 - 1) / n), drawn again while v is n or already taken.
std::vector<int32_t> ExpectedScramble(std::mt19937 &stream, int32_t n) {
  std::vector<int32_t> permutation;
  std::set<int32_t> taken;
  while (int32_t(permutation.size()) < n) {
    int32_t v = int32_t(uint32_t(stream()) / (4294967295u / uint32_t(n)));
    if (v >= n || taken.count(v)) continue;
    taken.insert(v);
    permutation.push_back(v);
  }
  return permutation;
}

void ExpectPermutationOfNf() {
  std::set<int32_t> seen;
  for (int32_t j = 0; j < nf; j++) {
    ASSERT_GE(bitScramble[j], 0);
    ASSERT_LT(bitScramble[j], nf);
    seen.insert(bitScramble[j]);
    ASSERT_EQ(bitUnscramble[bitScramble[j]], j);
  }
  ASSERT_EQ(int32_t(seen.size()), nf);
}

TEST_F(Interleavers, NoneLeavesTheWordAlone) {
  nf = 6;
  for (int32_t word : {0, 1, 37, 63}) {
    EXPECT_EQ(FSFInterleaveWordNone(word), word);
    EXPECT_EQ(FSFDeinterleaveWordNone(word), word);
  }
}

TEST_F(Interleavers, RotateMovesEachBitByOnePosition) {
  nf = 6;
  EXPECT_EQ(FSFInterleaveWordRotate(1), 32);
  EXPECT_EQ(FSFDeinterleaveWordRotate(32), 1);
  EXPECT_EQ(FSFInterleaveWordRotate(2), 1);
  EXPECT_EQ(FSFInterleaveWordRotate(0b100110), 0b010011);
  EXPECT_EQ(FSFDeinterleaveWordRotate(0b010011), 0b100110);
  EXPECT_EQ(FSFInterleaveWordRotate(63), 63);
  EXPECT_EQ(FSFInterleaveWordRotate(0), 0);
}

TEST_F(Interleavers, RotateIsInvertedForEveryWordOfEveryLength) {
  for (nf = 1; nf <= 16; nf++)
    for (int32_t word = 0; word < (1 << nf); word++) {
      int32_t rotated = FSFInterleaveWordRotate(word);
      ASSERT_GE(rotated, 0);
      ASSERT_LT(rotated, 1 << nf);
      ASSERT_EQ(FSFDeinterleaveWordRotate(rotated), word) << "nf " << nf;
      ASSERT_EQ(FSFInterleaveWordRotate(FSFDeinterleaveWordRotate(word)), word) << "nf " << nf;
    }
  nf = 26;
  EXPECT_EQ(FSFInterleaveWordRotate(1), 1 << 25);
  EXPECT_EQ(FSFDeinterleaveWordRotate(1 << 25), 1);
  EXPECT_EQ(FSFDeinterleaveWordRotate((1 << 26) - 1), (1 << 26) - 1);
}

TEST_F(Interleavers, ScrambleDrawsAgainOnTakenPositionsAndOnTheTopValue) {
  nf = 4;
  const uint32_t bucket = 4294967295u / 4;
  // The top word would be position 4; it is drawn again, not wrapped or clamped.
  std::vector<uint32_t> words = {4294967295u, 2 * bucket, 2 * bucket + 5, 0u,
                                 bucket - 1,  3 * bucket, bucket};
  QueueGenRandWords(words.data(), words.size());
  FSFInterleaveWordScramble(0);
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 4), (std::vector<int32_t>{2, 0, 3, 1}));
  EXPECT_EQ(std::vector<int32_t>(bitUnscramble, bitUnscramble + 4),
            (std::vector<int32_t>{1, 3, 0, 2}));
  // Bit j of the interleaved word is bit bitScramble[j] of the input.
  EXPECT_EQ(FSFInterleaveWordScramble(0b0100), 0b0001);
  EXPECT_EQ(FSFInterleaveWordScramble(0b0001), 0b0010);
  EXPECT_EQ(FSFInterleaveWordScramble(0b1000), 0b0100);
  EXPECT_EQ(FSFDeinterleaveWordScramble(0b0001), 0b0100);
}

TEST_F(Interleavers, ScrambleIsDrawnOnceAtTheFirstInterleaving) {
  nf = 10;
  init_genrand(8128u);
  std::mt19937 stream(8128u);
  EXPECT_EQ(FSFDeinterleaveWordScramble(5) & ~1023, 0);  // draws nothing
  FSFInterleaveWordScramble(5);
  std::vector<int32_t> expected = ExpectedScramble(stream, 10);
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 10), expected);
  EXPECT_EQ(genrand_int32(), uint32_t(stream()));
  for (int32_t word = 0; word < 1024; word++) FSFInterleaveWordScramble(word);
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 10), expected);
  EXPECT_EQ(genrand_int32(), uint32_t(stream()));
}

TEST_F(Interleavers, ScrambleIsInvertedForEveryWordOfEveryLength) {
  for (int32_t length = 1; length <= 16; length++) {
    ResetState();
    nf = length;
    init_genrand(uint32_t(100 + length));
    FSFInterleaveWordScramble(0);
    ExpectPermutationOfNf();
    for (int32_t word = 0; word < (1 << nf); word++) {
      int32_t scrambled = FSFInterleaveWordScramble(word);
      ASSERT_LT(uint32_t(scrambled), 1u << nf);
      ASSERT_EQ(FSFDeinterleaveWordScramble(scrambled), word) << "nf " << nf;
    }
  }
}

TEST_F(Interleavers, ScrambleAtTwentySixBitsIsAPermutation) {
  nf = 26;
  init_genrand(4242u);
  std::mt19937 stream(4242u);
  FSFInterleaveWordScramble(0);
  ExpectPermutationOfNf();
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 26), ExpectedScramble(stream, 26));
  std::mt19937 source(5);
  for (int i = 0; i < 20000; i++) {
    int32_t word = int32_t(source() & ((1u << 26) - 1u));
    ASSERT_EQ(FSFDeinterleaveWordScramble(FSFInterleaveWordScramble(word)), word);
    ASSERT_EQ(__builtin_popcount(uint32_t(FSFInterleaveWordScramble(word))),
              __builtin_popcount(uint32_t(word)));
  }
}

TEST_F(Interleavers, SetUpDrawsThePermutationFirstFromTheSeededStream) {
  PrepareSimulation({"nf=12", "interleave=2", "debug=0"}, 31337u);
  std::mt19937 stream(31337u);
  EXPECT_EQ(std::vector<int32_t>(bitScramble, bitScramble + 12), ExpectedScramble(stream, 12));
}

}  // namespace
