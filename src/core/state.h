// The simulation context: everything one simulation holds, in a few records grouped by what they
// are (the run's parameters as the options set them, the tables the set-up builds, the counters
// and figures of the run, the generators, the operation slots), gathered in one SIM that the
// set-up fills and every operation receives by reference. Two contexts are two independent
// simulations; a new context is a reset.
#pragma once

#include <cstdint>

#include "core/option_list.h"
#include "core/progress_line.h"
#include "core/outcome_log.h"
#include "core/records.h"
#include "support/alloc.h"
#include "support/gsl_rand.h"
#include "support/keyed_rand.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"
#include "support/word_compare.h"

// Fixed-size tables of the context.
typedef int32_t HAMMING_ENCODING[16];
typedef int32_t HAMMING_DECODING[128];
typedef int32_t SUBCARRIER_PERMUTATION[kMaxWordBits];

// The run's parameters, one per option (named after the option, see option_list.h), at their
// built-in values until the options are read; given[id] is set when option id is given (a list:
// to its length).
struct PARAMS {
#define QRVL_PARAMETER(word, parameter, type, kind, builtin, rules, alias, help) \
  type parameter = InitialOf<type>(builtin);
  QRVL_OPTIONS(QRVL_PARAMETER)
#undef QRVL_PARAMETER
  int32_t given[kOptionCount] = {};
};

// What the set-up builds from the parameters: the codebooks' lookup tables, the node records and
// working lists, the received-power model's tables and thresholds, the timing values.
struct TABLES {
  // Referee tables, indexed by the received word (see coding/referee_tables.h).
  BINCODES refreplies{}, refreplies_idx{}, refclasses{}, refclasses_idx{}, closest_classes{};
  HAMMING_ENCODING cached_hamming74_encode{};
  HAMMING_DECODING cached_hamming74_decode{};
  // The reply scramble and its inverse, drawn at the first interleaving.
  SUBCARRIER_PERMUTATION bitScramble{}, bitUnscramble{};
  int32_t bitScrambleDrawn = 0;
  // The class of each codeword, the (interleaved) reply word of each class, and the memos of the
  // searched lookups beyond the full-table word length.
  int32_t *codeword_class = nullptr, *class_reply = nullptr;
  // The reply class of each codeword (the class table at the codeword); room for a round's
  // transmitters in the windowed session, and for the masks of its contenders (2 max_nn: the nodes'
  // by id, then the winners' of a round).
  int32_t *class_of_code = nullptr;
  SENDERS senders{};
  uint32_t *contender_masks = nullptr;
  MEMO_ENTRY *codeword_memo = nullptr, *class_memo = nullptr;
  // The node records (max_nn + 1, the last spare), the access point (ref; refs is a count of
  // listeners), the working lists. max_nn is the largest node count of the run.
  int32_t max_nn = 0;
  NODE *nodes = nullptr;
  // Simulated time since each node's last success, by node id; kept apart from the records so
  // that the end of a session adds its duration to all of them in one pass. A node's value means
  // something only once it has had a success.
  double *t_since_succ = nullptr;
  // When a success and a session without one last the same, that time is the sum of one duration
  // over the sessions since: since_sums[k] holds the k-fold sum, added up term by term as the pass
  // would (since_sums_size of them, null otherwise), and success_stamp[id] the sessions ended up to
  // the node's last success (relative to the run's count while active, see waits.h).
  double *since_sums = nullptr;
  int32_t since_sums_size = 0;
  int64_t *success_stamp = nullptr;
  NODE ref{};
  NODELIST nodelists[NL_COUNT]{};
  // Received-power model: rssi[receiver][sender][subcarrier] (its one block of gains also as
  // rssi_gains), the access point's gains, the options' powers in microwatts; what each pair a < b
  // of the lazily drawn gains drew in the session under way (index a * max_nn + b).
  double *ORed_word_rssi = nullptr;
  double ***rssi = nullptr;
  double *rssi_gains = nullptr;
  double **rssi_AP = nullptr;
  double rssi_min_pw = 0, rssi_avg_pw = 0, rssi_thresh_pw = 0;
  double rssi_sigma = 0;  // the scale of the Rayleigh amplitude: sqrt(rssi_avg_pw / 2)
  PAIR_DRAWN *rssi_pairs = nullptr;
  // Room for the ad hoc session's receivers of referee replies still listening (2 max_nn), and
  // for the novel senders of a reception (max_nn).
  NODE **reply_receivers = nullptr;
  NOVEL_SENDER *novel_senders = nullptr;
  // Timing in seconds: a frame's extra duration (no option sets it), the contention rounds, a
  // session with and without success.
  double delta = 0, t_cont = 0, t_succ = 0, t_coll = 0;
  // Entries of the rounds histogram; grows with ns.
  int32_t ns_pdf_size = 4096;
  // A success also books the adaptive estimate, the waiting-time histogram or the frame quota.
  int32_t success_extras = 0;
  // The uniform codeword draw's reciprocal of its bucket width (BucketOfWide) and whether the
  // processor deposits and extracts bits fast, taken once for the windowed decisions.
  uint64_t codeword_reciprocal = 0;
  int32_t fast_bits = 0;
};

