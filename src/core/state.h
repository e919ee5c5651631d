// The process-wide simulation state, all in one place: run parameters set by the options, the
// node records and working lists, codebooks and feedback tables, timing values, counters and the
// operation slots. Every subsystem reads and writes these globals directly.
#pragma once

#include <cstdint>

#include "core/records.h"

// ---- Run parameters (one per option; built-in values live in the option table) ----
// Frame and timing model.
extern double ts, sifs, difs, delta;
extern int32_t B, DATA, APP, no_rts, no_feedback, fixed_ack_rate, ath_real;
// Protocol shape.
extern int32_t nn, nf, repeat, ns, refs, type, forcens, interleave;
extern double jumpstart, pt_start, pt_end, pt_exp;
extern double *pt, *tau, *pn, *pw;  // ns values each, one per round
// Channel.
extern const char *fsf_type, *fsf_fbk;
extern int32_t fsf_num, rssi_flat;
extern double fsf_prob, fsf_tau, rssi_avg, rssi_min, rssi_max, rssi_thresh;
// Run control and output.
extern int32_t runs, max_time, min_frames, debug, ns_pdf_size, tx_wait_hist_size;
extern int32_t pdf_nodes, pdf_rounds, pdf_tx_wait, fast, adhoc, centr;
// Adaptive mode.
extern int32_t adaptive, ad_size, ad_levels, ad_avg_type;
extern double ad_memory, ad_pt_min, ad_var;
extern ADRUNS ad_runs;
// Reproducible seeding: when seed_given, both generators start from seed instead of the clock;
// after start-up seed holds the seed the run used either way.
extern int32_t seed_given;
extern uint32_t seed;
// Seconds between progress lines on standard error (0: none); progress_given when the option was.
extern double progress;
extern int32_t progress_given;
// Lengths of the per-round lists as the options gave them (0 when absent).
extern int32_t pt_given, pn_given, pw_given, tau_given;

// ---- Codebooks and feedback tables ----
extern BINCODES codewords, classes;
extern BINCODES refreplies, refreplies_idx, refclasses, refclasses_idx, closest_classes;
extern int32_t cached_hamming74_encode[16];
extern int32_t cached_hamming74_decode[128];
extern int32_t bitScramble[26], bitUnscramble[26];
extern int32_t bitScrambleDrawn;
// Derived from the codebook at set-up: the class of each codeword and the (interleaved) reply word
// of each class. Words longer than the full-table limit are looked up by search, through memos.
struct MEMO_ENTRY {
  uint32_t key;
  int32_t value;
};
extern int32_t *codeword_class;    // codewords.count entries
extern int32_t *class_reply;       // classes.count entries
extern MEMO_ENTRY *codeword_memo;  // received word -> index of the closest codeword
extern MEMO_ENTRY *class_memo;     // received reply -> reply word of the class a node makes of it

// ---- Nodes and working lists ----
extern int32_t max_nn;
extern NODE *nodes;  // max_nn + 1 records; the last one is spare
extern NODE ref;     // the access point of the centralized session
extern NODELIST nodelists[NL_COUNT];

// ---- Received-power model ----
extern double *ORed_word_rssi;  // nf doubles
extern double ***rssi;          // rssi[receiver][sender][subcarrier]
extern double **rssi_AP;        // max_nn rows of nf gains
extern double rssi_min_pw, rssi_avg_pw, rssi_thresh_pw;
// Pair gains of the received-power sessions are drawn when a session first uses them: a pair a < b
// holds the session stamp of its last draw and the subcarriers drawn since (index a * max_nn + b).
extern uint32_t *rssi_pair_stamp;
extern uint32_t *rssi_pair_drawn;
extern uint32_t rssi_session;
// Set to draw every pair's gains at session start instead (the same law; used to compare both).
extern int32_t rssi_eager_gains;

// ---- Timing values (seconds) ----
extern double t_cont, t_succ, t_coll;

// ---- Counters and accumulators of the run ----
extern int64_t run, failures;  // sessions: 64-bit, so that no run is too long to count
extern int32_t over_min_frames;
extern double t_elapsed;
extern int64_t *ns_pdf;        // ns_pdf_size entries
extern int64_t *tx_wait_hist;  // tx_wait_hist_size entries
extern uint32_t ORed_word;

// ---- Adaptive estimator ----
extern double *ad_samples;
extern int32_t ad_oldest_idx;
extern double ad_estimate;

// ---- Operation slots ----
extern FSFRandChannelFn FSFRandChannel;
extern ClearORedWordFn ClearORedWord;
extern BuildORedWordFn BuildORedWord;
extern ExtractORedWordFn ExtractORedWord;
extern GenRandGeomUniFn GenRandGeomUni;
extern FSFFindWinningWordFn FSFFindWinningWord;
extern FSFInterleaveWordFn FSFInterleaveWord;
extern FSFInterleaveWordFn FSFDeinterleaveWord;
extern FSFRefereeReplyFn FSFRefereeReply;
extern FSFWonRoundFn FSFWonRound;

// Puts the whole state back to its start values: releases every block the state holds, zeroes the
// counters, empties the slots and restarts the own generator unseeded. Option globals get their
// built-in values. Lets tests run one simulation after another in one process.
void ResetState();
