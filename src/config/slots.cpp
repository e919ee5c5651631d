// The keyword tables that map each feedback scheme and fading model to its operations, and the
// columns that choose the basic session's paths.
#include "config/slots.h"

#include <strings.h>

#include <iterator>

#include "channel/fading_masks.h"
#include "channel/rssi.h"
#include "channel/rssi_superpose.h"
#include "coding/detect.h"
#include "coding/feedback.h"
#include "coding/interleave.h"
#include "coding/superpose.h"
#include "core/state.h"
#include "support/fail.h"

namespace {

struct FEEDBACK_SCHEME {
  const char *keyword;
  FSFRefereeReplyFn reply;
  FSFWonRoundFn won;
  bool closest_class;  // the win test is the closest-class test, which the session makes in place
};

const FEEDBACK_SCHEME feedbackSchemes[] = {
    {"class", FSFRefereeReplyClosestClass, FSFWonRoundClosestClass, true},
    {"hamm74", FSFRefereeReplyHamming74, FSFWonRoundHamming74, false},
    {"perf", FSFRefereeReplyPerfectFeedback, FSFWonRoundPerfectFeedback, false},
};

struct CHANNEL_MODEL {
  const char *keyword;
  FSFRandChannelFn channel;
  BuildORedWordFn build;
  ClearORedWordFn clear;
  ExtractORedWordFn extract;
  bool masks;  // the superposed word is an OR under the nodes' masks
  bool fixed;  // no channel to draw per session
};

const CHANNEL_MODEL channelModels[] = {
    {"none", FSFRandChannelMaskNone, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask,
     true, true},
    {"num", FSFRandChannelMaskNumber, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask,
     true, false},
    {"binom", FSFRandChannelMaskBinom, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask,
     true, false},
    {"geom", FSFRandChannelMaskGeom, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask,
     true, false},
    {"rssi", FSFRandChannelSubcarriersRSSI, BuildORedWordRSSI, ClearORedWordRSSI,
     ExtractORedWordRSSI, false, false},
};

const FEEDBACK_SCHEME &FeedbackScheme() {
  for (const FEEDBACK_SCHEME &scheme : feedbackSchemes)
    if (strcasecmp(fsf_fbk, scheme.keyword) == 0) return scheme;
  Fail(3, "Error: unrecognized feedback coding type '%s'\n", fsf_fbk);
}

const CHANNEL_MODEL &ChannelModel() {
  for (const CHANNEL_MODEL &model : channelModels)
    if (strcasecmp(fsf_type, model.keyword) == 0) return model;
  Fail(3, "Error: unrecognized FSF type '%s'\n", fsf_type);
}

void FillFeedbackSlots() {
  const FEEDBACK_SCHEME &scheme = FeedbackScheme();
  FSFRefereeReply = scheme.reply;
  FSFWonRound = scheme.won;
}

void FillChannelSlots() {
  const CHANNEL_MODEL &model = ChannelModel();
  FSFRandChannel = model.channel;
  BuildORedWord = model.build;
  ClearORedWord = model.clear;
  ExtractORedWord = model.extract;
}

void FillDetectorSlot() {
  if (repeat <= 0) Fail(3, "Error: The 'repeat' parameter needs to be > 0.");
  FSFFindWinningWord = repeat == 1 ? FSFFindWinningWordClosest : FSFFindWinningWordRepeat;
}

void FillInterleaverSlots() {
  if (interleave == 1) {
    FSFInterleaveWord = FSFInterleaveWordRotate;
    FSFDeinterleaveWord = FSFDeinterleaveWordRotate;
  } else if (interleave == 2) {
    FSFInterleaveWord = FSFInterleaveWordScramble;
    FSFDeinterleaveWord = FSFDeinterleaveWordScramble;
  } else {
    FSFInterleaveWord = FSFInterleaveWordNone;
    FSFDeinterleaveWord = FSFDeinterleaveWordNone;
  }
}

}  // namespace

void FillOperationSlots() {
  FillFeedbackSlots();
  FillChannelSlots();
  FillDetectorSlot();
  FillInterleaverSlots();
}

void ChooseSessionPaths(bool uniform_codewords) {
  session_paths.decisions_by_window = ChannelModel().masks && uniform_codewords;
  session_paths.class_test_from_tables =
      FeedbackScheme().closest_class && closest_classes.codes && refclasses.codes;
  session_paths.channels_fixed = ChannelModel().fixed;
}

const char *OptionKeyword(const void *target, int i) {
  if (target == &fsf_fbk)
    return i < int(std::size(feedbackSchemes)) ? feedbackSchemes[i].keyword : nullptr;
  if (target == &fsf_type)
    return i < int(std::size(channelModels)) ? channelModels[i].keyword : nullptr;
  return nullptr;
}
