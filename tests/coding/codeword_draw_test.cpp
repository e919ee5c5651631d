// The codeword-index draws of a transmitting node: the uniform index draw, the truncated geometric
// law (exact inverse transform and frequencies), and the choice of the draw from the tau values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "coding/codeword_draw.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/mt_rand.h"

namespace {

const GenRandGeomUniFn kAllDraws[] = {GenRandModGeom, GenRandModUni2, GenRandModGeom2};

class CodewordDraw : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }

  static void Queue(std::vector<uint32_t> words) { QueueGenRandWords(words.data(), words.size()); }
};

// P(low + k) = tau q^k / (1 - q^n), q = 1 - tau, k = 0 .. n - 1.
std::vector<double> GeometricLaw(double tau, int n) {
  std::vector<double> law;
  for (int k = 0; k < n; k++)
    law.push_back(tau * std::pow(1 - tau, k) / (1 - std::pow(1 - tau, n)));
  return law;
}

// Draws count indices and checks each frequency against law within five standard errors.
void ExpectFrequencies(GenRandGeomUniFn draw, double tau, int32_t low, std::vector<double> law) {
  const int count = 200000;
  int32_t high = low + int32_t(law.size()) - 1;
  std::vector<int> hits(law.size(), 0);
  for (int i = 0; i < count; i++) {
    int32_t index = draw(tau, low, high);
    ASSERT_GE(index, low);
    ASSERT_LE(index, high);
    hits[size_t(index - low)]++;
  }
  for (size_t k = 0; k < law.size(); k++) {
    double p = law[k], error = std::sqrt(p * (1 - p) / count);
    EXPECT_NEAR(double(hits[k]) / count, p, 5 * error + 1e-12) << "index " << low + int32_t(k);
  }
}

TEST_F(CodewordDraw, TauOneAlwaysGivesTheLowIndex) {
  for (GenRandGeomUniFn draw : {GenRandModGeom, GenRandModGeom2}) {
    Queue({0u, 1u, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu});
    for (int i = 0; i < 5; i++) EXPECT_EQ(draw(1.0, 0, 5), 0);
    Queue({0u, 0xFFFFFFFFu});
    EXPECT_EQ(draw(1.0, 3, 9), 3);
    EXPECT_EQ(draw(1.0, 3, 9), 3);
    init_genrand(4);
    for (int i = 0; i < 1000; i++) ASSERT_EQ(draw(1.0, 0, 25), 0);
  }
}

TEST_F(CodewordDraw, ASingleCodewordIsAlwaysIndexZero) {
  for (GenRandGeomUniFn draw : kAllDraws)
    for (double tau : {0.0, 0.3, 1.0}) {
      if (draw == GenRandModGeom2 && tau == 0.0) continue;  // never installed with a zero tau
      Queue({0u, 0x7FFFFFFFu, 0xFFFFFFFFu, 12345u});
      for (int i = 0; i < 3; i++) EXPECT_EQ(draw(tau, 0, 0), 0) << tau;
    }
}

TEST_F(CodewordDraw, GeometricDrawInvertsTheCumulativeLaw) {
  const double tau = 0.3;
  std::vector<double> law = GeometricLaw(tau, 6);
  double below = 0;
  for (int32_t k = 0; k < 6; k++) {
    double middle = below + law[size_t(k)] / 2;
    below += law[size_t(k)];
    uint32_t word = uint32_t(middle * 4294967296.0);
    for (GenRandGeomUniFn draw : {GenRandModGeom, GenRandModGeom2}) {
      Queue({word, word});
      EXPECT_EQ(draw(tau, 0, 5), k);
      EXPECT_EQ(draw(tau, 10, 15), 10 + k);
    }
  }
}

TEST_F(CodewordDraw, GeometricFrequenciesFollowTheTruncatedLaw) {
  init_genrand(20240601u);
  ExpectFrequencies(GenRandModGeom2, 0.3, 0, GeometricLaw(0.3, 6));
  ExpectFrequencies(GenRandModGeom, 0.6, 2, GeometricLaw(0.6, 8));
  ExpectFrequencies(GenRandModGeom2, 0.05, 0, GeometricLaw(0.05, 26));
}

