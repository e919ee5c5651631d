// The option table: every option word in reading order with its kind, global and built-in value.
// The built-in values live here only; the parser, the help and the state reset all read them.
#include <cstring>

#include "config/options.h"
#include "core/state.h"

const OPTION optionTable[] = {
    {"fast=", OPT_INT, &fast, 0, nullptr, nullptr},
    {"adhoc=", OPT_INT, &adhoc, 0, nullptr, nullptr},
    {"centr=", OPT_INT, &centr, 0, nullptr, nullptr},
    {"nn=", OPT_INT, &nn, 5, nullptr, nullptr},
    {"nf=", OPT_INT, &nf, 6, nullptr, nullptr},
    {"repeat=", OPT_INT, &repeat, 1, nullptr, nullptr},
    {"interleave=", OPT_INT, &interleave, 0, nullptr, nullptr},
    {"ns=", OPT_INT, &ns, 3, nullptr, nullptr},
    {"forcens=", OPT_FORCENS, &forcens, 0, nullptr, nullptr},
    {"refs=", OPT_INT, &refs, 1, nullptr, nullptr},
    {"runs=", OPT_INT, &runs, 10000, nullptr, nullptr},
    {"B=", OPT_INT, &B, 6000000, nullptr, nullptr},
    {"DATA=", OPT_INT, &DATA, 8184, nullptr, nullptr},
    {"APP=", OPT_INT, &APP, 0, nullptr, nullptr},
    {"ts=", OPT_REAL, &ts, 8e-06, nullptr, nullptr},
    {"sifs=", OPT_REAL, &sifs, 1.6e-05, nullptr, nullptr},
    {"difs=", OPT_REAL, &difs, 0, nullptr, nullptr},
    {"min_frames=", OPT_INT, &min_frames, 0, nullptr, nullptr},
    {"max_time=", OPT_INT, &max_time, 0, nullptr, nullptr},
    {"pdf_nodes=", OPT_INT, &pdf_nodes, 0, nullptr, nullptr},
    {"pdf_slots=", OPT_INT, &pdf_rounds, 0, nullptr, nullptr},
    {"pdf_tx_wait=", OPT_INT, &pdf_tx_wait, 0, nullptr, nullptr},
    {"tx_wait_hist_size=", OPT_INT, &tx_wait_hist_size, 65536, nullptr, nullptr},
    {"no_feedback=", OPT_INT, &no_feedback, 0, nullptr, nullptr},
    {"type=", OPT_INT, &type, 1, nullptr, nullptr},
    {"no_rts=", OPT_INT, &no_rts, 1, nullptr, nullptr},
    {"jumpstart=", OPT_REAL, &jumpstart, 1.0, nullptr, nullptr},
    {"pt_start=", OPT_REAL, &pt_start, 0.5, nullptr, nullptr},
    {"pt_end=", OPT_REAL, &pt_end, 0.5, nullptr, nullptr},
    {"pt_exp=", OPT_REAL, &pt_exp, 1.0, nullptr, nullptr},
    {"pt=", OPT_LIST, &pt, 0.5, nullptr, &pt_given},
    {"pn=", OPT_LIST, &pn, 1.0, nullptr, &pn_given},
    {"pw=", OPT_LIST, &pw, 1.0, nullptr, &pw_given},
    {"tau=", OPT_LIST, &tau, 0.0, nullptr, &tau_given},
    {"adaptive=", OPT_INT, &adaptive, 0, nullptr, nullptr},
    {"ad_size=", OPT_INT, &ad_size, 10, nullptr, nullptr},
    {"ad_memory=", OPT_REAL, &ad_memory, 0.99, nullptr, nullptr},
    {"ad_levels=", OPT_INT, &ad_levels, 256, nullptr, nullptr},
    {"ad_pt_min=", OPT_REAL, &ad_pt_min, 0.01, nullptr, nullptr},
    {"ad_var=", OPT_REAL, &ad_var, 0, nullptr, nullptr},
    {"ad_avg_type=", OPT_INT, &ad_avg_type, 0, nullptr, nullptr},
    {"ad_runs=", OPT_SCHEDULE, &ad_runs, 0, nullptr, nullptr},
    {"debug=", OPT_INT, &debug, 2, nullptr, nullptr},
    {"ath_real=", OPT_INT, &ath_real, 0, nullptr, nullptr},
    {"fixed_ack_rate=", OPT_INT, &fixed_ack_rate, 0, nullptr, nullptr},
    {"codebook=", OPT_FILE, &codewords, 0, nullptr, nullptr},
    {"classes=", OPT_FILE, &classes, 0, nullptr, nullptr},
    {"fsf_type=", OPT_KEYWORD, &fsf_type, 0, "none", nullptr},
    {"fsf_prob=", OPT_REAL, &fsf_prob, 0.1, nullptr, nullptr},
    {"fsf_num=", OPT_INT, &fsf_num, 1, nullptr, nullptr},
    {"fsf_tau=", OPT_REAL, &fsf_tau, 0.75, nullptr, nullptr},
    {"fsf_fbk=", OPT_KEYWORD, &fsf_fbk, 0, "class", nullptr},
    {"rssi_min=", OPT_REAL, &rssi_min, -99.0, nullptr, nullptr},
    {"rssi_max=", OPT_REAL, &rssi_max, -52.0, nullptr, nullptr},
    {"rssi_avg=", OPT_REAL, &rssi_avg, -62.0, nullptr, nullptr},
    {"rssi_thresh=", OPT_REAL, &rssi_thresh, -82.0, nullptr, nullptr},
    {"rssi_type=", OPT_INT, &rssi_flat, 0, nullptr, nullptr},
    {"seed=", OPT_SEED, &seed, 0, nullptr, nullptr},
    {nullptr, OPT_INT, &ns_pdf_size, 4096, nullptr, nullptr},
};
const int optionCount = sizeof optionTable / sizeof optionTable[0];

void ApplyBuiltinOptions() {
  for (const OPTION &option : optionTable) {
    switch (option.kind) {
      case OPT_INT:
      case OPT_FORCENS: *static_cast<int32_t *>(option.target) = int32_t(option.number); break;
      case OPT_REAL: *static_cast<double *>(option.target) = option.number; break;
      case OPT_LIST: *static_cast<double **>(option.target) = nullptr; break;
      case OPT_FILE: *static_cast<BINCODES *>(option.target) = BINCODES{}; break;
      case OPT_SCHEDULE: *static_cast<ADRUNS *>(option.target) = ADRUNS{}; break;
      case OPT_KEYWORD: *static_cast<const char **>(option.target) = option.text; break;
      case OPT_SEED: *static_cast<uint32_t *>(option.target) = 0; break;
    }
    if (option.given) *option.given = 0;
  }
  seed_given = 0;
}

double OptionBuiltin(const char *word) {
  for (const OPTION &option : optionTable)
    if (option.word && strcmp(option.word, word) == 0) return option.number;
  return 0.0;
}
