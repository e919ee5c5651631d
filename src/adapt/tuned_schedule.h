// The tuned schedule of the adaptive mode: a table of (pt[0], pt[1], pt[2]) triples for 3-round
// sessions, indexed by the estimated number of active nodes.
#pragma once

#include <cstdint>

const int32_t kHeurRows = 1001;

// Row n: the schedule tuned for n active nodes. Rows 0, 1, the telling rows and 501 to 505 hold
// the tuned values, the rows between telling rows are interpolated, rows 506 to 1000 are zero.
const double *HeurRow(int32_t n);

// The row to use for an estimate of n nodes (rows 2 to 500); ends the process with status 2 when
// ns is not 3.
const double *HeurFetchPt(int32_t n, int32_t ns);