TEST_F(CodewordDraw, TinyTauGivesTheUniformLimitInRange) {
  init_genrand(99u);
  Queue({0u, 0xFFFFFFFFu});
  EXPECT_EQ(GenRandModGeom2(1e-20, 0, 5), 0);
  EXPECT_LE(GenRandModGeom2(1e-20, 0, 5), 5);
  ExpectFrequencies(GenRandModGeom2, 1e-20, 0, std::vector<double>(5, 0.2));
}

TEST_F(CodewordDraw, UniformDrawMapsEachWordToItsBucket) {
  const uint32_t bucket = 4294967295u / 6;  // 715827882
  for (GenRandGeomUniFn draw : {GenRandModGeom, GenRandModUni2}) {
    Queue({0u, bucket - 1, bucket, 3 * bucket, 6 * bucket - 1});
    EXPECT_EQ(draw(0.0, 0, 5), 0);
    EXPECT_EQ(draw(0.0, 0, 5), 0);
    EXPECT_EQ(draw(0.0, 0, 5), 1);
    EXPECT_EQ(draw(0.0, 0, 5), 3);
    EXPECT_EQ(draw(0.0, 0, 5), 5);
    Queue({2 * bucket});
    EXPECT_EQ(draw(0.0, 7, 12), 9);
  }
  Queue({4 * bucket});
  EXPECT_EQ(GenRandModUni2(1.0, 0, 5), 4);  // tau is ignored
}

TEST_F(CodewordDraw, UniformDrawNeverReturnsOnePastTheHighIndex) {
  for (GenRandGeomUniFn draw : {GenRandModGeom, GenRandModUni2}) {
    Queue({6 * 715827882u, 4294967294u, 4294967295u, 5u});
    for (int i = 0; i < 3; i++) {
      int32_t index = draw(0.0, 0, 5);
      EXPECT_GE(index, 0);
      EXPECT_LE(index, 5);
    }
  }
}

TEST_F(CodewordDraw, UniformFrequenciesAreEqual) {
  init_genrand(777u);
  ExpectFrequencies(GenRandModUni2, 0.0, 0, std::vector<double>(6, 1.0 / 6));
  ExpectFrequencies(GenRandModGeom, 0.0, 3, std::vector<double>(7, 1.0 / 7));
}

TEST_F(CodewordDraw, ChoosesTheDrawFromTheTauValues) {
  const double zeros[] = {0.0, 0.0, 0.0}, none[] = {0.2, 1.0, 0.5}, mixed[] = {0.5, 0.0, 0.5};
  EXPECT_EQ(ChooseCodewordDraw(zeros, 3), GenRandModUni2);
  EXPECT_EQ(ChooseCodewordDraw(none, 3), GenRandModGeom2);
  EXPECT_EQ(ChooseCodewordDraw(mixed, 3), GenRandModGeom);
  EXPECT_EQ(ChooseCodewordDraw(mixed + 1, 1), GenRandModUni2);
  EXPECT_EQ(ChooseCodewordDraw(mixed, 1), GenRandModGeom2);
  EXPECT_EQ(ChooseCodewordDraw(none, 0), GenRandModUni2);
}

TEST_F(CodewordDraw, SetUpInstallsTheDrawChosenFromTheRoundList) {
  struct CASE {
    std::vector<std::string> words;
    GenRandGeomUniFn expected;
  };
  const std::vector<CASE> cases = {
      {{}, GenRandModUni2},
      {{"tau=0,0,0,0"}, GenRandModUni2},
      {{"tau=0.2,0.5,1"}, GenRandModGeom2},
      {{"tau=0.5,,0.2"}, GenRandModGeom},
      {{"ns=3", "forcens=1", "tau=0.5"}, GenRandModGeom},  // rounds 1 and 2 get tau 0
  };
  for (const CASE &c : cases) {
    std::vector<std::string> words = c.words;
    words.push_back("debug=0");
    PrepareSimulation(words, 5);
    EXPECT_EQ(GenRandGeomUni, c.expected) << testing::PrintToString(c.words);
  }
}

}  // namespace
