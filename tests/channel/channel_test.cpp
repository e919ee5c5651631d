// Channel models: the law of the set each fading mask fades, with either random-number mode (the
// binomial mask is also played draw for draw by the literal session of bench/), and a receiver of
// the received-power model (sums, detection, replies; the law of the gains is the ad hoc pair
// sessions' exact law).
#include <bit>

#include "channel/fading_masks.h"
#include "channel/rssi.h"
#include "common/test_util.h"

namespace {

typedef void (*MODEL)(SIM &, NODE *);
const MODEL binom = FSFRandChannelMaskBinom, num = FSFRandChannelMaskNumber,
            geom = FSFRandChannelMaskGeom;

struct LAW_CASE {
  MODEL model;
  int32_t nf, trials;
  double param;
};
class FadingLaw : public testing::TestWithParam<std::tuple<LAW_CASE, bool>> {};

// The same model with keyed draws.
MODEL Keyed(MODEL model) {
  return model == binom ? FSFRandChannelMaskBinomKeyed
         : model == num ? FSFRandChannelMaskNumberKeyed
                        : FSFRandChannelMaskGeomKeyed;
}

// P(count = k): binomial for binom; q^k (1 - q) / (1 - q^(nf + 1)) with q = 1 - fsf_tau for geom
// (1 / (nf + 1) for fsf_tau 0); 1 for k = min(nf, fsf_num) under num. Positions are uniform, so
// each subcarrier is faded in a share E[count] / nf of the masks.
TEST_P(FadingLaw, CountAndSubcarrierRatesLieWithinFiveStandardErrors) {
  const LAW_CASE &c = std::get<0>(GetParam());
  const bool keyed = std::get<1>(GetParam());
  auto S = std::make_unique<SIM>();  // param is fsf_prob, fsf_num or fsf_tau
  S->nf = c.nf, S->fsf_prob = S->fsf_tau = c.param, S->fsf_num = int32_t(c.param);
  S->keyed.on = keyed, S->keyed.seed = 7;
  std::vector<long> per_count(size_t(c.nf) + 1), per_carrier(size_t(c.nf));
  for (int t = 0; t < c.trials; t++) {
    NODE node{};
    node.id = t % 5, S->keyed.session = uint64_t(t / 5);  // keyed: a new node or session each time
    (keyed ? Keyed(c.model) : c.model)(*S, &node);
    ASSERT_EQ(node.mask | ((1u << c.nf) - 1), ~0u);  // bits at and above nf stay set
    per_count[size_t(std::popcount(~node.mask))]++;
    for (int32_t b = 0; b < c.nf; b++) per_carrier[size_t(b)] += ~node.mask >> b & 1;
  }
  auto expect_share = [&](long hits, double p, int i) {
    EXPECT_NEAR(double(hits) / c.trials, p, 5 * std::sqrt(p * (1 - p) / c.trials)) << i;
  };
  double mean = 0, q = 1 - c.param, choose = 1;
  for (int k = 0; k <= c.nf; k++, choose = choose * (c.nf - k + 1) / k) {
    double p = c.model == num     ? k == std::min(c.nf, int(c.param))
               : c.model == binom ? choose * std::pow(c.param, k) * std::pow(q, c.nf - k)
               : c.param == 0     ? 1.0 / (c.nf + 1)
                                  : std::pow(q, k) * (1 - q) / (1 - std::pow(q, c.nf + 1));
    mean += k * p;
    expect_share(per_count[size_t(k)], p, k);
  }
  for (int b = 0; b < c.nf; b++) expect_share(per_carrier[size_t(b)], mean / c.nf, 100 + b);
}
// clang-format off
const LAW_CASE kLaws[] = {  // model, nf, trials, fsf_prob, fsf_num or fsf_tau
    {binom, 10, 40000, 0.3}, {geom, 6, 60000, 0.75}, {geom, 6, 30000, 0.3}, {geom, 6, 40000, 0},
    {num, 26, 20000, 5}, {num, 26, 2000, 25}, {num, 26, 2000, 26}, {num, 26, 2000, 40},
    {num, 6, 2000, 1}, {num, 1, 2000, 3}, {num, 6, 100, 0}, {binom, 26, 100, 1}, {geom, 26, 100, 1}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Models, FadingLaw,
                         testing::Combine(testing::ValuesIn(kLaws), testing::Bool()));

// A session's binomial masks made together, many nodes' draws compared at once, are those made
// node by node from the same stream, across chunks and the generator's buffer ends; the stream
// goes on from the same word.
TEST(FadingMasks, MadeTogetherEqualNodeByNode) {
  for (double p : {1e-9, 0.2, 0.5, 1.0})
    for (int32_t nf : {1, 3, 8, 11, 26})
      for (int32_t count : {1, 7, 56, 78, 79, 300}) {
        auto together = std::make_unique<SIM>(), alone = std::make_unique<SIM>();
        for (SIM *S : {together.get(), alone.get()}) {
          S->nf = nf, S->fsf_prob = p;
          init_genrand(S->mt_rand, uint32_t(count));
          for (int32_t k = 0; k < count % 11; k++) genrand_int32(S->mt_rand);  // start mid-buffer
        }
        std::vector<uint32_t> masks(static_cast<size_t>(count));
        FSFRandChannelMasksBinom(*together, count, masks.data());
        for (NODE node{}; uint32_t mask : masks) {
          FSFRandChannelMaskBinom(*alone, &node);
          ASSERT_EQ(mask, node.mask) << p << " nf " << nf << " of " << count;
        }
        EXPECT_EQ(genrand_int32(together->mt_rand), genrand_int32(alone->mt_rand));
      }
}

// Sums through a gain vector (the access point's links are 1.0) over the sender's word only,
// detected from the threshold on, never when not a number; a node outside the reset list keeps its
// sums; the reply and the win test. (Sums through the table are in the ad hoc session's story.)
TEST(Rssi, ReceiverSumsDetectsRepliesAndWins) {
  SIM &S = PrepareSimulation({"centr=1", "nn=4", "nf=6", "interleave=1", "debug=1"});
  NODE *nodes = S.nodes;
  const double t = S.rssi_thresh_pw, gains[6] = {NAN, t, INFINITY, t * (1 - 1e-12), 7, 7};
  for (int i = 0; i < 4; i++) std::fill_n(nodes[i].rssi_acc, 6, 5.0);
  NODELIST list{S.nodelists[NL_TX].members, 1};
  list.members[0] = &nodes[2];
  NodelistResetRSSI(S, &list);
  EXPECT_EQ(RSSIAnyAboveThreshold(S, &nodes[2]), 0);
  nodes[1].word = 0b001111, nodes[3].word = 0b100000;
  RSSIAdd(S, &nodes[2], &nodes[1], gains);
  RSSIAdd(S, &nodes[2], &nodes[3], S.rssi_AP[3]);
  RSSIExtractWord(S, &nodes[2]);
  EXPECT_EQ(nodes[2].rx_word, 0b100110u);
  EXPECT_EQ(V(nodes[1].rssi_acc, nodes[1].rssi_acc + 6), V(6, 5.0));  // not in the list: kept
  // One-hot words rotated by the interleaver: the reply is the highest subcarrier heard, and a
  // node wins when the class it makes of rx_word (silence: class 0) is its own word's.
  auto rot = [](uint32_t w) { return ((w & 1) << 5) | (w >> 1); };
  auto reply = [&](uint32_t w) { return w ? rot(1u << (31 - std::countl_zero(w))) : 0u; };
  NODE node{};
  for (uint32_t r = 0; r < 64; r++) {
    node.rx_word = r;
    RSSIBuildReply(S, &node);
    ASSERT_EQ(node.word, reply(r)) << r;
    uint32_t understood = r ? reply(((r << 1) | (r >> 5)) & 63) : rot(1);
    for (node.word = 0; node.word < 64; node.word++)
      ASSERT_EQ(RSSIWonRound(S, &node), understood == reply(node.word)) << r << " " << node.word;
  }
}

}  // namespace
