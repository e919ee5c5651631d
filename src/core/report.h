// The results report: the run's counters turned into success probability, throughput and delay,
// written as comma-separated text on standard output (per-node table, header, summary line,
// rounds table, waiting-time table).
#pragma once

#include <cstdint>

// The figures of the summary line that are computed rather than copied from the state.
struct FIGURES {
  double Ps, Pc, T_avg, runtime, S, D, D_an, D_net, Ps_node, Pc_node, S_node;
  int32_t nn_succ;
  double nn_succ_percentage, T, T_app, pps, pps_node;
  int32_t ns_max;
};

// The figures of a run with successes successful sessions out of runs.
FIGURES ComputeFigures(int32_t successes);
// Writes the whole report.
void Report(int32_t successes);
