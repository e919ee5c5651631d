// The command line's options, one row each: word, the parameter it sets, its type and kind, its
// built-in value, its range rules, the help's other spelling and its help line. The parameters of
// the simulation context, the option table, the checks, --describe and the help's values all
// follow from this one list.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/records.h"

// A built-in value: a number, a text, or a word saying where a value that is not a constant comes
// from ("clock", "terminal"); none for files and schedules.
struct BUILTIN {
  double number;
  const char *text;
  const char *special;
};
constexpr BUILTIN Num(double number) { return BUILTIN{number, nullptr, nullptr}; }
constexpr BUILTIN Text(const char *text) { return BUILTIN{0, text, nullptr}; }
constexpr BUILTIN Special(const char *word) { return BUILTIN{0, nullptr, word}; }
constexpr BUILTIN kNoBuiltin{0, nullptr, nullptr};

// The value a parameter of the given type starts with: lists start empty (their built-in value
// fills the rounds they do not give), special values start at 0.
template <class T>
constexpr T InitialOf(BUILTIN builtin) {
  if constexpr (std::is_arithmetic_v<T>)
    return T(builtin.number);
  else if constexpr (std::is_same_v<T, TEXT>)
    return builtin.text;
  else
    return T{};
}

// X(word, parameter, type, kind, built-in value, rules, other spelling, help), in reading order:
// per-round lists set ns in turn, forcens keeps the ns read before it, files set nf.
// clang-format off
#define QRVL_OPTIONS(X)                                                                            \
  X("fast=", fast, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr, "stored only; changes nothing")    \
  X("adhoc=", adhoc, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                                  \
    "ad hoc received-power session: the nodes that left the contention referee")                  \
  X("centr=", centr, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                                  \
    "centralized received-power session refereed by an access point")                              \
  X("nn=", nn, int32_t, OPT_INT, Num(5), kCount, nullptr, "number of active nodes")               \
  X("nf=", nf, int32_t, OPT_INT, Num(6), kCount, nullptr,                                          \
    "number of subcarriers (word length); codebook files set it to their word length")            \
  X("repeat=", repeat, int32_t, OPT_INT, Num(1), kAtLeast1, nullptr,                               \
    "repetitions of the default one-hot codebook (nf x repeat at most 26)")                       \
  X("interleave=", interleave, int32_t, OPT_INT, Num(0), kNoRule, nullptr,                         \
    "reply interleaving: 1 rotate, 2 random scramble, other values none")                         \
  X("ns=", ns, int32_t, OPT_INT, Num(3), kNotNegative, nullptr,                                    \
    "rounds per session; a per-round list sets it to its length")                                 \
  X("forcens=", forcens, int32_t, OPT_FORCENS, Num(0), kNoRule, nullptr,                           \
    "keep the ns= value even when per-round lists are longer or shorter")                         \
  X("refs=", refs, int32_t, OPT_INT, Num(1), kNotNegative, nullptr,                                \
    "dedicated listeners of the basic session")                                                    \
  X("runs=", runs, int32_t, OPT_INT, Num(10000), kCount, nullptr, "sessions to play")              \
  X("B=", B, int32_t, OPT_INT, Num(6000000), kCount, nullptr, "channel bit rate in bit/s")         \
  X("DATA=", DATA, int32_t, OPT_INT, Num(8184), kCount, nullptr, "data frame size in bits")        \
  X("APP=", APP, int32_t, OPT_INT, Num(0), kNotNegative, nullptr, "application header in bits")    \
  X("ts=", ts, double, OPT_REAL, Num(8e-06), kNoRule, nullptr,                                     \
    "contention and feedback slot duration in seconds")                                            \
  X("sifs=", sifs, double, OPT_REAL, Num(1.6e-05), kNoRule, nullptr, "SIFS in seconds")            \
  X("difs=", difs, double, OPT_REAL, Num(0), kNoRule, nullptr, "DIFS in seconds (0: sifs + ts)")   \
  X("min_frames=", min_frames, int32_t, OPT_INT, Num(0), kNoRule, nullptr,                         \
    "stop once every node has delivered this many frames (0: off)")                               \
  X("max_time=", max_time, int32_t, OPT_INT, Num(0), kNoRule, nullptr,                             \
    "stop after this many milliseconds of simulated time (0: off)")                               \
  X("pdf_nodes=", pdf_nodes, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                          \
    "print the per-node table")                                                                    \
  X("pdf_slots=", pdf_rounds, int32_t, OPT_FLAG, Num(0), kNoRule, "pdf_rounds=",                   \
    "print the table of sessions by the round in which they ended")                                \
  X("pdf_tx_wait=", pdf_tx_wait, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                      \
    "print the histogram of the winners' waiting times")                                           \
  X("tx_wait_hist_size=", tx_wait_hist_size, int32_t, OPT_INT, Num(65536), kNotNegative, nullptr,  \
    "entries of the waiting-time histogram")                                                       \
  X("no_feedback=", no_feedback, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                      \
    "rounds without feedback slots")                                                               \
  X("type=", type, int32_t, OPT_INT, Num(1), kNoRule, nullptr,                                     \
    "schedule when no pt= list is given: 1 constant, 2 exp, 3 double exp, 4 polynomial")          \
  X("no_rts=", no_rts, int32_t, OPT_INT, Num(1), kNoRule, nullptr,                                 \
    "0 RTS/CTS; 1 no RTS/CTS, fixed-size frames; 2 no RTS/CTS, variable-size frames")             \
  X("jumpstart=", jumpstart, double, OPT_REAL, Num(1.0), kNoRule, nullptr,                         \
    "multiplier of the type 2 and 3 schedules")                                                    \
  X("pt_start=", pt_start, double, OPT_REAL, Num(0.5), kNoRule, nullptr,                           \
    "first pt of the type 4 schedule")                                                             \
  X("pt_end=", pt_end, double, OPT_REAL, Num(0.5), kNoRule, nullptr,                               \
    "last pt of the type 4 schedule")                                                              \
  X("pt_exp=", pt_exp, double, OPT_REAL, Num(1.0), kNoRule, nullptr,                               \
    "exponent of the type 4 schedule")                                                             \
  X("pt=", pt, double *, OPT_LIST, Num(0.5), kNoRule, nullptr,                                     \
    "transmit probability per round, comma-separated")                                             \
  X("pn=", pn, double *, OPT_LIST, Num(1.0), kNoRule, nullptr,                                     \
    "per-round values printed with the results, comma-separated")                                 \
  X("pw=", pw, double *, OPT_LIST, Num(1.0), kNoRule, nullptr,                                     \
    "per-round values, stored only (default: the pn values), comma-separated")                   \
  X("tau=", tau, double *, OPT_LIST, Num(0.0), kUnitInterval, nullptr,                             \
    "geometric codeword parameter per round (0: uniform), comma-separated")                       \
  X("adaptive=", adaptive, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                            \
    "schedule re-tuned from the node-count estimate after every success (ns must be 3)")          \
  X("ad_size=", ad_size, int32_t, OPT_INT, Num(10), kAtLeast1WhenAdaptive, nullptr,                \
    "samples in the estimator's window")                                                           \
  X("ad_memory=", ad_memory, double, OPT_REAL, Num(0.99), kUnitInterval, nullptr,                  \
    "memory of the exponential weights (ad_avg_type 3; 1 weights all samples equally)")           \
  X("ad_levels=", ad_levels, int32_t, OPT_INT, Num(256), kNoRule, nullptr, "stored only")          \
  X("ad_pt_min=", ad_pt_min, double, OPT_REAL, Num(0.01), kNoRule, nullptr, "stored only")         \
  X("ad_var=", ad_var, double, OPT_REAL, Num(0), kNoRule, nullptr, "stored only")                  \
  X("ad_avg_type=", ad_avg_type, int32_t, OPT_INT, Num(0), kNoRule, nullptr,                       \
    "estimator weights: 0 equal, 1 linear, 2 inverse linear, 3 exponential")                      \
  X("ad_runs=", ad_runs, ADRUNS, OPT_SCHEDULE, kNoBuiltin, kNoRule, nullptr,                       \
    "node-count schedule i:nn[,i:nn...]: from iteration i on, nn nodes")                          \
  X("debug=", debug, int32_t, OPT_INT, Num(2), kNoRule, nullptr,                                   \
    "output: 0 summary, 1 header, 2 notes, 3 dump and stop; negative drops per-round columns")   \
  X("ath_real=", ath_real, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                            \
    "frame durations with an extra symbol")                                                        \
  X("fixed_ack_rate=", fixed_ack_rate, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                \
    "CTS and ACK at the lowest control rate")                                                      \
  X("codebook=", codewords, BINCODES, OPT_FILE, kNoBuiltin, kNoRule, nullptr,                      \
    "codewords file, one binary string per line")                                                  \
  X("classes=", classes, BINCODES, OPT_FILE, kNoBuiltin, kNoRule, nullptr,                         \
    "classes file, one binary string per line")                                                    \
  X("fsf_type=", fsf_type, TEXT, OPT_KEYWORD, Text("none"), kNoRule, nullptr, "channel model")     \
  X("fsf_prob=", fsf_prob, double, OPT_REAL, Num(0.1), kNoRule, nullptr,                           \
    "probability that a subcarrier fades (binom)")                                                 \
  X("fsf_num=", fsf_num, int32_t, OPT_INT, Num(1), kNoRule, nullptr, "faded subcarriers (num)")    \
  X("fsf_tau=", fsf_tau, double, OPT_REAL, Num(0.75), kUnitInterval, nullptr,                      \
    "geometric parameter of the number of faded subcarriers (geom)")                               \
  X("fsf_fbk=", fsf_fbk, TEXT, OPT_KEYWORD, Text("class"), kNoRule, nullptr, "feedback coding")    \
  X("rssi_min=", rssi_min, double, OPT_REAL, Num(-99.0), kPower, nullptr,                          \
    "minimum received power in dBm")                                                               \
  X("rssi_max=", rssi_max, double, OPT_REAL, Num(-52.0), kPower, nullptr,                          \
    "maximum received power in dBm (printed only)")                                                \
  X("rssi_avg=", rssi_avg, double, OPT_REAL, Num(-62.0), kPower, nullptr,                          \
    "average received power in dBm")                                                               \
  X("rssi_thresh=", rssi_thresh, double, OPT_REAL, Num(-82.0), kPower, nullptr,                    \
    "detection threshold in dBm")                                                                  \
  X("rssi_type=", rssi_flat, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                          \
    "one gain per node pair for all subcarriers (flat fading)")                                    \
  X("seed=", seed, uint32_t, OPT_SEED, Special("clock"), kNoRule, nullptr,                         \
    "seed of both generators (default: from the time of day)")                                     \
  X("progress=", progress, double, OPT_REAL, Special("terminal"), kNotNegative, nullptr,           \
    "seconds between progress lines on standard error (0: none; default: only on a terminal)")    \
  X("rssi_eager_gains=", rssi_eager_gains, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,            \
    "draw every node pair's gains at session start rather than on first use")                     \
  X("strict=", strict, int32_t, OPT_FLAG, Num(0), kNoRule, nullptr,                                \
    "words that are not options and numbers read only in part are errors, not notes")            \
  X("rng=", rng, TEXT, OPT_KEYWORD, Text("mt"), kNoRule, nullptr,                                  \
    "random numbers: mt one sequential stream; keyed each draw a function of seed, session, draw") \
  X("threads=", threads, int32_t, OPT_INT, Num(1), kThreads, nullptr,                              \
    "threads sharing a run's sessions (rng=keyed)")
// clang-format on

// Each option's place in the list: OPTION_nn, OPTION_pt, ...
enum OptionId : int32_t {
#define QRVL_OPTION_ID(word, parameter, type, kind, builtin, rules, alias, help) OPTION_##parameter,
  QRVL_OPTIONS(QRVL_OPTION_ID)
#undef QRVL_OPTION_ID
  kOptionCount
};