// The counters and accumulators of the run, the round's superposed word and the adaptive
// estimator's window; sessions are counted in 64 bits.
struct COUNTERS {
  int64_t run = 0, failures = 0;
  int32_t over_min_frames = 0;
  // Sessions ended with and without a winner: the base of the active nodes' waiting counts.
  int64_t won_sessions = 0, unwon_sessions = 0;
  double t_elapsed = 0;
  int64_t *ns_pdf = nullptr, *tx_wait_hist = nullptr;
  uint32_t ORed_word = 0;
  // The received-power session under way, for the stamps of the lazily drawn pair gains.
  uint32_t rssi_session = 0;
  double *ad_samples = nullptr;
  int32_t ad_oldest_idx = 0;
  double ad_estimate = 0;
  // A worker thread's log: set, a session's ending is logged there instead of booked.
  OUTCOME_LOG *outcomes = nullptr;
};

// The generators: the own MT19937 of every protocol draw and GSL's of the Rayleigh gains, or, with
// rng=keyed, the keyed draws; and the thresholds of the last probabilities compared with generator
// words (transmit decisions, binomial fading).
struct GENERATORS {
  MtRand mt_rand;
  gsl_rng *gsl_base_rand = nullptr;
  KEYED_STATE keyed;
  LAST_THRESHOLD pt_threshold, fading_threshold;
  GENERATORS() = default;
  GENERATORS(const GENERATORS &) = delete;
  GENERATORS &operator=(const GENERATORS &) = delete;
  ~GENERATORS() { ReleaseRandGSL(gsl_base_rand); }
};

// The ten operation slots, filled once before the first session (with keyed draws, some channel
// models also draw every node's channel at once), and the basic session's paths
// chosen from them.
struct SLOTS {
  FSFRandChannelFn FSFRandChannel = nullptr;
  FSFRandChannelsFn FSFRandChannels = nullptr;  // every active node at once, where a model has it
  ClearORedWordFn ClearORedWord = nullptr;
  BuildORedWordFn BuildORedWord = nullptr;
  ExtractORedWordFn ExtractORedWord = nullptr;
  GenRandGeomUniFn GenRandGeomUni = nullptr;
  FSFFindWinningWordFn FSFFindWinningWord = nullptr;
  FSFInterleaveWordFn FSFInterleaveWord = nullptr, FSFDeinterleaveWord = nullptr;
  FSFRefereeReplyFn FSFRefereeReply = nullptr;
  FSFWonRoundFn FSFWonRound = nullptr;
  SESSION_PATHS session_paths{};
};

// One simulation. Its blocks, and its GSL generator, go with it.
struct SIM : PARAMS, TABLES, COUNTERS, GENERATORS, SLOTS {
  MEMORY memory;
  // The run's display on standard error and its wall-clock stopwatches.
  PROGRESS_LINE progress_line;
  STOPWATCHES stopwatches;
};
