// In-process: the state the set-up leaves, session durations in hand-computed microseconds, and
// the schedule each type builds. (Option lookup is in the command-line table.)
#include <tuple>

#include "common/test_util.h"
#include "config/timing.h"

namespace {

V List(const double *values, int32_t count) { return V(values, values + count); }

// The default codebook repeated in each block of nf bits, records and lists sized for the largest
// node count of the run, and the node-pair tables only for the received-power sessions. (Lists
// padded with their built-in values are in the command-line table.)
TEST(SetUp, CodebookRecordsAndTablesAreReady) {
  SIM &S = PrepareSimulation({"nn=8", "ad_runs=10:3,20:7", "debug=1"});
  EXPECT_EQ(std::tuple(S.max_nn, S.rssi), std::tuple(8, nullptr));
  SIM &T = PrepareSimulation(
      {"centr=1", "nn=5", "ad_runs=100:20,200:3", "nf=13", "repeat=2", "debug=1"});
  EXPECT_EQ(std::tuple(T.nf, T.codewords.count, T.codewords.nbits, T.codewords.codes[0],
                       T.classes.codes[12], T.max_nn, T.nn, T.nodelists[NL_ALL].count),
            std::tuple(26, 13, 26, 8193, (1 << 12) | (1 << 25), 20, 5, 20));
  for (int32_t i = 0; i < 20; i++)
    EXPECT_EQ(
        std::tuple(T.nodes[i].id, T.nodes[i].mask, List(T.nodes[i].rssi_acc, 26),
                   T.nodelists[NL_ALL].members[i], List(T.rssi_AP[i], 26), List(T.rssi[i][19], 26)),
        std::tuple(i, ~0u, V(26, 0), &T.nodes[i], V(26, 1), V(26, 0)));
  EXPECT_EQ(std::tuple(T.nodes[20].id, T.nodes[20].mask, T.nodes[20].rssi_acc),
            std::tuple(0, 0u, nullptr));
}

// The cases of tests/data/timing.txt: option words, then delta, difs, t_cont, t_succ and t_coll.
TEST(Timing, SessionDurationsInMicroseconds) {
  for (const std::string &line : DataRows("timing.txt")) {
    const size_t arrow = line.find("->");
    const Words us = Split(line.substr(arrow + 2));
    SIM &S = PrepareSimulation(Split(line.substr(0, arrow)));
    S.delta = std::stod(us.at(0)) * 1e-6;
    ComputeTiming(S);
    const double got[] = {S.difs, S.t_cont, S.t_succ, S.t_coll};
    for (size_t k = 0; k < 4; k++) EXPECT_NEAR(got[k] * 1e6, std::stod(us.at(k + 1)), 1e-6) << line;
  }
}

// The schedule after set-up: built by type only without a list; adaptive mode installs nn's row.
TEST(Schedule, TypesBuildTheScheduleWithoutAList) {
  const std::pair<Words, V> cases[] = {
      // clang-format off
      {{"type=1", "ns=5"}, {0.5, 0.5, 0.5, 0.5, 0.5}}, {{"type=2"}, {0.125, 0.25, 0.5}},
      {{"type=2", "ns=4", "jumpstart=0.8"}, {0.05, 0.1, 0.2, 0.4}},
      {{"type=3"}, {1.0 / 65536, 1.0 / 256, 1.0 / 16}},
      {{"type=3", "ns=2", "jumpstart=2"}, {2.0 / 256, 2.0 / 16}},
      {{"type=4", "ns=4", "pt_start=0.2", "pt_end=0.8", "pt_exp=2"}, {0.2, 0.2 + 0.6 / 9, 0.2 + 2.4 / 9, 0.8}},
      {{"type=4", "ns=1", "pt_start=0.3", "pt_end=0.9"}, {0.3}},
      {{"type=2", "pt=0.3,0.6"}, {0.3, 0.6}}, {{"type=9", "pt=0.7"}, {0.7}},
      {{"adaptive=1", "nn=10", "pt=0.1,0.2,0.3"}, {0.3252, 0.7803, 0.8456}},
      {{"adaptive=1", "nn=600", "nf=1"}, {0.0128, 0.815, 0.8522}},
      // clang-format on
  };
  for (auto [words, expected] : cases) {
    words.push_back("debug=1");
    SIM &S = PrepareSimulation(words);
    ASSERT_EQ(S.ns, int32_t(expected.size())) << testing::PrintToString(words);
    for (int32_t i = 0; i < S.ns; i++)
      EXPECT_NEAR(S.pt[i], expected[size_t(i)], 1e-15) << testing::PrintToString(words) << i;
  }
}

}  // namespace
