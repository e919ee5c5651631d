// Definitions of the process-wide simulation state and its reset to the start values.
#include "core/state.h"

#include <cstring>

#include "config/options.h"
#include "support/alloc.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"
#include "support/stopwatch.h"

double ts, sifs, difs, delta;
int32_t B, DATA, APP, no_rts, no_feedback, fixed_ack_rate, ath_real;
int32_t nn, nf, repeat, ns, refs, type, forcens, interleave;
double jumpstart, pt_start, pt_end, pt_exp;
double *pt, *tau, *pn, *pw;
const char *fsf_type, *fsf_fbk;
int32_t fsf_num, rssi_flat;
double fsf_prob, fsf_tau, rssi_avg, rssi_min, rssi_max, rssi_thresh;
int32_t runs, max_time, min_frames, debug, ns_pdf_size, tx_wait_hist_size;
int32_t pdf_nodes, pdf_rounds, pdf_tx_wait, fast, adhoc, centr;
int32_t adaptive, ad_size, ad_levels, ad_avg_type;
double ad_memory, ad_pt_min, ad_var;
ADRUNS ad_runs;
int32_t seed_given;
uint32_t seed;
double progress;
int32_t progress_given;
int32_t pt_given, pn_given, pw_given, tau_given;

BINCODES codewords, classes;
BINCODES refreplies, refreplies_idx, refclasses, refclasses_idx, closest_classes;
int32_t cached_hamming74_encode[16];
int32_t cached_hamming74_decode[128];
int32_t bitScramble[26], bitUnscramble[26];
int32_t bitScrambleDrawn;
int32_t *codeword_class;
int32_t *class_reply;
MEMO_ENTRY *codeword_memo;
MEMO_ENTRY *class_memo;

int32_t max_nn;
NODE *nodes;
NODE ref;
NODELIST nodelists[NL_COUNT];

double *ORed_word_rssi;
double ***rssi;
double **rssi_AP;
double rssi_min_pw, rssi_avg_pw, rssi_thresh_pw;
uint32_t *rssi_pair_stamp;
uint32_t *rssi_pair_drawn;
uint32_t rssi_session;
int32_t rssi_eager_gains;

double t_cont, t_succ, t_coll;

int64_t run, failures;
int32_t over_min_frames;
double t_elapsed;
int64_t *ns_pdf;
int64_t *tx_wait_hist;
uint32_t ORed_word;

double *ad_samples;
int32_t ad_oldest_idx;
double ad_estimate;

FSFRandChannelFn FSFRandChannel;
ClearORedWordFn ClearORedWord;
BuildORedWordFn BuildORedWord;
ExtractORedWordFn ExtractORedWord;
GenRandGeomUniFn GenRandGeomUni;
FSFFindWinningWordFn FSFFindWinningWord;
FSFInterleaveWordFn FSFInterleaveWord;
FSFInterleaveWordFn FSFDeinterleaveWord;
FSFRefereeReplyFn FSFRefereeReply;
FSFWonRoundFn FSFWonRound;

void ResetState() {
  ReleaseAllBlocks();
  ReleaseRandGSL();
  ResetGenRand();
  ResetStopwatches();

  ApplyBuiltinOptions();
  delta = 0.0;

  refreplies = refreplies_idx = refclasses = refclasses_idx = closest_classes = BINCODES{};
  memset(cached_hamming74_encode, 0, sizeof cached_hamming74_encode);
  memset(cached_hamming74_decode, 0, sizeof cached_hamming74_decode);
  memset(bitScramble, 0, sizeof bitScramble);
  memset(bitUnscramble, 0, sizeof bitUnscramble);
  bitScrambleDrawn = 0;
  codeword_class = class_reply = nullptr;
  codeword_memo = class_memo = nullptr;

  max_nn = 0;
  nodes = nullptr;
  ref = NODE{};
  for (NODELIST &list : nodelists) list = NODELIST{};

  ORed_word_rssi = nullptr;
  rssi = nullptr;
  rssi_AP = nullptr;
  rssi_min_pw = rssi_avg_pw = rssi_thresh_pw = 0.0;
  rssi_pair_stamp = rssi_pair_drawn = nullptr;
  rssi_session = 0;

  t_cont = t_succ = t_coll = 0.0;
  run = failures = over_min_frames = 0;
  t_elapsed = 0.0;
  ns_pdf = tx_wait_hist = nullptr;
  ORed_word = 0;

  ad_samples = nullptr;
  ad_oldest_idx = 0;
  ad_estimate = 0.0;

  FSFRandChannel = nullptr;
  ClearORedWord = nullptr;
  BuildORedWord = nullptr;
  ExtractORedWord = nullptr;
  GenRandGeomUni = nullptr;
  FSFFindWinningWord = nullptr;
  FSFInterleaveWord = FSFDeinterleaveWord = nullptr;
  FSFRefereeReply = nullptr;
  FSFWonRound = nullptr;
}
