// The tuned schedule table of 3-round sessions.
#include "adapt/tuned_schedule.h"

#include <cmath>

#include "support/fail.h"

namespace {

struct TELLING_ROW {
  int32_t n;
  double pt[3];
};

// The tuned rows; every row between two of them is their linear interpolation in n.
const TELLING_ROW tellingRows[] = {
    {0, {0.5, 0.5, 0.5}},
    {1, {0.4836, 0.5098, 0.5472}},
    {2, {0.4718, 0.5367, 0.6824}},
    {3, {0.4623, 0.5778, 0.7824}},
    {4, {0.4582, 0.651, 0.8115}},
    {5, {0.4521, 0.7147, 0.825}},
    {6, {0.4355, 0.752, 0.8351}},
    {8, {0.3771, 0.7738, 0.8433}},
    {10, {0.3252, 0.7803, 0.8456}},
    {12, {0.2877, 0.7868, 0.8462}},
    {15, {0.2473, 0.7954, 0.8458}},
    {20, {0.2026, 0.8049, 0.8443}},
    {25, {0.1728, 0.8095, 0.8433}},
    {30, {0.1513, 0.8111, 0.8427}},
    {40, {0.1218, 0.811, 0.8424}},
    {50, {0.1024, 0.8102, 0.8428}},
    {75, {0.0737, 0.8093, 0.844}},
    {100, {0.0578, 0.8093, 0.8453}},
    {150, {0.0404, 0.8105, 0.8475}},
    {200, {0.031, 0.8121, 0.8493}},
    {300, {0.021, 0.8143, 0.8514}},
    {400, {0.0158, 0.8152, 0.8521}},
    {500, {0.0128, 0.815, 0.8522}},
};
const int kTellingCount = sizeof tellingRows / sizeof tellingRows[0];
// Rows 501 to 505 repeat row 500; the rows after them are zero.
const int32_t kLastTunedRow = 505;

double RoundTo4Decimals(double x) { return round(x * 10000.0) / 10000.0; }

struct HEUR_TABLE {
  double rows[kHeurRows][3];
};

HEUR_TABLE DeriveTable() {
  HEUR_TABLE table{};
  for (int k = 0; k + 1 < kTellingCount; k++) {
    const TELLING_ROW &lo = tellingRows[k], &hi = tellingRows[k + 1];
    for (int32_t n = lo.n; n < hi.n; n++)
      for (int j = 0; j < 3; j++) {
        double share = double(n - lo.n) / (hi.n - lo.n);
        table.rows[n][j] = RoundTo4Decimals(lo.pt[j] + (hi.pt[j] - lo.pt[j]) * share);
      }
  }
  const TELLING_ROW &last = tellingRows[kTellingCount - 1];
  for (int32_t n = last.n; n <= kLastTunedRow; n++)
    for (int j = 0; j < 3; j++) table.rows[n][j] = last.pt[j];
  return table;
}

}  // namespace

const double *HeurRow(int32_t n) {
  static const HEUR_TABLE heur_nodes_pt_ns3 = DeriveTable();
  return heur_nodes_pt_ns3.rows[n];
}

const double *HeurFetchPt(int32_t n, int32_t ns) {
  if (ns != 3) Fail(2, "Heuristic pt values not tabled for ns = %ld.\n", long(ns));
  return HeurRow(n <= 2 ? 2 : n > 500 ? 500 : n);
}
