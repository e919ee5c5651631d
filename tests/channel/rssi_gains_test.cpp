// Received-power gains: dBm conversions, the gain law against the exponential formula, the draw
// order on the GSL generator for the basic session's channel and for the node-pair table, flat
// fading, symmetry, and which table entries a session redraws.
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "channel/rssi.h"
#include "common/test_util.h"
#include "core/state.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"

namespace {

const uint32_t kGslSeed = 777;

// An independent GSL generator of the same type and seed, producing the gains the model should
// produce: R^2 + rssi_min_pw with R Rayleigh of scale sqrt(rssi_avg_pw / 2).
class ReferenceGains {
 public:
  ReferenceGains() : rng_(gsl_rng_alloc(gsl_rng_mt19937)) { gsl_rng_set(rng_, kGslSeed); }
  ~ReferenceGains() { gsl_rng_free(rng_); }
  double Next() {
    double r = gsl_ran_rayleigh(rng_, std::sqrt(0.5 * rssi_avg_pw));
    return r * r + rssi_min_pw;
  }

 private:
  gsl_rng *rng_;
};

uint32_t LowBits(int32_t n) { return (1u << n) - 1u; }

class RssiGainsTest : public testing::Test {
 protected:
  void Prepare(std::vector<std::string> words) {
    words.push_back("debug=1");
    PrepareSimulation(words);
    SeedRandGSL(kGslSeed);
    init_genrand(5);
  }
  // The protocol generator has handed out nothing since init_genrand(5).
  static bool ProtocolGeneratorUntouched() { return genrand_int32() == std::mt19937(5)(); }
};

TEST(RssiConversionTest, DbmAndLinearPowerConvertBothWays) {
  EXPECT_EQ(dbm2pw(-30.0), 1.0);
  EXPECT_EQ(dbm2pw(0.0), 1000.0);
  EXPECT_NEAR(dbm2pw(-70.0), 1e-4, 1e-18);
  EXPECT_NEAR(dbm2pw(10.0), 10000.0, 1e-9);
  EXPECT_NEAR(pw2dbm(1.0), -30.0, 1e-12);
  EXPECT_NEAR(pw2dbm(1000.0), 0.0, 1e-12);
  for (double dbm : {-120.0, -99.0, -82.0, -62.0, -52.0, -30.0, 0.0, 17.5})
    EXPECT_NEAR(pw2dbm(dbm2pw(dbm)), dbm, 1e-12) << dbm;
}

TEST_F(RssiGainsTest, SetUpConvertsTheDefaultPowers) {
  Prepare({});
  EXPECT_NEAR(rssi_avg_pw, 6.30957344480193e-4, 1e-18);
  EXPECT_NEAR(rssi_min_pw, 1.2589254117941662e-7, 1e-21);
  EXPECT_NEAR(rssi_thresh_pw, 6.309573444801943e-6, 1e-20);
  EXPECT_NEAR(std::sqrt(0.5 * rssi_avg_pw), 0.01776171929290902, 1e-16);
}

TEST_F(RssiGainsTest, SetUpConvertsGivenPowersWhateverTheChannel) {
  Prepare({"rssi_thresh=-70", "rssi_min=-90", "rssi_avg=-60", "fsf_type=binom"});
  EXPECT_NEAR(rssi_thresh_pw, 1e-4, 1e-18);
  EXPECT_NEAR(rssi_min_pw, 1e-6, 1e-20);
  EXPECT_NEAR(rssi_avg_pw, 1e-3, 1e-17);
}

TEST_F(RssiGainsTest, ChannelDrawTakesOneGslGainPerCarrierInOrder) {
  Prepare({"nf=8"});
  ReferenceGains reference;
  for (int round = 0; round < 3; round++) {
    FSFRandChannelSubcarriersRSSI(&nodes[1]);
    for (int m = 0; m < nf; m++) EXPECT_EQ(nodes[1].rssi_acc[m], reference.Next()) << m;
  }
  // The next gain is the reference's next: no variate was skipped or taken twice.
  EXPECT_EQ(DrawGain(), reference.Next());
  EXPECT_TRUE(ProtocolGeneratorUntouched());
}

TEST_F(RssiGainsTest, ChannelMaskClearsExactlyTheCarriersBelowThreshold) {
  // A threshold near the median gain fades about half of the carriers.
  Prepare({"nf=26", "rssi_thresh=-63.6"});
  long faded = 0;
  for (int trial = 0; trial < 400; trial++) {
    FSFRandChannelSubcarriersRSSI(&nodes[0]);
    for (int m = 0; m < nf; m++) {
      bool below = nodes[0].rssi_acc[m] < rssi_thresh_pw;
      ASSERT_EQ((nodes[0].mask >> m & 1u) == 0, below) << m;
      faded += below;
    }
    ASSERT_EQ(nodes[0].mask | LowBits(nf), ~0u);
  }
  EXPECT_GT(faded, 400 * 26 / 4);
  EXPECT_LT(faded, 400 * 26 * 3 / 4);
}

TEST_F(RssiGainsTest, ChannelDrawWithoutCarriersDrawsNothing) {
  Prepare({});
  nf = 0;
  nodes[0].mask = 0;
  FSFRandChannelSubcarriersRSSI(&nodes[0]);
  EXPECT_EQ(nodes[0].mask, ~0u);
  nf = 6;
  ReferenceGains reference;
  EXPECT_EQ(DrawGain(), reference.Next());
}

TEST_F(RssiGainsTest, FloorAtTheThresholdNeverFades) {
  Prepare({"nf=26", "rssi_min=-82", "rssi_thresh=-82"});
  for (int trial = 0; trial < 200; trial++) {
    FSFRandChannelSubcarriersRSSI(&nodes[0]);
    ASSERT_EQ(nodes[0].mask, ~0u);
  }
}

// R^2 is exponential with mean rssi_avg_pw, so a gain has mean rssi_avg_pw + rssi_min_pw and
// standard deviation rssi_avg_pw; a link misses a carrier when the gain stays below the threshold,
// with probability 1 - exp(-(rssi_thresh_pw - rssi_min_pw) / rssi_avg_pw).
TEST_F(RssiGainsTest, GainsHaveTheExponentialMeanAndMissProbability) {
  Prepare({"nf=26"});
  const double avg = 6.30957344480193e-4, floor_pw = 1.2589254117941662e-7;
  const double miss = 0.009752605629902211;
  const int masks = 40000;
  const long gains = long(masks) * 26;
  double sum = 0;
  long below = 0, mask_misses = 0, below_mean = 0;
  for (int trial = 0; trial < masks; trial++) {
    FSFRandChannelSubcarriersRSSI(&nodes[0]);
    for (int m = 0; m < 26; m++) {
      double g = nodes[0].rssi_acc[m];
      sum += g;
      below += g < rssi_thresh_pw;
      below_mean += g < avg + floor_pw;
    }
    mask_misses += 26 - std::popcount(nodes[0].mask & LowBits(26));
  }
  EXPECT_NEAR(sum / double(gains), avg + floor_pw, 5 * avg / std::sqrt(double(gains)));
  double se = std::sqrt(miss * (1 - miss) / double(gains));
  EXPECT_NEAR(double(below) / double(gains), miss, 5 * se);
  EXPECT_EQ(mask_misses, below);
  // An exponential variate stays below its mean with probability 1 - 1/e.
  double p_mean = 1 - std::exp(-1.0);
  EXPECT_NEAR(double(below_mean) / double(gains), p_mean,
              5 * std::sqrt(p_mean * (1 - p_mean) / double(gains)));
}

TEST_F(RssiGainsTest, PairGainsFollowTheGslStreamPairByPairAndAreSymmetric) {
  Prepare({"nn=4", "nf=3"});
  ReferenceGains reference;
  RSSIDrawPairGains();
  for (int a = 0; a < 4; a++)
    for (int b = a + 1; b < 4; b++)
      for (int m = 0; m < 3; m++) {
        EXPECT_EQ(rssi[a][b][m], reference.Next()) << a << "," << b << "," << m;
        EXPECT_EQ(rssi[b][a][m], rssi[a][b][m]);
      }
  // 6 pairs x 3 carriers consumed, no more.
  EXPECT_EQ(DrawGain(), reference.Next());
  EXPECT_TRUE(ProtocolGeneratorUntouched());
}

TEST_F(RssiGainsTest, FlatPairGainsDrawOneGainPerPairForAllCarriers) {
  Prepare({"nn=5", "nf=6", "rssi_type=1"});
  ReferenceGains reference;
  RSSIDrawPairGains();
  for (int a = 0; a < 5; a++)
    for (int b = a + 1; b < 5; b++) {
      double g = reference.Next();
      for (int m = 0; m < 6; m++) {
        EXPECT_EQ(rssi[a][b][m], g) << a << "," << b << "," << m;
        EXPECT_EQ(rssi[b][a][m], g);
      }
    }
  EXPECT_EQ(DrawGain(), reference.Next());
}

TEST_F(RssiGainsTest, OnlyPairsAmongTheActiveNodesAreRedrawn) {
  Prepare({"nn=6", "nf=4"});
  const double untouched = -1.0;
  for (int a = 0; a < 6; a++)
    for (int b = 0; b < 6; b++)
      for (int m = 0; m < 4; m++) rssi[a][b][m] = untouched;
  nn = 4;
  RSSIDrawPairGains();
  for (int a = 0; a < 6; a++)
    for (int b = 0; b < 6; b++)
      for (int m = 0; m < 4; m++) {
        bool active_pair = a != b && a < 4 && b < 4;
        if (active_pair)
          EXPECT_GE(rssi[a][b][m], rssi_min_pw) << a << "," << b;
        else
          EXPECT_EQ(rssi[a][b][m], untouched) << a << "," << b;
      }
}

TEST_F(RssiGainsTest, PairGainsWithoutCarriersDrawNothing) {
  Prepare({"nn=5"});
  nf = 0;
  RSSIDrawPairGains();
  nf = 6;
  ReferenceGains reference;
  EXPECT_EQ(DrawGain(), reference.Next());
}

}  // namespace
