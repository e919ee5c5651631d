// Figures, the summary columns and the output tables of the results report.
#include "core/report.h"

#include <cmath>
#include <cstdio>

#include "core/state.h"

#define UNUSED [[maybe_unused]]
#define COUNT(name, value) \
  { name, [](UNUSED const SIM &S, UNUSED const FIGURES &f) -> int64_t { return value; }, nullptr }
#define REAL(name, value) \
  { name, nullptr, [](UNUSED const SIM &S, UNUSED const FIGURES &f) -> double { return value; } }

// clang-format off
const SUMMARY_COLUMN summaryColumns[] = {
    COUNT("runs", f.sessions), COUNT("B", S.B), COUNT("DATA", S.DATA), COUNT("APP", S.APP),
    REAL("sifs", S.sifs), REAL("difs", S.difs), REAL("ts", S.ts), COUNT("nn", S.nn), COUNT("refs", S.refs),
    COUNT("nf", S.nf), COUNT("ns", S.ns), COUNT("failures", S.failures),
    COUNT("successes", f.successes), COUNT("ns_max", f.ns_max), REAL("Ps", f.Ps),
    REAL("Pc", f.Pc), REAL("S", f.S), REAL("D", f.D), REAL("D_an", f.D_an),
    REAL("D_net", f.D_net), REAL("Ps_node", f.Ps_node), REAL("Pc_node", f.Pc_node),
    REAL("S_node", f.S_node), REAL("runtime", f.runtime), COUNT("nn_succ", f.nn_succ),
    REAL("nn_succ_percentage", f.nn_succ_percentage), COUNT("min_frames", S.min_frames),
    REAL("T", f.T), REAL("T_app", f.T_app), COUNT("fsf_num", S.fsf_num),
    REAL("fsf_prob", S.fsf_prob), REAL("fsf_tau", S.fsf_tau), REAL("rssi_min", S.rssi_min),
    REAL("rssi_max", S.rssi_max), REAL("rssi_avg", S.rssi_avg), REAL("rssi_thresh", S.rssi_thresh),
    REAL("pps", f.pps), REAL("pps_node", f.pps_node),
};
// clang-format on
const int kSummaryColumnCount = sizeof summaryColumns / sizeof summaryColumns[0];

#undef COUNT
#undef REAL
#undef UNUSED

