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
#include "support/bit_select.h"
#include "support/fail.h"
#include "support/mt_rand.h"

namespace {

struct FEEDBACK_SCHEME {
  const char *keyword;
  FSFRefereeReplyFn reply;
  FSFWonRoundFn won;
  bool closest_class;  // the win test is the closest-class test, which the session makes in place
  bool hamming;        // the reply is a Hamming(7,4) word: 7 subcarriers, at most 16 classes
};

const FEEDBACK_SCHEME feedbackSchemes[] = {
    {"class", FSFRefereeReplyClosestClass, FSFWonRoundClosestClass, true, false},
    {"hamm74", FSFRefereeReplyHamming74, FSFWonRoundHamming74, false, true},
    {"perf", FSFRefereeReplyPerfectFeedback, FSFWonRoundPerfectFeedback, false, false},
};

struct CHANNEL_MODEL {
  const char *keyword;
  FSFRandChannelFn channel, keyed_channel;  // with the own generator, and with keyed draws
  FSFRandChannelsFn keyed_channels;         // keyed, every active node at once (or none)
  BuildORedWordFn build;
  ClearORedWordFn clear;
  ExtractORedWordFn extract;
  bool masks;  // the superposed word is an OR under the nodes' masks
  bool fixed;  // no channel to draw per session
};

const CHANNEL_MODEL channelModels[] = {
    {"none", FSFRandChannelMaskNone, FSFRandChannelMaskNone, nullptr, BuildORedWordMask,
     ClearORedWordMask, ExtractORedWordMask, true, true},
    {"num", FSFRandChannelMaskNumber, FSFRandChannelMaskNumberKeyed, nullptr, BuildORedWordMask,
     ClearORedWordMask, ExtractORedWordMask, true, false},
    {"binom", FSFRandChannelMaskBinom, FSFRandChannelMaskBinomKeyed, FSFRandChannelMasksBinomKeyed,
     BuildORedWordMask, ClearORedWordMask, ExtractORedWordMask, true, false},
    {"geom", FSFRandChannelMaskGeom, FSFRandChannelMaskGeomKeyed, nullptr, BuildORedWordMask,
     ClearORedWordMask, ExtractORedWordMask, true, false},
    {"rssi", FSFRandChannelSubcarriersRSSI, FSFRandChannelSubcarriersRSSIKeyed, nullptr,
     BuildORedWordRSSI, ClearORedWordRSSI, ExtractORedWordRSSI, false, false},
};

// The random-number modes: one sequential stream, or keyed draws.
struct RANDOM_MODE {
  const char *keyword;
  bool keyed;
};

const RANDOM_MODE randomModes[] = {{"mt", false}, {"keyed", true}};

const FEEDBACK_SCHEME &FeedbackScheme(const SIM &S) {
  for (const FEEDBACK_SCHEME &scheme : feedbackSchemes)
    if (strcasecmp(S.fsf_fbk, scheme.keyword) == 0) return scheme;
  Fail(3, "Error: unrecognized feedback coding type '%s'\n", S.fsf_fbk);
}

const CHANNEL_MODEL &ChannelModel(const SIM &S) {
  for (const CHANNEL_MODEL &model : channelModels)
    if (strcasecmp(S.fsf_type, model.keyword) == 0) return model;
  Fail(3, "Error: unrecognized FSF type '%s'\n", S.fsf_type);
}

void FillRandomMode(SIM &S) {
  for (const RANDOM_MODE &mode : randomModes)
    if (strcasecmp(S.rng, mode.keyword) == 0) {
      S.keyed.on = mode.keyed;
      return;
    }
  Fail(3, "Error: unrecognized random-number mode '%s'\n", S.rng);
}

void FillFeedbackSlots(SIM &S) {
  const FEEDBACK_SCHEME &scheme = FeedbackScheme(S);
  S.FSFRefereeReply = scheme.reply;
  S.FSFWonRound = scheme.won;
}

void FillChannelSlots(SIM &S) {
  const CHANNEL_MODEL &model = ChannelModel(S);
  S.FSFRandChannel = S.keyed.on ? model.keyed_channel : model.channel;
  S.FSFRandChannels = S.keyed.on ? model.keyed_channels : nullptr;
  S.BuildORedWord = model.build;
  S.ClearORedWord = model.clear;
  S.ExtractORedWord = model.extract;
}

void FillDetectorSlot(SIM &S) {
  if (S.repeat <= 0) Fail(3, "Error: The 'repeat' parameter needs to be > 0.");
  S.FSFFindWinningWord = S.repeat == 1 ? FSFFindWinningWordClosest : FSFFindWinningWordRepeat;
}

void FillInterleaverSlots(SIM &S) {
  if (S.interleave == 1) {
    S.FSFInterleaveWord = FSFInterleaveWordRotate;
    S.FSFDeinterleaveWord = FSFDeinterleaveWordRotate;
  } else if (S.interleave == 2) {
    S.FSFInterleaveWord = FSFInterleaveWordScramble;
    S.FSFDeinterleaveWord = FSFDeinterleaveWordScramble;
  } else {
    S.FSFInterleaveWord = FSFInterleaveWordNone;
    S.FSFDeinterleaveWord = FSFDeinterleaveWordNone;
  }
}

}  // namespace

void FillOperationSlots(SIM &S) {
  FillFeedbackSlots(S);
  FillRandomMode(S);
  FillChannelSlots(S);
  FillDetectorSlot(S);
  FillInterleaverSlots(S);
}

void ChooseSessionPaths(SIM &S, bool uniform_codewords) {
  // The windowed draws take buckets of width 2 or more: fewer than 2^31 codewords. Keyed draws
  // have their own decisions, which the windowed session takes too.
  const bool windowed_draws =
      ChannelModel(S).masks && uniform_codewords && uint32_t(S.codewords.count) < (1u << 31);
  S.session_paths.decisions_by_window = windowed_draws && !S.keyed.on;
  S.session_paths.superposed_masks = ChannelModel(S).masks;
  S.session_paths.class_test_from_tables =
      FeedbackScheme(S).closest_class && S.closest_classes.codes && S.refclasses.codes;
  S.session_paths.channels_fixed = ChannelModel(S).fixed;
  S.session_paths.windowed_session = windowed_draws && S.session_paths.class_test_from_tables;
  S.codeword_reciprocal = PrepareBuckets(uint32_t(S.codewords.count)).inverse + 1;
  S.fast_bits = FastBitDeposit();
  S.success_extras = S.adaptive | S.pdf_tx_wait | (S.min_frames > 0);
}

bool HammingFeedback(const SIM &S) { return FeedbackScheme(S).hamming; }

const char *OptionKeyword(OptionId id, int i) {
  if (id == OPTION_fsf_fbk)
    return i < int(std::size(feedbackSchemes)) ? feedbackSchemes[i].keyword : nullptr;
  if (id == OPTION_fsf_type)
    return i < int(std::size(channelModels)) ? channelModels[i].keyword : nullptr;
  if (id == OPTION_rng) return i < int(std::size(randomModes)) ? randomModes[i].keyword : nullptr;
  return nullptr;
}
