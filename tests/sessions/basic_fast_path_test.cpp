// The one-pass transmit decisions used for uniform codeword draws under the mask model, and the
// in-place closest-class test: the same generator words give the same sessions as the general
// path through the operation slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/codeword_draw.h"
#include "coding/feedback.h"
#include "common/test_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"

namespace {

// The uniform draw and the closest-class test behind other slot addresses, which send the session
// down the general path.
int32_t UniformThroughTheSlot(double tau, int32_t low, int32_t high) {
  return GenRandModUni2(tau, low, high);
}
int32_t ClassThroughTheSlot(int32_t reply, NODE *node) {
  return FSFWonRoundClosestClass(reply, node);
}

void TakeTheGeneralPath() {
  GenRandGeomUni = UniformThroughTheSlot;
  if (FSFWonRound == FSFWonRoundClosestClass) FSFWonRound = ClassThroughTheSlot;
}

// Everything a run of sessions leaves behind that depends on the draws.
std::vector<double> Outcome(int sessions) {
  std::vector<double> outcome;
  for (int i = 0; i < sessions; i++) outcome.push_back(SimSession(refs));
  for (int32_t i = 0; i < nn; i++)
    outcome.insert(outcome.end(), {double(nodes[i].successes), double(nodes[i].transmissions),
                                   double(nodes[i].word_idx), double(nodes[i].word),
                                   nodes[i].t_delay_sum, double(nodes[i].wait_succ)});
  outcome.insert(outcome.end(), {double(failures), double(GenRandWordsUsed()), t_elapsed});
  for (int32_t k = 0; k <= ns; k++) outcome.push_back(ns_pdf[k]);
  return outcome;
}

std::vector<double> PlaySessions(const std::vector<std::string> &words, bool general,
                                 int sessions) {
  PrepareSimulation(words, 11);
  if (general) TakeTheGeneralPath();
  return Outcome(sessions);
}

TEST(BasicSessionFastPath, GivesTheSessionsOfTheGeneralPath) {
  const std::vector<std::vector<std::string>> settings = {
      {"nn=5"},
      {"nn=40", "pt=0.9,0.3,0.7"},
      {"nn=7", "fsf_type=binom", "fsf_prob=0.3"},
      {"nn=9", "fsf_type=num", "fsf_num=2", "fsf_fbk=hamm74"},
      {"nn=3", "refs=0", "pt=1,1,0.5"},
      {"nn=20", "pt=0.3333333333333333,1e-300,0.9999999999999999,1.5,-1"},
  };
  for (const auto &words : settings) {
    std::vector<double> fast = PlaySessions(words, false, 3000);
    EXPECT_EQ(fast, PlaySessions(words, true, 3000)) << words[0] << " " << words.back();
  }
}

// A codeword word in the remainder above the last bucket is drawn again on both paths.
TEST(BasicSessionFastPath, RetakesACodewordDrawLikeTheGeneralPath) {
  const uint32_t width = UINT32_MAX / 6;
  const uint32_t words[] = {0, UINT32_MAX, 3 * width, UINT32_MAX, 0, 5 * width, 0, width};
  for (bool general : {false, true}) {
    PrepareSimulation({"nn=2", "pt=0.5,0.5", "debug=0"});
    if (general) TakeTheGeneralPath();
    QueueGenRandWords(words, 8);
    EXPECT_EQ(SimSession(refs), 1) << "general " << general;
    EXPECT_EQ(nodes[0].successes, 1);
    EXPECT_EQ(nodes[0].word_idx, 3);
    EXPECT_EQ(nodes[1].word_idx, 0);
    EXPECT_EQ(GenRandWordsUsed(), 4u);
  }
}

}  // namespace
