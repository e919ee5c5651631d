// The option table: every option word in reading order with its kind, global, range rules and help
// line (the built-in values are the globals' own, in the state list). The parser, the checks, the
// help and --describe all read it.
#include <cstring>

#include "config/options.h"
#include "core/state.h"

namespace {

const uint32_t kCount = RULE_NOT_ZERO | RULE_NOT_NEGATIVE;

}  // namespace

const OPTION optionTable[] = {
    {"fast=", OPT_FLAG, &fast, 0, "stored only; changes nothing"},
    {"adhoc=", OPT_FLAG, &adhoc, 0,
     "ad hoc received-power session: the nodes that left the contention referee"},
    {"centr=", OPT_FLAG, &centr, 0,
     "centralized received-power session refereed by an access point"},
    {"nn=", OPT_INT, &nn, kCount, "number of active nodes"},
    {"nf=", OPT_INT, &nf, kCount,
     "number of subcarriers (word length); codebook files set it to their word length"},
    {"repeat=", OPT_INT, &repeat, RULE_AT_LEAST_1,
     "repetitions of the default one-hot codebook (nf x repeat at most 26)"},
    {"interleave=", OPT_INT, &interleave, 0,
     "reply interleaving: 1 rotate, 2 random scramble, other values none"},
    {"ns=", OPT_INT, &ns, RULE_NOT_NEGATIVE,
     "rounds per session; a per-round list sets it to its length"},
    {"forcens=", OPT_FORCENS, &forcens, 0,
     "keep the ns= value even when per-round lists are longer or shorter"},
    {"refs=", OPT_INT, &refs, RULE_NOT_NEGATIVE, "dedicated listeners of the basic session"},
    {"runs=", OPT_INT, &runs, kCount, "sessions to play"},
    {"B=", OPT_INT, &B, kCount, "channel bit rate in bit/s"},
    {"DATA=", OPT_INT, &DATA, kCount, "data frame size in bits"},
    {"APP=", OPT_INT, &APP, RULE_NOT_NEGATIVE, "application header in bits"},
    {"ts=", OPT_REAL, &ts, 0, "contention and feedback slot duration in seconds"},
    {"sifs=", OPT_REAL, &sifs, 0, "SIFS in seconds"},
    {"difs=", OPT_REAL, &difs, 0, "DIFS in seconds (0: sifs + ts)"},
    {"min_frames=", OPT_INT, &min_frames, 0,
     "stop once every node has delivered this many frames (0: off)"},
    {"max_time=", OPT_INT, &max_time, 0,
     "stop after this many milliseconds of simulated time (0: off)"},
    {"pdf_nodes=", OPT_FLAG, &pdf_nodes, 0, "print the per-node table"},
    {"pdf_slots=", OPT_FLAG, &pdf_rounds, 0,
     "print the table of sessions by the round in which they ended", nullptr, 0, "pdf_rounds="},
    {"pdf_tx_wait=", OPT_FLAG, &pdf_tx_wait, 0,
     "print the histogram of the winners' waiting times"},
    {"tx_wait_hist_size=", OPT_INT, &tx_wait_hist_size, RULE_NOT_NEGATIVE,
     "entries of the waiting-time histogram"},
    {"no_feedback=", OPT_FLAG, &no_feedback, 0, "rounds without feedback slots"},
    {"type=", OPT_INT, &type, 0,
     "schedule when no pt= list is given: 1 constant, 2 exp, 3 double exp, 4 polynomial"},
    {"no_rts=", OPT_INT, &no_rts, 0,
     "0 RTS/CTS; 1 no RTS/CTS, fixed-size frames; 2 no RTS/CTS, variable-size frames"},
    {"jumpstart=", OPT_REAL, &jumpstart, 0, "multiplier of the type 2 and 3 schedules"},
    {"pt_start=", OPT_REAL, &pt_start, 0, "first pt of the type 4 schedule"},
    {"pt_end=", OPT_REAL, &pt_end, 0, "last pt of the type 4 schedule"},
    {"pt_exp=", OPT_REAL, &pt_exp, 0, "exponent of the type 4 schedule"},
    {"pt=", OPT_LIST, &pt, 0, "transmit probability per round, comma-separated", &pt_given, 0.5},
    {"pn=", OPT_LIST, &pn, 0, "per-round values printed with the results, comma-separated",
     &pn_given, 1.0},
    {"pw=", OPT_LIST, &pw, 0,
     "per-round values, stored only (default: the pn values), comma-separated", &pw_given, 1.0},
    {"tau=", OPT_LIST, &tau, RULE_UNIT_INTERVAL,
     "geometric codeword parameter per round (0: uniform), comma-separated", &tau_given, 0.0},
    {"adaptive=", OPT_FLAG, &adaptive, 0,
     "schedule re-tuned from the node-count estimate after every success (ns must be 3)"},
    {"ad_size=", OPT_INT, &ad_size, RULE_AT_LEAST_1_ADAPTIVE, "samples in the estimator's window"},
    {"ad_memory=", OPT_REAL, &ad_memory, RULE_UNIT_INTERVAL,
     "memory of the exponential weights (ad_avg_type 3; 1 weights all samples equally)"},
    {"ad_levels=", OPT_INT, &ad_levels, 0, "stored only"},
    {"ad_pt_min=", OPT_REAL, &ad_pt_min, 0, "stored only"},
    {"ad_var=", OPT_REAL, &ad_var, 0, "stored only"},
    {"ad_avg_type=", OPT_INT, &ad_avg_type, 0,
     "estimator weights: 0 equal, 1 linear, 2 inverse linear, 3 exponential"},
    {"ad_runs=", OPT_SCHEDULE, &ad_runs, 0,
     "node-count schedule i:nn[,i:nn...]: from iteration i on, nn nodes"},
    {"debug=", OPT_INT, &debug, 0,
     "output: 0 summary, 1 header, 2 notes, 3 dump and stop; negative drops per-round columns"},
    {"ath_real=", OPT_FLAG, &ath_real, 0, "frame durations with an extra symbol"},
    {"fixed_ack_rate=", OPT_FLAG, &fixed_ack_rate, 0, "CTS and ACK at the lowest control rate"},
    {"codebook=", OPT_FILE, &codewords, 0, "codewords file, one binary string per line"},
    {"classes=", OPT_FILE, &classes, 0, "classes file, one binary string per line"},
    {"fsf_type=", OPT_KEYWORD, &fsf_type, 0, "channel model"},
    {"fsf_prob=", OPT_REAL, &fsf_prob, 0, "probability that a subcarrier fades (binom)"},
    {"fsf_num=", OPT_INT, &fsf_num, 0, "faded subcarriers (num)"},
    {"fsf_tau=", OPT_REAL, &fsf_tau, RULE_UNIT_INTERVAL,
     "geometric parameter of the number of faded subcarriers (geom)"},
    {"fsf_fbk=", OPT_KEYWORD, &fsf_fbk, 0, "feedback coding"},
    {"rssi_min=", OPT_REAL, &rssi_min, RULE_POWER, "minimum received power in dBm"},
    {"rssi_max=", OPT_REAL, &rssi_max, RULE_POWER, "maximum received power in dBm (printed only)"},
    {"rssi_avg=", OPT_REAL, &rssi_avg, RULE_POWER, "average received power in dBm"},
    {"rssi_thresh=", OPT_REAL, &rssi_thresh, RULE_POWER, "detection threshold in dBm"},
    {"rssi_type=", OPT_FLAG, &rssi_flat, 0,
     "one gain per node pair for all subcarriers (flat fading)"},
    {"seed=", OPT_SEED, &seed, 0, "seed of both generators (default: from the time of day)",
     &seed_given},
    {"progress=", OPT_REAL, &progress, RULE_NOT_NEGATIVE,
     "seconds between progress lines on standard error (0: none; default: only on a terminal)",
     &progress_given},
    {"rssi_eager_gains=", OPT_FLAG, &rssi_eager_gains, 0,
     "draw every node pair's gains at session start rather than on first use"},
    {"strict=", OPT_FLAG, &strict, 0,
     "words that are not options and numbers read only in part are errors, not notes"},
};
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

double ListFill(const char *word) {
  for (const OPTION &option : Options())
    if (strcmp(option.word, word) == 0) return option.fill;
  return 0.0;
}
