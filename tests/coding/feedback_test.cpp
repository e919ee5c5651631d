// Referee replies and win tests of the three feedback schemes: who stays in contention after a
// round, with and without fading of the reply, interleaving, and nodes without a codeword index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/feedback.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

NODE Node(uint32_t word, int32_t word_idx, uint32_t mask = ~0u) {
  NODE node{};
  node.word = word;
  node.word_idx = word_idx;
  node.mask = mask;
  return node;
}

class Feedback : public testing::Test {
 protected:
  void TearDown() override { ResetState(); }

  static void Prepare(const std::string &scheme, std::vector<std::string> words = {}) {
    words.push_back("fsf_fbk=" + scheme);
    words.push_back("debug=0");
    PrepareSimulation(words, 9);
  }
  static int32_t Won(uint32_t heard, NODE node) {
    ORed_word = heard;
    return FSFWonRound(FSFRefereeReply(), &node);
  }
};

// Without fading, the transmitters of the highest subcarrier sent in the round win, whatever the
// scheme and the interleaver.
TEST_F(Feedback, OneHotWinnersAreTheHighestSubcarrierSent) {
  for (std::string scheme : {"class", "perf", "hamm74"})
    for (std::string interleave : {"0", "1", "2"}) {
      Prepare(scheme, {"nf=6", "interleave=" + interleave});
      for (uint32_t sent = 1; sent < 64; sent++) {
        std::vector<NODE> transmitters;
        for (int32_t i = 0; i < 6; i++)
          if (sent >> i & 1u) transmitters.push_back(Node(1u << i, i));
        ClearORedWord();
        for (NODE &node : transmitters) BuildORedWord(&node);
        ExtractORedWord();
        ASSERT_EQ(ORed_word, sent);
        int32_t reply = FSFRefereeReply();
        int32_t highest = 31 - __builtin_clz(sent);
        for (NODE &node : transmitters)
          ASSERT_EQ(FSFWonRound(reply, &node), node.word_idx == highest)
              << scheme << " interleave " << interleave << " sent " << sent;
      }
    }
}

TEST_F(Feedback, RepliesAreTheClassWordOfTheClosestCodeword) {
  Prepare("class", {"nf=6"});
  ORed_word = 0b100100;
  EXPECT_EQ(FSFRefereeReply(), 32);
  Prepare("perf", {"nf=6", "interleave=1"});
  ORed_word = 0b100100;
  EXPECT_EQ(FSFRefereeReply(), 16);
  Prepare("hamm74", {"nf=6"});
  ORed_word = 0b100100;
  EXPECT_EQ(FSFRefereeReply(), 37);  // class 5
  ORed_word = 0b000011;
  EXPECT_EQ(FSFRefereeReply(), 113);  // class 1
}

TEST_F(Feedback, SilenceIsUnderstoodAsClassZero) {
  for (std::string scheme : {"class", "perf", "hamm74"}) {
    Prepare(scheme, {"nf=6"});
    ORed_word = 0;
    EXPECT_EQ(FSFRefereeReply(), 0) << scheme;
    EXPECT_EQ(Won(0, Node(1, 0)), 1) << scheme;
    EXPECT_EQ(Won(0, Node(2, 1)), 0) << scheme;
    EXPECT_EQ(Won(0, Node(32, 5)), 0) << scheme;
  }
}

TEST_F(Feedback, ClassReplyIsSeenThroughTheNodesMask) {
  Prepare("class", {"nf=6"});
  const uint32_t heard = 0b100101;  // reply 32
  EXPECT_EQ(Won(heard, Node(32, 5)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, ~1u)), 1);        // a bit outside the reply
  EXPECT_EQ(Won(heard, Node(32, 5, ~32u)), 0);       // the reply is lost
  EXPECT_EQ(Won(heard, Node(4, 2, ~32u)), 0);        // hears class 0, sent class 2
  EXPECT_EQ(Won(heard, Node(1, 0, ~32u)), 1);        // hears class 0 and sent it
  EXPECT_EQ(Won(heard, Node(32, 5, 0b100000u)), 1);  // only the reply's subcarrier
}

