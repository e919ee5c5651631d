// What a basic session books when it ends: the winner's counters and delays, everybody's waiting
// counts and times, the frame quota flag, the round and waiting-time histograms, the simulated
// clock, protocol failures, and the adaptive estimator's sample.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"

namespace {

// Plays one session on generator words given as (transmit?, codeword) per survivor and round:
// a codeword index sends it, -1 stays silent.
int32_t PlayScripted(const std::vector<int32_t> &picks) {
  std::vector<uint32_t> words;
  for (int32_t idx : picks) {
    if (idx < 0) {
      words.push_back(UINT32_MAX);
    } else {
      words.push_back(0u);
      words.push_back(uint32_t(idx) * (UINT32_MAX / uint32_t(codewords.count)));
    }
  }
  QueueGenRandWords(words.data(), words.size());
  int32_t result = SimSession(refs);
  EXPECT_EQ(mt_rand.next, words.size());
  return result;
}

int32_t TxWaitTotal() {
  int32_t total = 0;
  for (int32_t i = 0; i < tx_wait_hist_size; i++) total += tx_wait_hist[i];
  return total;
}

// RTS/CTS makes a collision far cheaper than a success, so the two times cannot be confused.
const char *kRts = "no_rts=0";

class BasicSessionEndings : public testing::Test {
 protected:
  void Prepare(std::vector<std::string> words) {
    words.push_back(kRts);
    words.push_back("debug=0");
    PrepareSimulation(words);
    ASSERT_NE(t_succ, t_coll);
  }
};

TEST_F(BasicSessionEndings, FirstSuccessOfANode) {
  Prepare({"nn=3", "pt=0.5", "pdf_tx_wait=1"});
  nodes[1].wait_succ = 4;
  nodes[1].wait_coll = 2;
  nodes[1].t_delay_sum = 9.0;  // left over from nothing: a first success starts the sum afresh
  nodes[2].successes = 2;
  nodes[2].t_since_succ = 0.5;
  EXPECT_EQ(PlayScripted({0, 5, 3}), 1);
  const NODE &w = nodes[1];
  EXPECT_EQ(w.successes, 1);
  EXPECT_EQ(w.transmissions, 1);
  EXPECT_EQ(w.t_delay_sum, 0.0);
  EXPECT_EQ(w.t_since_succ, 0.0);
  EXPECT_EQ(w.wait_succ, 0);
  EXPECT_EQ(w.wait_coll, 0);
  EXPECT_EQ(tx_wait_hist[4 + 2 + 1], 1);
  EXPECT_EQ(TxWaitTotal(), 1);
  // The others waited one more session; only a node that has had a success counts time.
  EXPECT_EQ(nodes[0].wait_succ, 1);
  EXPECT_EQ(nodes[0].t_since_succ, 0.0);
  EXPECT_EQ(nodes[2].wait_succ, 1);
  EXPECT_DOUBLE_EQ(nodes[2].t_since_succ, 0.5 + t_succ);
  EXPECT_EQ(nodes[0].transmissions + nodes[2].transmissions, 0);
  EXPECT_EQ(ns_pdf[0], 1);
  EXPECT_EQ(t_elapsed, t_succ);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(over_min_frames, 1);
}

TEST_F(BasicSessionEndings, RepeatedSuccessAddsTheIntervalSinceTheLast) {
  Prepare({"nn=2", "pt=0.5"});
  nodes[0].successes = 2;
  nodes[0].t_since_succ = 0.25;
  nodes[0].t_delay_sum = 1.0;
  nodes[0].wait_succ = 3;
  nodes[0].wait_coll = 1;
  EXPECT_EQ(PlayScripted({4, -1}), 1);
  EXPECT_EQ(nodes[0].successes, 3);
  EXPECT_DOUBLE_EQ(nodes[0].t_delay_sum, 1.0 + 0.25 + t_succ);
  EXPECT_EQ(nodes[0].t_since_succ, 0.0);
  EXPECT_EQ(nodes[0].wait_succ + nodes[0].wait_coll, 0);
  EXPECT_EQ(TxWaitTotal(), 0);  // the waiting-time table is off
}

TEST_F(BasicSessionEndings, CollisionBooksEveryActiveNode) {
  Prepare({"nn=3", "pt=0.5"});
  nodes[2].successes = 1;
  nodes[2].t_since_succ = 0.1;
  nodes[0].wait_succ = 5;
  EXPECT_EQ(PlayScripted({-1, 2, 2}), 0);  // nodes 1 and 2 tie in the only round
  EXPECT_EQ(nodes[0].transmissions, 0);
  EXPECT_EQ(nodes[1].transmissions, 1);
  EXPECT_EQ(nodes[2].transmissions, 1);
  for (int32_t i = 0; i < 3; i++) EXPECT_EQ(nodes[i].wait_coll, 1) << "node " << i;
  EXPECT_EQ(nodes[0].wait_succ, 5);
  EXPECT_EQ(nodes[0].t_since_succ, 0.0);
  EXPECT_DOUBLE_EQ(nodes[2].t_since_succ, 0.1 + t_coll);
  EXPECT_EQ(nodes[2].successes, 1);
  EXPECT_EQ(ns_pdf[1], 1);
  EXPECT_EQ(t_elapsed, t_coll);
  EXPECT_EQ(failures, 0);
}

TEST_F(BasicSessionEndings, ProtocolFailureCountsWithoutFrames) {
  std::string book = WriteTempFile("011\n101\n110\n");
  Prepare({"nn=3", "pt=0.5,0.5", "codebook=" + book, "classes=" + book});
  nodes[0].successes = 1;
  EXPECT_EQ(PlayScripted({0, 1, -1}), 0);  // 011 | 101 is closest to 110: nobody won
  EXPECT_EQ(failures, 1);
  for (int32_t i = 0; i < 3; i++) {
    EXPECT_EQ(nodes[i].transmissions, 0) << "node " << i;
    EXPECT_EQ(nodes[i].wait_coll, 1) << "node " << i;
  }
  EXPECT_DOUBLE_EQ(nodes[0].t_since_succ, t_coll);
  EXPECT_EQ(ns_pdf[2], 1);
  EXPECT_EQ(t_elapsed, t_coll);
  std::remove(book.c_str());
}

TEST_F(BasicSessionEndings, WaitingSamplesCountSessionsSinceTheLastOwnSuccess) {
  Prepare({"nn=2", "pt=1", "pdf_tx_wait=1"});
  EXPECT_EQ(PlayScripted({3, 3}), 0);  // collision
  EXPECT_EQ(PlayScripted({4, 1}), 1);  // node 0: 1 collision + this one = 2
  EXPECT_EQ(PlayScripted({0, 5}), 1);  // node 1's first success, third session = 3
  EXPECT_EQ(PlayScripted({2, 1}), 1);  // node 0 again, one session later = 2
  EXPECT_EQ(tx_wait_hist[2], 2);
  EXPECT_EQ(tx_wait_hist[3], 1);
  EXPECT_EQ(TxWaitTotal(), 3);
  EXPECT_EQ(tx_wait_hist[0], 0);
  EXPECT_DOUBLE_EQ(t_elapsed, 3 * t_succ + t_coll);
  EXPECT_DOUBLE_EQ(nodes[1].t_since_succ, t_succ);
  // Node 0's interval: from its success through node 1's success to its next success.
  EXPECT_DOUBLE_EQ(nodes[0].t_delay_sum, 2 * t_succ);
}

TEST_F(BasicSessionEndings, FrameQuotaFlagFollowsSuccessesOnly) {
  Prepare({"nn=3", "pt=0.5", "min_frames=2"});
  nodes[0].successes = 1;
  nodes[1].successes = 1;
  nodes[2].successes = 2;
  EXPECT_EQ(PlayScripted({5, -1, -1}), 1);
  EXPECT_EQ(over_min_frames, 0);  // node 1 still has one
  EXPECT_EQ(PlayScripted({-1, -1, -1}), 0);
  EXPECT_EQ(over_min_frames, 0);
  EXPECT_EQ(PlayScripted({-1, 5, -1}), 1);
  EXPECT_EQ(over_min_frames, 1);
  // A session without success does not recompute the flag.
  nodes[0].successes = 0;
  EXPECT_EQ(PlayScripted({-1, -1, -1}), 0);
  EXPECT_EQ(over_min_frames, 1);
}

TEST_F(BasicSessionEndings, RecordsBeyondTheActiveNodesAreLeftAlone) {
  Prepare({"nn=2", "pt=0.5", "min_frames=1", "ad_runs=100:3"});
  ASSERT_EQ(max_nn, 3);
  nodes[1].successes = 1;
  EXPECT_EQ(PlayScripted({0, -1}), 1);
  EXPECT_EQ(over_min_frames, 1);  // node 2, inactive, has none and does not count
  EXPECT_EQ(PlayScripted({-1, -1}), 0);
  EXPECT_EQ(nodes[2].wait_succ + nodes[2].wait_coll + nodes[2].transmissions, 0);
}

TEST_F(BasicSessionEndings, AdaptiveEstimatorTakesTheWinnersSample) {
  Prepare({"nn=5", "adaptive=1", "ad_size=4"});
  int32_t slot = (ad_oldest_idx + 1) % ad_size;
  for (int32_t i = 0; i < nn; i++) nodes[i].wait_succ = nodes[i].wait_coll = 0;
  nodes[3].wait_succ = 6;
  nodes[3].wait_coll = 2;
  EXPECT_EQ(PlayScripted({0, -1, 1, 4, -1}), 1);
  EXPECT_EQ(nodes[3].successes, 1);
  EXPECT_EQ(ad_oldest_idx, slot);
  EXPECT_EQ(ad_samples[slot], 9.0);
  // A session without success leaves the estimator alone.
  double estimate = ad_estimate;
  std::vector<int32_t> quiet(size_t(3 * nn), -1);
  EXPECT_EQ(PlayScripted(quiet), 0);
  EXPECT_EQ(ad_oldest_idx, slot);
  EXPECT_EQ(ad_estimate, estimate);
}

}  // namespace
