// Figures, the summary columns and the output tables of the results report.
#include "core/report.h"

#include <cmath>
#include <cstdio>

#include "core/state.h"

#define COUNT(name, value) \
  { name, []([[maybe_unused]] const FIGURES &f) -> int64_t { return value; }, nullptr }
#define REAL(name, value) \
  { name, nullptr, []([[maybe_unused]] const FIGURES &f) -> double { return value; } }

// clang-format off
const SUMMARY_COLUMN summaryColumns[] = {
    COUNT("runs", f.sessions), COUNT("B", B), COUNT("DATA", DATA), COUNT("APP", APP),
    REAL("sifs", sifs), REAL("difs", difs), REAL("ts", ts), COUNT("nn", nn), COUNT("refs", refs),
    COUNT("nf", nf), COUNT("ns", ns), COUNT("failures", failures),
    COUNT("successes", f.successes), COUNT("ns_max", f.ns_max), REAL("Ps", f.Ps),
    REAL("Pc", f.Pc), REAL("S", f.S), REAL("D", f.D), REAL("D_an", f.D_an),
    REAL("D_net", f.D_net), REAL("Ps_node", f.Ps_node), REAL("Pc_node", f.Pc_node),
    REAL("S_node", f.S_node), REAL("runtime", f.runtime), COUNT("nn_succ", f.nn_succ),
    REAL("nn_succ_percentage", f.nn_succ_percentage), COUNT("min_frames", min_frames),
    REAL("T", f.T), REAL("T_app", f.T_app), COUNT("fsf_num", fsf_num),
    REAL("fsf_prob", fsf_prob), REAL("fsf_tau", fsf_tau), REAL("rssi_min", rssi_min),
    REAL("rssi_max", rssi_max), REAL("rssi_avg", rssi_avg), REAL("rssi_thresh", rssi_thresh),
    REAL("pps", f.pps), REAL("pps_node", f.pps_node),
};
// clang-format on
const int kSummaryColumnCount = sizeof summaryColumns / sizeof summaryColumns[0];

#undef COUNT
#undef REAL

namespace {

double ZeroUnlessFinite(double x) { return std::isfinite(x) ? x : 0.0; }

// The last round index at which any session ended (0 when none did).
int32_t LastRoundUsed() {
  int32_t last = 0;
  for (int32_t i = 0; i < ns_pdf_size; i++)
    if (ns_pdf[i] != 0) last = i;
  return last;
}

void PrintNodeTable(const FIGURES &f) {
  printf("nn, ns, nf, node, successes, Ps, Pt, pdf\n");
  const double R = double(f.sessions), Sn = double(f.successes);
  for (int32_t i = 0; i < nn; i++) {
    const NODE &node = nodes[i];
    printf("%ld, %ld, %ld, %ld, %ld, %g, %g, %g\n", long(nn), long(ns), long(nf), long(i + 1),
           long(node.successes), double(node.successes) / R, double(node.transmissions) / R,
           double(node.successes) / Sn);
  }
}

// The per-round columns after the summary's: pt, tau and pn of every round.
struct ROUND_LIST {
  const char *name;
  double *const *values;
};
const ROUND_LIST roundLists[] = {{"pt", &pt}, {"tau", &tau}, {"pn", &pn}};

void PrintHeader() {
  for (int i = 0; i < kSummaryColumnCount; i++)
    printf("%s%s", i ? ", " : "", summaryColumns[i].name);
  for (const ROUND_LIST &list : roundLists)
    for (int32_t i = 0; i < ns; i++) printf(", %s[%ld]", list.name, long(i));
  printf("\n");
}

void PrintSummary(const FIGURES &f) {
  for (int i = 0; i < kSummaryColumnCount; i++) {
    const SUMMARY_COLUMN &column = summaryColumns[i];
    if (i) printf(", ");
    if (column.count)
      printf("%ld", long(column.count(f)));
    else
      printf("%g", column.real(f));
  }
  if (debug >= 0)
    for (const ROUND_LIST &list : roundLists)
      for (int32_t i = 0; i < ns; i++) printf(", %g", (*list.values)[i]);
  printf("\n");
}

// Sessions by the round in which they ended; the row of index ns (no success) has no pt.
void PrintRoundsTable(int32_t last) {
  double total = 0.0;
  for (int32_t j = 0; j <= last; j++) total += double(ns_pdf[j]);
  printf("nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n");
  double cumulative = 0.0;
  for (int32_t j = 0; j <= last; j++) {
    cumulative += double(ns_pdf[j]);
    printf("%ld, %ld, %ld, %g, %ld, %ld, %g, %g\n", long(nn), long(ns), long(nf),
           j < ns ? pt[j] : NAN, long(j), long(ns_pdf[j]), double(ns_pdf[j]) / total,
           cumulative / total);
  }
}

void PrintWaitingTable() {
  double total = 0.0;
  int32_t last = 0;
  for (int32_t i = 0; i < tx_wait_hist_size; i++) {
    total += double(tx_wait_hist[i]);
    if (tx_wait_hist[i] != 0) last = i;
  }
  printf("txwait, prob, num\n");
  for (int32_t i = 0; i <= last; i++)
    printf("%4ld, %g, %ld\n", long(i), double(tx_wait_hist[i]) / total, long(tx_wait_hist[i]));
}

}  // namespace

FIGURES ComputeFigures(int64_t sessions, int64_t successes) {
  FIGURES f{};
  f.sessions = sessions;
  f.successes = successes;
  double R = double(sessions), Sn = double(successes);
  f.Ps = Sn / R;
  f.Pc = 1 - f.Ps;
  f.T_avg = f.Ps * t_succ + (1 - f.Ps) * t_coll;
  f.runtime = R * f.T_avg;
  f.S = f.Ps * ((double(DATA) + APP) / B) / f.T_avg;
  double delay_sum = 0.0;
  for (int32_t i = 0; i < nn; i++)
    if (nodes[i].successes >= 2) {
      delay_sum += nodes[i].t_delay_sum / double(nodes[i].successes - 1);
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
  f.ns_max = LastRoundUsed();
  return f;
}

void Report(int64_t sessions, int64_t successes) {
  FIGURES f = ComputeFigures(sessions, successes);
  if (pdf_nodes) PrintNodeTable(f);
  if (debug > 0) PrintHeader();
  PrintSummary(f);
  if (pdf_rounds) PrintRoundsTable(f.ns_max);
  if (pdf_tx_wait) PrintWaitingTable();
}
