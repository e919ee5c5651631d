// The results report: the run's counters turned into success probability, throughput and delay,
// written as comma-separated text on standard output (per-node table, header, summary line,
// rounds table, waiting-time table). The summary line's columns are one table, from which the
// header, the line and --describe's column list all follow.
#pragma once

#include <cstdint>

#include "core/records.h"

// The figures of the summary line that are computed rather than copied from the state, with the
// run's counts of sessions and successful sessions.
struct FIGURES {
  int64_t sessions, successes;
  double Ps, Pc, T_avg, runtime, S, D, D_an, D_net, Ps_node, Pc_node, S_node;
  int32_t nn_succ;
  double nn_succ_percentage, T, T_app, pps, pps_node;
  int32_t ns_max;
};

// A column of the summary line: its name, and its value as an integer (printed "%ld") or as a
// real (printed "%g"); exactly one of the two is set.
struct SUMMARY_COLUMN {
  const char *name;
  int64_t (*count)(const SIM &S, const FIGURES &f);
  double (*real)(const SIM &S, const FIGURES &f);
};
extern const SUMMARY_COLUMN summaryColumns[];
extern const int kSummaryColumnCount;

// The figures of a run of the given sessions, of which successes ended in a success.
FIGURES ComputeFigures(const SIM &S, int64_t sessions, int64_t successes);
// Writes the whole report.
void Report(const SIM &S, int64_t sessions, int64_t successes);
