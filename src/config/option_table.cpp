// The option table: every option word in reading order with its kind, global, built-in value,
// range rules and help line. The built-in values live here only; the parser, the checks, the help,
// --describe and the state reset all read them.
#include <cstring>

#include "config/options.h"
#include "core/state.h"

namespace {

const uint32_t kCount = RULE_NOT_ZERO | RULE_NOT_NEGATIVE;

}  // namespace

// clang-format off
const OPTION optionTable[] = {
    {"fast=", OPT_FLAG, &fast, 0, nullptr, nullptr, 0, "stored only; changes nothing", nullptr},
    {"adhoc=", OPT_FLAG, &adhoc, 0, nullptr, nullptr, 0,
     "ad hoc received-power session: the nodes that left the contention referee", nullptr},
    {"centr=", OPT_FLAG, &centr, 0, nullptr, nullptr, 0,
     "centralized received-power session refereed by an access point", nullptr},
    {"nn=", OPT_INT, &nn, 5, nullptr, nullptr, kCount, "number of active nodes", nullptr},
    {"nf=", OPT_INT, &nf, 6, nullptr, nullptr, kCount,
     "number of subcarriers (word length); codebook files set it to their word length", nullptr},
    {"repeat=", OPT_INT, &repeat, 1, nullptr, nullptr, RULE_AT_LEAST_1,
     "repetitions of the default one-hot codebook (nf x repeat at most 26)", nullptr},
    {"interleave=", OPT_INT, &interleave, 0, nullptr, nullptr, 0,
     "reply interleaving: 1 rotate, 2 random scramble, other values none", nullptr},
    {"ns=", OPT_INT, &ns, 3, nullptr, nullptr, RULE_NOT_NEGATIVE,
     "rounds per session; a per-round list sets it to its length", nullptr},
    {"forcens=", OPT_FORCENS, &forcens, 0, nullptr, nullptr, 0,
     "keep the ns= value even when per-round lists are longer or shorter", nullptr},
    {"refs=", OPT_INT, &refs, 1, nullptr, nullptr, 0, "dedicated listeners of the basic session",
     nullptr},
    {"runs=", OPT_INT, &runs, 10000, nullptr, nullptr, kCount, "sessions to play", nullptr},
    {"B=", OPT_INT, &B, 6000000, nullptr, nullptr, kCount, "channel bit rate in bit/s", nullptr},
    {"DATA=", OPT_INT, &DATA, 8184, nullptr, nullptr, kCount, "data frame size in bits", nullptr},
    {"APP=", OPT_INT, &APP, 0, nullptr, nullptr, RULE_NOT_NEGATIVE, "application header in bits",
     nullptr},
    {"ts=", OPT_REAL, &ts, 8e-06, nullptr, nullptr, 0,
     "contention and feedback slot duration in seconds", nullptr},
    {"sifs=", OPT_REAL, &sifs, 1.6e-05, nullptr, nullptr, 0, "SIFS in seconds", nullptr},
    {"difs=", OPT_REAL, &difs, 0, nullptr, nullptr, 0, "DIFS in seconds (0: sifs + ts)", nullptr},
    {"min_frames=", OPT_INT, &min_frames, 0, nullptr, nullptr, 0,
     "stop once every node has delivered this many frames (0: off)", nullptr},
    {"max_time=", OPT_INT, &max_time, 0, nullptr, nullptr, 0,
     "stop after this many milliseconds of simulated time (0: off)", nullptr},
    {"pdf_nodes=", OPT_FLAG, &pdf_nodes, 0, nullptr, nullptr, 0, "print the per-node table",
     nullptr},
    {"pdf_slots=", OPT_FLAG, &pdf_rounds, 0, nullptr, nullptr, 0,
     "print the table of sessions by the round in which they ended", "pdf_rounds="},
    {"pdf_tx_wait=", OPT_FLAG, &pdf_tx_wait, 0, nullptr, nullptr, 0,
     "print the histogram of the winners' waiting times", nullptr},
    {"tx_wait_hist_size=", OPT_INT, &tx_wait_hist_size, 65536, nullptr, nullptr, RULE_NOT_NEGATIVE,
     "entries of the waiting-time histogram", nullptr},
    {"no_feedback=", OPT_FLAG, &no_feedback, 0, nullptr, nullptr, 0, "rounds without feedback slots",
     nullptr},
    {"type=", OPT_INT, &type, 1, nullptr, nullptr, 0,
     "schedule when no pt= list is given: 1 constant, 2 exp, 3 double exp, 4 polynomial", nullptr},
    {"no_rts=", OPT_INT, &no_rts, 1, nullptr, nullptr, 0,
     "0 RTS/CTS; 1 no RTS/CTS, fixed-size frames; 2 no RTS/CTS, variable-size frames", nullptr},
    {"jumpstart=", OPT_REAL, &jumpstart, 1.0, nullptr, nullptr, 0,
     "multiplier of the type 2 and 3 schedules", nullptr},
    {"pt_start=", OPT_REAL, &pt_start, 0.5, nullptr, nullptr, 0, "first pt of the type 4 schedule",
     nullptr},
    {"pt_end=", OPT_REAL, &pt_end, 0.5, nullptr, nullptr, 0, "last pt of the type 4 schedule",
     nullptr},
    {"pt_exp=", OPT_REAL, &pt_exp, 1.0, nullptr, nullptr, 0, "exponent of the type 4 schedule",
     nullptr},
    {"pt=", OPT_LIST, &pt, 0.5, nullptr, &pt_given, 0,
     "transmit probability per round, comma-separated", nullptr},
    {"pn=", OPT_LIST, &pn, 1.0, nullptr, &pn_given, 0,
     "per-round values printed with the results, comma-separated", nullptr},
    {"pw=", OPT_LIST, &pw, 1.0, nullptr, &pw_given, 0,
     "per-round values, stored only (default: the pn values), comma-separated", nullptr},
    {"tau=", OPT_LIST, &tau, 0.0, nullptr, &tau_given, RULE_UNIT_INTERVAL,
     "geometric codeword parameter per round (0: uniform), comma-separated", nullptr},
    {"adaptive=", OPT_FLAG, &adaptive, 0, nullptr, nullptr, 0,
     "schedule re-tuned from the node-count estimate after every success (ns must be 3)",
     nullptr},
    {"ad_size=", OPT_INT, &ad_size, 10, nullptr, nullptr, RULE_AT_LEAST_1_ADAPTIVE,
     "samples in the estimator's window", nullptr},
    {"ad_memory=", OPT_REAL, &ad_memory, 0.99, nullptr, nullptr, RULE_UNIT_INTERVAL,
     "memory of the exponential weights (ad_avg_type 3; 1 weights all samples equally)", nullptr},
    {"ad_levels=", OPT_INT, &ad_levels, 256, nullptr, nullptr, 0, "stored only", nullptr},
    {"ad_pt_min=", OPT_REAL, &ad_pt_min, 0.01, nullptr, nullptr, 0, "stored only", nullptr},
    {"ad_var=", OPT_REAL, &ad_var, 0, nullptr, nullptr, 0, "stored only", nullptr},
    {"ad_avg_type=", OPT_INT, &ad_avg_type, 0, nullptr, nullptr, 0,
     "estimator weights: 0 equal, 1 linear, 2 inverse linear, 3 exponential", nullptr},
    {"ad_runs=", OPT_SCHEDULE, &ad_runs, 0, nullptr, nullptr, 0,
     "node-count schedule i:nn[,i:nn...]: from iteration i on, nn nodes", nullptr},
    {"debug=", OPT_INT, &debug, 2, nullptr, nullptr, 0,
     "output: 0 summary, 1 header, 2 notes, 3 dump and stop; negative drops per-round columns",
     nullptr},
    {"ath_real=", OPT_FLAG, &ath_real, 0, nullptr, nullptr, 0,
     "frame durations with an extra symbol", nullptr},
    {"fixed_ack_rate=", OPT_FLAG, &fixed_ack_rate, 0, nullptr, nullptr, 0,
     "CTS and ACK at the lowest control rate", nullptr},
    {"codebook=", OPT_FILE, &codewords, 0, nullptr, nullptr, 0,
     "codewords file, one binary string per line", nullptr},
    {"classes=", OPT_FILE, &classes, 0, nullptr, nullptr, 0,
     "classes file, one binary string per line", nullptr},
    {"fsf_type=", OPT_KEYWORD, &fsf_type, 0, "none", nullptr, 0, "channel model", nullptr},
    {"fsf_prob=", OPT_REAL, &fsf_prob, 0.1, nullptr, nullptr, 0,
     "probability that a subcarrier fades (binom)", nullptr},
    {"fsf_num=", OPT_INT, &fsf_num, 1, nullptr, nullptr, 0, "faded subcarriers (num)", nullptr},
    {"fsf_tau=", OPT_REAL, &fsf_tau, 0.75, nullptr, nullptr, RULE_UNIT_INTERVAL,
     "geometric parameter of the number of faded subcarriers (geom)", nullptr},
    {"fsf_fbk=", OPT_KEYWORD, &fsf_fbk, 0, "class", nullptr, 0, "feedback coding", nullptr},
    {"rssi_min=", OPT_REAL, &rssi_min, -99.0, nullptr, nullptr, RULE_POWER,
     "minimum received power in dBm", nullptr},
    {"rssi_max=", OPT_REAL, &rssi_max, -52.0, nullptr, nullptr, RULE_POWER,
     "maximum received power in dBm (printed only)", nullptr},
    {"rssi_avg=", OPT_REAL, &rssi_avg, -62.0, nullptr, nullptr, RULE_POWER,
     "average received power in dBm", nullptr},
    {"rssi_thresh=", OPT_REAL, &rssi_thresh, -82.0, nullptr, nullptr, RULE_POWER,
     "detection threshold in dBm", nullptr},
    {"rssi_type=", OPT_FLAG, &rssi_flat, 0, nullptr, nullptr, 0,
     "one gain per node pair for all subcarriers (flat fading)", nullptr},
    {"seed=", OPT_SEED, &seed, 0, nullptr, &seed_given, 0,
     "seed of both generators (default: from the time of day)", nullptr},
    {"progress=", OPT_REAL, &progress, 0, nullptr, &progress_given, RULE_NOT_NEGATIVE,
     "seconds between progress lines on standard error (0: none; default: only on a terminal)",
     nullptr},
    {"rssi_eager_gains=", OPT_FLAG, &rssi_eager_gains, 0, nullptr, nullptr, 0,
     "draw every node pair's gains at session start rather than on first use", nullptr},
    {nullptr, OPT_INT, &ns_pdf_size, 4096, nullptr, nullptr, 0, nullptr, nullptr},
};
// clang-format on
const int optionCount = sizeof optionTable / sizeof optionTable[0];

