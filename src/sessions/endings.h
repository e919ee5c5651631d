// The bookkeeping shared by every session routine when a session ends: with a success (the
// winner's counters, delays, waiting counts, the adaptive estimate, the histograms, the clock) or
// without one (a collision or a protocol failure).
#pragma once

#include <cstdint>

#include "core/records.h"

// Books a success of winner in round; returns 1.
int32_t EndWithSuccess(SIM &S, NODE *winner, int32_t round);
// Books a session without success (recorded at round index ns); returns 0.
int32_t EndWithoutSuccess(SIM &S);
// Makes list a view of the first count members of source (no copy).
inline void ViewOf(NODELIST *list, const NODELIST *source, int32_t count) {
  list->members = source->members;
  list->count = count;
}
inline void Append(NODELIST *list, NODE *node) { list->members[list->count++] = node; }
