// Figures and the output tables of the results report.
#include "core/report.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "core/state.h"

namespace {

double ZeroUnlessFinite(double x) { return std::isfinite(x) ? x : 0.0; }

// The last round index at which any session ended (0 when none did).
int32_t LastRoundUsed() {
  int32_t last = 0;
  for (int32_t i = 0; i < ns_pdf_size; i++)
    if (ns_pdf[i] != 0) last = i;
  return last;
}

void PrintNodeTable(int32_t successes) {
  printf("nn, ns, nf, node, successes, Ps, Pt, pdf\n");
  for (int32_t i = 0; i < nn; i++) {
    const NODE &node = nodes[i];
    printf("%ld, %ld, %ld, %ld, %ld, %g, %g, %g\n", long(nn), long(ns), long(nf), long(i + 1),
           long(node.successes), double(node.successes) / runs, double(node.transmissions) / runs,
           double(node.successes) / successes);
  }
}

void PrintHeader() {
  printf(
      "runs, B, DATA, APP, sifs, difs, ts, nn, refs, nf, ns, failures, successes, ns_max, Ps, "
      "Pc, S, D, D_an, D_net, Ps_node, Pc_node, S_node, runtime, nn_succ, nn_succ_percentage, "
      "min_frames, T, T_app, fsf_num, fsf_prob, fsf_tau, rssi_min, rssi_max, rssi_avg, "
      "rssi_thresh, pps, pps_node");
  const char *names[] = {"pt", "tau", "pn"};
  for (const char *name : names)
    for (int32_t i = 0; i < ns; i++) printf(", %s[%ld]", name, long(i));
  printf("\n");
}

void PrintSummary(int32_t successes, const FIGURES &f) {
  printf(
      "%ld, %ld, %ld, %ld, %g, %g, %g, %ld, %ld, %ld, %ld, %ld, %ld, %ld, %g, %g, %g, %g, %g, %g, "
      "%g, %g, %g, %g, %ld, %g, %ld, %g, %g, %ld, %g, %g, %g, %g, %g, %g, %g, %g",
      long(runs), long(B), long(DATA), long(APP), sifs, difs, ts, long(nn), long(refs), long(nf),
      long(ns), long(failures), long(successes), long(f.ns_max), f.Ps, f.Pc, f.S, f.D, f.D_an,
      f.D_net, f.Ps_node, f.Pc_node, f.S_node, f.runtime, long(f.nn_succ), f.nn_succ_percentage,
      long(min_frames), f.T, f.T_app, long(fsf_num), fsf_prob, fsf_tau, rssi_min, rssi_max,
      rssi_avg, rssi_thresh, f.pps, f.pps_node);
  if (debug >= 0)
    for (const double *list : {pt, tau, pn})
      for (int32_t i = 0; i < ns; i++) printf(", %g", list[i]);
  printf("\n");
}

// Sessions by the round in which they ended; the row of index ns (no success) has no pt.
void PrintRoundsTable(int32_t last) {
  double total = 0.0;
  for (int32_t j = 0; j <= last; j++) total += ns_pdf[j];
  printf("nn, ns, nf, pt[slot], slot, successes, pdf, cdf\n");
  double cumulative = 0.0;
  for (int32_t j = 0; j <= last; j++) {
    cumulative += ns_pdf[j];
    printf("%ld, %ld, %ld, %g, %ld, %ld, %g, %g\n", long(nn), long(ns), long(nf),
           j < ns ? pt[j] : NAN, long(j), long(ns_pdf[j]), ns_pdf[j] / total, cumulative / total);
  }
}

void PrintWaitingTable() {
  double total = 0.0;
  int32_t last = 0;
  for (int32_t i = 0; i < tx_wait_hist_size; i++) {
    total += tx_wait_hist[i];
    if (tx_wait_hist[i] != 0) last = i;
  }
  printf("txwait, prob, num\n");
  for (int32_t i = 0; i <= last; i++)
    printf("%4ld, %g, %ld\n", long(i), tx_wait_hist[i] / total, long(tx_wait_hist[i]));
}

}  // namespace

FIGURES ComputeFigures(int32_t successes) {
  FIGURES f{};
  double R = runs, Sn = successes;
  f.Ps = Sn / R;
  f.Pc = 1 - f.Ps;
  f.T_avg = f.Ps * t_succ + (1 - f.Ps) * t_coll;
  f.runtime = R * f.T_avg;
  f.S = f.Ps * ((double(DATA) + APP) / B) / f.T_avg;
  double delay_sum = 0.0;
  for (int32_t i = 0; i < nn; i++)
    if (nodes[i].successes >= 2) {
      delay_sum += nodes[i].t_delay_sum / (nodes[i].successes - 1);
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

void Report(int32_t successes) {
  FIGURES f = ComputeFigures(successes);
  if (pdf_nodes) PrintNodeTable(successes);
  if (debug > 0) PrintHeader();
  PrintSummary(successes, f);
  if (pdf_rounds) PrintRoundsTable(f.ns_max);
  if (pdf_tx_wait) PrintWaitingTable();
}
