// The bookkeeping shared by every session routine when a session ends: with a success (the
// winner's counters, delays, waiting counts, the adaptive estimate, the histograms, the clock) or
// without one (a collision or a protocol failure). The common case is in line, the rest apart.
#pragma once

#include <cstdint>

#include "core/state.h"

// What a success books only in some runs: the adaptive estimate, the waiting-time histogram and
// whether the frame quota is met; before the winner's waiting counts start again.
void BookSuccessExtras(SIM &S, const NODE *winner);
// Adds the session's duration to every active node's time since its success, when those times
// are not read from the k-fold sums (durations that differ).
void AddToTimesSinceSuccess(SIM &S, double duration);
// The k-fold sum of the one duration for k past the table, added up from its last entry.
double SinceSumBeyond(const SIM &S, int64_t k);
// A worker's logging of a session's ending (see OUTCOME_LOG); returns 1 and 0 as the endings do.
[[gnu::cold, gnu::noinline]] int32_t LogSuccess(SIM &S, const NODE *winner, int32_t round);
[[gnu::cold, gnu::noinline]] int32_t LogWithoutSuccess(SIM &S);
[[gnu::cold, gnu::noinline]] void LogFrame(SIM &S, const NODE *node);
// Ends the run with status 4: a histogram index is past its end.
[[noreturn]] void HistogramOverflow(SIM &S, const char *name, int64_t index, int32_t size);

// Counts one entry of a histogram, ending the run with status 4 when the index is past its end.
inline void CountIn(SIM &S, int64_t *histogram, int64_t index, int32_t size, const char *name) {
  if (index >= size) [[unlikely]] HistogramOverflow(S, name, index, size);
  histogram[index]++;
}

// The winner's time since its last success, before this session's duration.
[[gnu::always_inline]] inline double TimeSinceSuccess(const SIM &S, const NODE *winner) {
  if (!S.since_sums) return S.t_since_succ[winner->id];
  const int64_t k = S.won_sessions + S.unwon_sessions - S.success_stamp[winner->id];
  return k < S.since_sums_size ? S.since_sums[k] : SinceSumBeyond(S, k);
}

// A frame node sent in the session: counted in its transmissions.
[[gnu::always_inline]] inline void CountFrame(SIM &S, NODE *node) {
  node->transmissions++;
  if (S.outcomes) [[unlikely]]
    LogFrame(S, node);
}

// Books a success of winner in round; returns 1.
[[gnu::always_inline]] inline int32_t EndWithSuccess(SIM &S, NODE *winner, int32_t round) {
  if (S.outcomes) [[unlikely]]
    return LogSuccess(S, winner, round);
  const double t_succ = S.t_succ;
  const int64_t successes = winner->successes;
  winner->t_delay_sum =
      successes > 0 ? winner->t_delay_sum + (TimeSinceSuccess(S, winner) + t_succ) : 0.0;
  winner->successes = successes + 1;
  if (S.success_extras) [[unlikely]]
    BookSuccessExtras(S, winner);
  else
    S.over_min_frames = 1;
  const int64_t won = S.won_sessions, unwon = S.unwon_sessions;
  // Every active node has waited one more session; the winner's counts start again.
  S.won_sessions = won + 1;
  winner->wait_succ = -(won + 1);
  winner->wait_coll = -unwon;
  if (S.since_sums) {
    S.success_stamp[winner->id] = won + 1 + unwon;
  } else {
    AddToTimesSinceSuccess(S, t_succ);
    S.t_since_succ[winner->id] = 0.0;
  }
  S.t_elapsed += t_succ;
  CountIn(S, S.ns_pdf, round, S.ns_pdf_size, "ns_pdf");
  return 1;
}

// Books a session without success (recorded at round index ns); returns 0.
[[gnu::always_inline]] inline int32_t EndWithoutSuccess(SIM &S) {
  if (S.outcomes) [[unlikely]]
    return LogWithoutSuccess(S);
  S.unwon_sessions++;
  if (!S.since_sums) AddToTimesSinceSuccess(S, S.t_coll);
  CountIn(S, S.ns_pdf, S.ns, S.ns_pdf_size, "ns_pdf");
  S.t_elapsed += S.t_coll;
  return 0;
}

// Makes list a view of the first count members of source (no copy).
inline void ViewOf(NODELIST *list, const NODELIST *source, int32_t count) {
  list->members = source->members;
  list->count = count;
}
inline void Append(NODELIST *list, NODE *node) { list->members[list->count++] = node; }
