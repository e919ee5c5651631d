// The process-wide simulation state, in one list: the run parameters at their built-in values, the
// node records and working lists, codebooks and feedback tables, the received-power model's
// tables, timing values, counters, the adaptive estimator and the operation slots. Every subsystem
// reads and writes these globals directly. Each is declared, defined and reset from QRVL_STATE.
#pragma once

#include <cstdint>

#include "core/records.h"

// Types of the state that a list entry cannot spell out.
typedef const char *TEXT;
typedef int32_t HAMMING_ENCODING[16];
typedef int32_t HAMMING_DECODING[128];
typedef int32_t SUBCARRIER_PERMUTATION[26];
typedef NODELIST WORKING_LISTS[NL_COUNT];

// X(type, name, initial value in braces), for every piece of process-wide state.
// clang-format off
#define QRVL_STATE(X)                                                                            \
  /* Run parameters, one per option at its built-in value. Frame and timing model. */             \
  X(double, ts, {8e-06}) X(double, sifs, {1.6e-05}) X(double, difs, {0}) X(double, delta, {0})   \
  X(int32_t, B, {6000000}) X(int32_t, DATA, {8184}) X(int32_t, APP, {0})                          \
  X(int32_t, no_rts, {1}) X(int32_t, no_feedback, {0}) X(int32_t, fixed_ack_rate, {0})            \
  X(int32_t, ath_real, {0})                                                                       \
  /* Protocol shape; the per-round lists hold ns values each (null until given or set up). */    \
  X(int32_t, nn, {5}) X(int32_t, nf, {6}) X(int32_t, repeat, {1}) X(int32_t, ns, {3})             \
  X(int32_t, refs, {1}) X(int32_t, type, {1}) X(int32_t, forcens, {0})                            \
  X(int32_t, interleave, {0}) X(double, jumpstart, {1.0}) X(double, pt_start, {0.5})              \
  X(double, pt_end, {0.5}) X(double, pt_exp, {1.0})                                               \
  X(double *, pt, {nullptr}) X(double *, tau, {nullptr}) X(double *, pn, {nullptr})              \
  X(double *, pw, {nullptr})                                                                      \
  /* The lists' lengths as the options gave them (0 when absent). */                             \
  X(int32_t, pt_given, {0}) X(int32_t, pn_given, {0}) X(int32_t, pw_given, {0})                   \
  X(int32_t, tau_given, {0})                                                                      \
  /* Channel. */                                                                                  \
  X(TEXT, fsf_type, {"none"}) X(TEXT, fsf_fbk, {"class"}) X(int32_t, fsf_num, {1})                \
  X(int32_t, rssi_flat, {0}) X(double, fsf_prob, {0.1}) X(double, fsf_tau, {0.75})               \
  X(double, rssi_avg, {-62.0}) X(double, rssi_min, {-99.0}) X(double, rssi_max, {-52.0})          \
  X(double, rssi_thresh, {-82.0})                                                                 \
  /* Draw every node pair's gains at session start instead of on first use (the same law). */     \
  X(int32_t, rssi_eager_gains, {0})                                                               \
  /* Run control and output; the rounds histogram grows with ns at set-up. */                     \
  X(int32_t, runs, {10000}) X(int32_t, max_time, {0}) X(int32_t, min_frames, {0})                 \
  X(int32_t, debug, {2}) X(int32_t, ns_pdf_size, {4096}) X(int32_t, tx_wait_hist_size, {65536})   \
  X(int32_t, pdf_nodes, {0}) X(int32_t, pdf_rounds, {0}) X(int32_t, pdf_tx_wait, {0})             \
  X(int32_t, fast, {0}) X(int32_t, adhoc, {0}) X(int32_t, centr, {0})                             \
  /* Unknown words and numbers read in part: refused when on, else noted. */                      \
  X(int32_t, strict, {0})                                                                         \
  /* Seeding: seed_given when the option was; after start-up seed holds the run's seed. */        \
  X(int32_t, seed_given, {0}) X(uint32_t, seed, {0})                                              \
  /* Seconds between progress lines (0: none); progress_given when the option was. */             \
  X(double, progress, {0}) X(int32_t, progress_given, {0})                                        \
  /* Adaptive mode. */                                                                            \
  X(int32_t, adaptive, {0}) X(int32_t, ad_size, {10}) X(int32_t, ad_levels, {256})                \
  X(int32_t, ad_avg_type, {0}) X(double, ad_memory, {0.99}) X(double, ad_pt_min, {0.01})          \
  X(double, ad_var, {0}) X(ADRUNS, ad_runs, {})                                                   \
  /* Codebooks and feedback tables. */                                                            \
  X(BINCODES, codewords, {}) X(BINCODES, classes, {}) X(BINCODES, refreplies, {})                 \
  X(BINCODES, refreplies_idx, {}) X(BINCODES, refclasses, {}) X(BINCODES, refclasses_idx, {})     \
  X(BINCODES, closest_classes, {})                                                                \
  X(HAMMING_ENCODING, cached_hamming74_encode, {}) X(HAMMING_DECODING, cached_hamming74_decode, {})\
  X(SUBCARRIER_PERMUTATION, bitScramble, {}) X(SUBCARRIER_PERMUTATION, bitUnscramble, {})         \
  X(int32_t, bitScrambleDrawn, {0})                                                               \
  /* The class of each codeword, the (interleaved) reply word of each class, and the memos of the \
     searched lookups beyond the full-table word length. */                                       \
  X(int32_t *, codeword_class, {nullptr}) X(int32_t *, class_reply, {nullptr})                    \
  X(MEMO_ENTRY *, codeword_memo, {nullptr}) X(MEMO_ENTRY *, class_memo, {nullptr})                \
  /* Nodes (max_nn + 1 records, the last spare), the access point, the working lists. */          \
  X(int32_t, max_nn, {0}) X(NODE *, nodes, {nullptr}) X(NODE, ref, {})                            \
  X(WORKING_LISTS, nodelists, {})                                                                 \
  /* Received-power model: rssi[receiver][sender][subcarrier], the access point's gains, the     \
     linear thresholds; a pair a < b of the lazily drawn gains holds the session stamp of its     \
     last draw and the subcarriers drawn since (index a * max_nn + b). */                         \
  X(double *, ORed_word_rssi, {nullptr}) X(double ***, rssi, {nullptr})                          \
  X(double **, rssi_AP, {nullptr}) X(double, rssi_min_pw, {0}) X(double, rssi_avg_pw, {0})        \
  X(double, rssi_thresh_pw, {0}) X(uint32_t *, rssi_pair_stamp, {nullptr})                        \
  X(uint32_t *, rssi_pair_drawn, {nullptr}) X(uint32_t, rssi_session, {0})                        \
  /* Timing values in seconds. */                                                                 \
  X(double, t_cont, {0}) X(double, t_succ, {0}) X(double, t_coll, {0})                            \
  /* Counters and accumulators of the run; sessions are counted in 64 bits. */                    \
  X(int64_t, run, {0}) X(int64_t, failures, {0}) X(int32_t, over_min_frames, {0})                 \
  /* Sessions ended with and without a winner: the base of the active nodes' waiting counts. */   \
  X(int64_t, won_sessions, {0}) X(int64_t, unwon_sessions, {0})                                   \
  X(double, t_elapsed, {0}) X(int64_t *, ns_pdf, {nullptr}) X(int64_t *, tx_wait_hist, {nullptr}) \
  X(uint32_t, ORed_word, {0})                                                                     \
  /* Adaptive estimator. */                                                                       \
  X(double *, ad_samples, {nullptr}) X(int32_t, ad_oldest_idx, {0}) X(double, ad_estimate, {0})   \
  /* The basic session's paths, chosen once at set-up from the operations in the slots. */        \
  X(SESSION_PATHS, session_paths, {})                                                             \
  /* Operation slots. */                                                                          \
  X(FSFRandChannelFn, FSFRandChannel, {nullptr}) X(ClearORedWordFn, ClearORedWord, {nullptr})     \
  X(BuildORedWordFn, BuildORedWord, {nullptr}) X(ExtractORedWordFn, ExtractORedWord, {nullptr})   \
  X(GenRandGeomUniFn, GenRandGeomUni, {nullptr})                                                  \
  X(FSFFindWinningWordFn, FSFFindWinningWord, {nullptr})                                          \
  X(FSFInterleaveWordFn, FSFInterleaveWord, {nullptr})                                            \
  X(FSFInterleaveWordFn, FSFDeinterleaveWord, {nullptr})                                          \
  X(FSFRefereeReplyFn, FSFRefereeReply, {nullptr}) X(FSFWonRoundFn, FSFWonRound, {nullptr})
// clang-format on

#define QRVL_DECLARE_STATE(type, name, initial) extern type name;
QRVL_STATE(QRVL_DECLARE_STATE)
#undef QRVL_DECLARE_STATE

// Puts the whole state back to its start values: support's own state (releases every block,
// restarts the own generator unseeded, frees the GSL generator, stops the stopwatches), then every
// entry of the list. Lets tests run one simulation after another in one process.
void ResetState();
