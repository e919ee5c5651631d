// The Hamming(7,4) code of the "hamm74" feedback: the code table, the tables built at set-up, and
// correction of any single lost or flipped bit of every class.
#include <gtest/gtest.h>

#include <string>

#include "coding/hamming74.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

const int32_t kCodeTable[16] = {0, 113, 98, 19, 84, 37, 54, 71, 56, 73, 90, 43, 108, 29, 14, 127};

int32_t Distance(int32_t a, int32_t b) {
  int32_t count = 0;
  for (int bit = 0; bit < 7; bit++) count += (a ^ b) >> bit & 1;
  return count;
}

class Hamming74 : public testing::Test {
 protected:
  void SetUp() override {
    ResetState();
    BuildHamming74Tables();
  }
  void TearDown() override { ResetState(); }
};

TEST_F(Hamming74, EncodingMatchesTheCodeTable) {
  for (int32_t d = 0; d < 16; d++) {
    EXPECT_EQ(Hamming74Encode(d), kCodeTable[d]) << d;
    EXPECT_EQ(cached_hamming74_encode[d], kCodeTable[d]) << d;
    EXPECT_EQ(hammingCodes[d], kCodeTable[d]) << d;
  }
}

TEST_F(Hamming74, DataBitsTravelUnchangedAndParityFollowsTheirSums) {
  for (int32_t d = 0; d < 16; d++) {
    int32_t code = cached_hamming74_encode[d];
    int32_t d0 = d & 1, d1 = d >> 1 & 1, d2 = d >> 2 & 1, d3 = d >> 3 & 1;
    EXPECT_EQ(code & 15, d);
    EXPECT_EQ(code >> 4 & 1, d0 ^ d2 ^ d3) << d;
    EXPECT_EQ(code >> 5 & 1, d0 ^ d1 ^ d3) << d;
    EXPECT_EQ(code >> 6 & 1, d0 ^ d1 ^ d2) << d;
  }
}

TEST_F(Hamming74, CodewordsAreAtLeastThreeBitsApart) {
  for (int32_t a = 0; a < 16; a++)
    for (int32_t b = a + 1; b < 16; b++) EXPECT_GE(Distance(kCodeTable[a], kCodeTable[b]), 3);
}

TEST_F(Hamming74, SyndromesPointAtTheBitToCorrect) {
  const int32_t expected[8] = {0, 16, 32, 8, 64, 4, 2, 1};
  for (int s = 0; s < 8; s++) EXPECT_EQ(syndromeMask[s], expected[s]) << s;
}

TEST_F(Hamming74, DecodesTheGivenSamples) {
  EXPECT_EQ(cached_hamming74_decode[127], 15);
  EXPECT_EQ(cached_hamming74_decode[113], 1);
  EXPECT_EQ(cached_hamming74_decode[112], 1);
  EXPECT_EQ(cached_hamming74_decode[15], 14);
  EXPECT_EQ(cached_hamming74_decode[37], 5);
  EXPECT_EQ(cached_hamming74_decode[36], 5);  // bit 0 lost
  EXPECT_EQ(cached_hamming74_decode[5], 5);   // bit 5 lost
  EXPECT_EQ(cached_hamming74_decode[0], 0);
}

TEST_F(Hamming74, EveryClassSurvivesTheLossOfAnyOneBit) {
  for (int32_t d = 0; d < 16; d++) {
    int32_t code = kCodeTable[d];
    EXPECT_EQ(cached_hamming74_decode[code], d);
    for (int bit = 0; bit < 7; bit++) {
      if (code >> bit & 1) {
        EXPECT_EQ(cached_hamming74_decode[code & ~(1 << bit)], d) << d;
      }
      EXPECT_EQ(cached_hamming74_decode[code ^ (1 << bit)], d) << d << " flip " << bit;
    }
  }
}

// The code is perfect: every 7-bit word lies within one bit of exactly one codeword.
TEST_F(Hamming74, EveryReceivedWordDecodesToItsNearestCodeword) {
  for (int32_t r = 0; r < 128; r++) {
    int32_t nearest = -1;
    for (int32_t d = 0; d < 16; d++)
      if (Distance(r, kCodeTable[d]) <= 1) nearest = d;
    ASSERT_GE(nearest, 0);
    EXPECT_EQ(cached_hamming74_decode[r], nearest) << r;
    EXPECT_EQ(Hamming74Decode(r), nearest) << r;
  }
}

TEST(Hamming74SetUp, BuildsTheTablesDuringSetUp) {
  PrepareSimulation({"fsf_fbk=hamm74", "debug=0"}, 1);
  for (int32_t d = 0; d < 16; d++) EXPECT_EQ(cached_hamming74_encode[d], kCodeTable[d]);
  EXPECT_EQ(cached_hamming74_decode[112], 1);
  EXPECT_EQ(cached_hamming74_decode[36], 5);
  ResetState();
}

TEST(Hamming74SetUp, MoreThanSixteenClassesAreRejected) {
  SIM_RUN run = RunSim({"fsf_fbk=hamm74", "nf=17", "runs=1", "debug=0"});
  EXPECT_EQ(run.status, 5);
  EXPECT_EQ(run.err,
            "Cannot use Hamming(7,4) feedback type; number of classes (17) is greater than 16.");
  run = RunSim({"fsf_fbk=HAMM74", "nf=16", "runs=1", "debug=0"});
  EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
