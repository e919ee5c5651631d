// The keyword tables that map each feedback scheme and fading model to its operations.
#include "config/slots.h"

#include <strings.h>

#include <iterator>

#include "channel/fading_masks.h"
#include "channel/rssi.h"
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
};

const FEEDBACK_SCHEME feedbackSchemes[] = {
    {"class", FSFRefereeReplyClosestClass, FSFWonRoundClosestClass},
    {"hamm74", FSFRefereeReplyHamming74, FSFWonRoundHamming74},
    {"perf", FSFRefereeReplyPerfectFeedback, FSFWonRoundPerfectFeedback},
};

struct CHANNEL_MODEL {
  const char *keyword;
  FSFRandChannelFn channel;
  BuildORedWordFn build;
  ClearORedWordFn clear;
  ExtractORedWordFn extract;
};

const CHANNEL_MODEL channelModels[] = {
    {"none", FSFRandChannelMaskNone, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask},
    {"num", FSFRandChannelMaskNumber, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask},
    {"binom", FSFRandChannelMaskBinom, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask},
    {"geom", FSFRandChannelMaskGeom, BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask},
    {"rssi", FSFRandChannelSubcarriersRSSI, BuildORedWordRSSI, ClearORedWordRSSI,
     ExtractORedWordRSSI},
};

void FillFeedbackSlots() {
  for (const FEEDBACK_SCHEME &scheme : feedbackSchemes)
    if (strcasecmp(fsf_fbk, scheme.keyword) == 0) {
      FSFRefereeReply = scheme.reply;
      FSFWonRound = scheme.won;
      return;
    }
  Fail(3, "Error: unrecognized feedback coding type '%s'\n", fsf_fbk);
}

void FillChannelSlots() {
  for (const CHANNEL_MODEL &model : channelModels)
    if (strcasecmp(fsf_type, model.keyword) == 0) {
      FSFRandChannel = model.channel;
      BuildORedWord = model.build;
      ClearORedWord = model.clear;
      ExtractORedWord = model.extract;
      return;
    }
  Fail(3, "Error: unrecognized FSF type '%s'\n", fsf_type);
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

const char *OptionKeyword(const void *target, int i) {
  if (target == &fsf_fbk)
    return i < int(std::size(feedbackSchemes)) ? feedbackSchemes[i].keyword : nullptr;
  if (target == &fsf_type)
    return i < int(std::size(channelModels)) ? channelModels[i].keyword : nullptr;
  return nullptr;
}