TEST_F(Feedback, PerfectFeedbackIgnoresTheMask) {
  Prepare("perf", {"nf=6"});
  EXPECT_EQ(Won(0b100101, Node(32, 5, 0u)), 1);
  EXPECT_EQ(Won(0b100101, Node(1, 0, ~32u)), 0);
}

TEST_F(Feedback, NegativeWordIndexNeverWinsUnderClassFeedback) {
  Prepare("class", {"nf=6"});
  EXPECT_EQ(Won(32, Node(32, -1)), 0);
  EXPECT_EQ(Won(0, Node(1, -1)), 0);
  EXPECT_EQ(Won(32, Node(32, INT32_MIN)), 0);
  Prepare("perf", {"nf=6"});
  EXPECT_EQ(Won(32, Node(32, -1)), 1);
  Prepare("hamm74", {"nf=6"});
  EXPECT_EQ(Won(32, Node(32, -1)), 1);
}

TEST_F(Feedback, HammingReplySurvivesOneLostBitButNotTwo) {
  Prepare("hamm74", {"nf=6"});
  const uint32_t heard = 32;  // class 5, reply 37 = bits 0, 2, 5
  EXPECT_EQ(Won(heard, Node(32, 5)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, ~1u)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, ~4u)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, ~32u)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, 127u)), 1);
  EXPECT_EQ(Won(heard, Node(32, 5, ~5u)), 0);  // received 32, decoded as class 0
  EXPECT_EQ(Won(heard, Node(1, 0, ~5u)), 1);
  EXPECT_EQ(Won(heard, Node(16, 4)), 0);
}

class FeedbackWithClasses : public Feedback {
 protected:
  void Prepare(const std::string &scheme) {
    Feedback::Prepare(scheme, {"codebook=" + WriteTempFile("0001\n0010\n0100\n1000\n"),
                               "classes=" + WriteTempFile("0011\n1100\n")});
  }
};

TEST_F(FeedbackWithClasses, AllTransmittersOfTheWinningClassWin) {
  for (std::string scheme : {"class", "perf", "hamm74"}) {
    Prepare(scheme);
    EXPECT_EQ(Won(0b0011, Node(1, 0)), 1) << scheme;
    EXPECT_EQ(Won(0b0011, Node(2, 1)), 1) << scheme;
    EXPECT_EQ(Won(0b0111, Node(4, 2)), 1) << scheme;  // closest codeword is 4
    EXPECT_EQ(Won(0b0011, Node(4, 2)), 0) << scheme;
    EXPECT_EQ(Won(0b1000, Node(8, 3)), 1) << scheme;
  }
  Prepare("class");
  ORed_word = 0b0011;
  EXPECT_EQ(FSFRefereeReply(), 0b0011);
  ORed_word = 0b1010;
  EXPECT_EQ(FSFRefereeReply(), 0b1100);
}

TEST_F(FeedbackWithClasses, ClassReplyToleratesALostBitUntilAnotherClassIsCloser) {
  Prepare("class");
  EXPECT_EQ(Won(0b1000, Node(8, 3, ~8u)), 1);   // hears 0100, still class 1
  EXPECT_EQ(Won(0b1000, Node(8, 3, ~12u)), 0);  // hears nothing: class 0
  EXPECT_EQ(Won(0b0011, Node(1, 0, ~2u)), 1);
}

TEST_F(Feedback, RotatedReplyFadesOnTheShiftedSubcarrier) {
  Prepare("class", {"nf=6", "interleave=1"});
  ORed_word = 0b000100;
  EXPECT_EQ(FSFRefereeReply(), 0b000010);
  EXPECT_EQ(Won(0b000100, Node(4, 2, ~2u)), 0);
  EXPECT_EQ(Won(0b000100, Node(4, 2, ~4u)), 1);
  EXPECT_EQ(Won(0, Node(1, 0, ~0u)), 1);  // silence: the rotated class 0 is 32
}

}  // namespace