const char *RuleText(OptionRule rule) {
  switch (rule) {
    case RULE_NOT_ZERO: return "not zero";
    case RULE_NOT_NEGATIVE: return "not negative";
    case RULE_AT_LEAST_1: return "at least 1";
    case RULE_UNIT_INTERVAL: return "in [0, 1]";
    case RULE_POWER: return "positive finite power";
    case RULE_AT_LEAST_1_ADAPTIVE: return "at least 1 when adaptive is on";
  }
  return "";
}

void ApplyBuiltinOptions() {
  for (const OPTION &option : optionTable) {
    switch (option.kind) {
      case OPT_INT:
      case OPT_FLAG:
      case OPT_FORCENS: *static_cast<int32_t *>(option.target) = int32_t(option.number); break;
      case OPT_REAL: *static_cast<double *>(option.target) = option.number; break;
      case OPT_LIST: *static_cast<double **>(option.target) = nullptr; break;
      case OPT_FILE: *static_cast<BINCODES *>(option.target) = BINCODES{}; break;
      case OPT_SCHEDULE: *static_cast<ADRUNS *>(option.target) = ADRUNS{}; break;
      case OPT_KEYWORD: *static_cast<const char **>(option.target) = option.text; break;
      case OPT_SEED: *static_cast<uint32_t *>(option.target) = uint32_t(option.number); break;
    }
    if (option.given) *option.given = 0;
  }
}

double OptionBuiltin(const char *word) {
  for (const OPTION &option : optionTable)
    if (option.word && strcmp(option.word, word) == 0) return option.number;
  return 0.0;
}
