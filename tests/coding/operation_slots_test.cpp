// The coding operations installed in the slots by the keyword options, repeat and interleave, and
// the rejections of unknown keywords and a repeat below 1 in their order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coding/detect.h"
#include "coding/feedback.h"
#include "coding/interleave.h"
#include "coding/superpose.h"
#include "common/test_util.h"
#include "core/state.h"

namespace {

class OperationSlots : public testing::Test {
 protected:
  void TearDown() override { ResetState(); }
};

TEST_F(OperationSlots, FeedbackKeywordSelectsReplyAndWinTestWithoutRegardToCase) {
  ParseWords({});
  EXPECT_EQ(FSFRefereeReply, FSFRefereeReplyClosestClass);
  EXPECT_EQ(FSFWonRound, FSFWonRoundClosestClass);
  for (std::string word : {"fsf_fbk=hamm74", "fsf_fbk=HAMM74"}) {
    ParseWords({word});
    EXPECT_EQ(FSFRefereeReply, FSFRefereeReplyHamming74) << word;
    EXPECT_EQ(FSFWonRound, FSFWonRoundHamming74) << word;
  }
  ParseWords({"fsf_fbk=Perf"});
  EXPECT_EQ(FSFRefereeReply, FSFRefereeReplyPerfectFeedback);
  EXPECT_EQ(FSFWonRound, FSFWonRoundPerfectFeedback);
  ParseWords({"fsf_fbk=CLASS"});
  EXPECT_EQ(FSFWonRound, FSFWonRoundClosestClass);
}

TEST_F(OperationSlots, FadingKeywordSelectsTheSuperposition) {
  for (std::string type : {"none", "num", "BINOM", "geom"}) {
    ParseWords({"fsf_type=" + type});
    EXPECT_EQ(ClearORedWord, ClearORedWordMask) << type;
    EXPECT_EQ(BuildORedWord, BuildORedWordMask) << type;
    EXPECT_EQ(ExtractORedWord, ExtractORedWordMask) << type;
  }
  ParseWords({"fsf_type=RSSI"});
  EXPECT_EQ(ClearORedWord, ClearORedWordRSSI);
  EXPECT_EQ(BuildORedWord, BuildORedWordRSSI);
  EXPECT_EQ(ExtractORedWord, ExtractORedWordRSSI);
}

TEST_F(OperationSlots, RepeatSelectsTheDetector) {
  ParseWords({"repeat=1"});
  EXPECT_EQ(FSFFindWinningWord, FSFFindWinningWordClosest);
  ParseWords({"repeat=2"});
  EXPECT_EQ(FSFFindWinningWord, FSFFindWinningWordRepeat);
  // The detector follows repeat also when the words come from files.
  std::string path = WriteTempFile("0101\n1010\n");
  ParseWords({"codebook=" + path, "classes=" + path, "repeat=2"});
  EXPECT_EQ(FSFFindWinningWord, FSFFindWinningWordRepeat);
}

TEST_F(OperationSlots, InterleaveSelectsBothDirections) {
  ParseWords({"interleave=1"});
  EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordRotate);
  EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordRotate);
  ParseWords({"interleave=2"});
  EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordScramble);
  EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordScramble);
  for (std::string value : {"0", "3", "-1"}) {
    ParseWords({"interleave=" + value});
    EXPECT_EQ(FSFInterleaveWord, FSFInterleaveWordNone) << value;
    EXPECT_EQ(FSFDeinterleaveWord, FSFDeinterleaveWordNone) << value;
  }
}

TEST_F(OperationSlots, UnknownKeywordsAndRepeatBelowOneAreRejectedInOrder) {
  EXPECT_EXIT(ParseWords({"fsf_fbk=hamm"}), testing::ExitedWithCode(3),
              "^Error: unrecognized feedback coding type 'hamm'\n$");
  EXPECT_EXIT(ParseWords({"fsf_type=bin", "fsf_fbk=x", "repeat=0"}), testing::ExitedWithCode(3),
              "^Error: unrecognized feedback coding type 'x'\n$");
  EXPECT_EXIT(ParseWords({"fsf_type=bin", "repeat=0"}), testing::ExitedWithCode(3),
              "^Error: unrecognized FSF type 'bin'\n$");
  EXPECT_EXIT(ParseWords({"repeat=0"}), testing::ExitedWithCode(3),
              "^Error: The 'repeat' parameter needs to be > 0\\.$");
  EXPECT_EXIT(ParseWords({"repeat=-2"}), testing::ExitedWithCode(3), "needs to be > 0");
}

}  // namespace