namespace {

double ZeroUnlessFinite(double x) { return std::isfinite(x) ? x : 0.0; }

// The last round index at which any session ended (0 when none did).
int32_t LastRoundUsed(const SIM &S) {
  int32_t last = 0;
  for (int32_t i = 0; i < S.ns_pdf_size; i++)
    if (S.ns_pdf[i] != 0) last = i;
  return last;
}

void PrintNodeTable(const SIM &S, const FIGURES &f) {
  printf("nn, ns, nf, node, successes, Ps, Pt, pdf\n");
  const double R = double(f.sessions), Sn = double(f.successes);
  for (int32_t i = 0; i < S.nn; i++) {
    const NODE &node = S.nodes[i];
    printf("%ld, %ld, %ld, %ld, %ld, %g, %g, %g\n", long(S.nn), long(S.ns), long(S.nf), long(i + 1),
           long(node.successes), double(node.successes) / R, double(node.transmissions) / R,
           double(node.successes) / Sn);
  }
}

// The per-round columns after the summary's: pt, tau and pn of every round.
struct ROUND_LIST {
  const char *name;
  double *PARAMS::*values;
};
const ROUND_LIST roundLists[] = {{"pt", &PARAMS::pt}, {"tau", &PARAMS::tau}, {"pn", &PARAMS::pn}};

void PrintHeader(const SIM &S) {
  for (int i = 0; i < kSummaryColumnCount; i++)
    printf("%s%s", i ? ", " : "", summaryColumns[i].name);
  for (const ROUND_LIST &list : roundLists)
    for (int32_t i = 0; i < S.ns; i++) printf(", %s[%ld]", list.name, long(i));
  printf("\n");
}

void PrintSummary(const SIM &S, const FIGURES &f) {
  for (int i = 0; i < kSummaryColumnCount; i++) {
    const SUMMARY_COLUMN &column = summaryColumns[i];
    if (i) printf(", ");
    if (column.count)
      printf("%ld", long(column.count(S, f)));
    else
      printf("%g", column.real(S, f));
  }
  if (S.debug >= 0)
    for (const ROUND_LIST &list : roundLists)
      for (int32_t i = 0; i < S.ns; i++) printf(", %g", (S.*list.values)[i]);
  printf("\n");
}

// Sessions by the round in which they ended; the row of index ns (no success) has no pt.
void PrintRoundsTable(const SIM &S, int32_t last) {
  double total = 0.0;
  for (int32_t j = 0; j <= last; j++) total += double(S.ns_pdf[j]);
  printf("nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n");
  double cumulative = 0.0;
  for (int32_t j = 0; j <= last; j++) {
    cumulative += double(S.ns_pdf[j]);
    printf("%ld, %ld, %ld, %g, %ld, %ld, %g, %g\n", long(S.nn), long(S.ns), long(S.nf),
           j < S.ns ? S.pt[j] : NAN, long(j), long(S.ns_pdf[j]), double(S.ns_pdf[j]) / total,
           cumulative / total);
  }
}

void PrintWaitingTable(const SIM &S) {
  double total = 0.0;
  int32_t last = 0;
  for (int32_t i = 0; i < S.tx_wait_hist_size; i++) {
    total += double(S.tx_wait_hist[i]);
    if (S.tx_wait_hist[i] != 0) last = i;
  }
  printf("txwait, prob, num\n");
  for (int32_t i = 0; i <= last; i++)
    printf("%4ld, %g, %ld\n", long(i), double(S.tx_wait_hist[i]) / total, long(S.tx_wait_hist[i]));
}

}  // namespace

FIGURES ComputeFigures(const SIM &S, int64_t sessions, int64_t successes) {
  FIGURES f{};
  f.sessions = sessions;
  f.successes = successes;
  const int32_t nn = S.nn, B = S.B, DATA = S.DATA, APP = S.APP;
  double R = double(sessions), Sn = double(successes);
  f.Ps = Sn / R;
  f.Pc = 1 - f.Ps;
  f.T_avg = f.Ps * S.t_succ + (1 - f.Ps) * S.t_coll;
  f.runtime = R * f.T_avg;
  f.S = f.Ps * ((double(DATA) + APP) / B) / f.T_avg;
  double delay_sum = 0.0;
  for (int32_t i = 0; i < nn; i++)
    if (S.nodes[i].successes >= 2) {
      delay_sum += S.nodes[i].t_delay_sum / double(S.nodes[i].successes - 1);
      f.nn_succ++;
    }
  f.D = ZeroUnlessFinite(delay_sum / f.nn_succ);
  f.D_an = ZeroUnlessFinite(f.runtime / Sn * nn);
  f.D_net = ZeroUnlessFinite(f.D / nn);
  f.Ps_node = f.Ps / nn;
  f.Pc_node = 1 - f.Ps / nn;
  f.S_node = f.S / nn;
  f.nn_succ_percentage = double(f.nn_succ) / nn * 100;
  f.T = B * f.S;
  f.T_app = B * f.S * DATA / (double(APP) + DATA);
  f.pps = Sn / f.runtime;
  f.pps_node = f.pps / nn;
  f.ns_max = LastRoundUsed(S);
  return f;
}

void Report(const SIM &S, int64_t sessions, int64_t successes) {
  FIGURES f = ComputeFigures(S, sessions, successes);
  if (S.pdf_nodes) PrintNodeTable(S, f);
  if (S.debug > 0) PrintHeader(S);
  PrintSummary(S, f);
  if (S.pdf_rounds) PrintRoundsTable(S, f.ns_max);
  if (S.pdf_tx_wait) PrintWaitingTable(S);
}
