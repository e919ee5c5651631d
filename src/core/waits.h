// A node's waiting counts: the sessions won by others and the sessions without a winner since its
// own last success. An active node's counts are kept relative to the run's counts of such sessions
// (won_sessions, unwon_sessions), so that the end of a session touches no node for them; an
// inactive node's counts are kept as they are, and stand still.
#pragma once

#include <cstdint>

#include "core/state.h"

inline bool IsActive(const SIM &S, const NODE *node) { return node->id < S.nn; }

inline int64_t WaitSucc(const SIM &S, const NODE *node) {
  return node->wait_succ + (IsActive(S, node) ? S.won_sessions : 0);
}
inline int64_t WaitColl(const SIM &S, const NODE *node) {
  return node->wait_coll + (IsActive(S, node) ? S.unwon_sessions : 0);
}
inline void SetWaits(SIM &S, NODE *node, int64_t succ, int64_t coll) {
  node->wait_succ = succ - (IsActive(S, node) ? S.won_sessions : 0);
  node->wait_coll = coll - (IsActive(S, node) ? S.unwon_sessions : 0);
}

// Makes the first n node records the active ones: nodes that leave keep their counts (and the
// sessions since their last success) as they stand, nodes that join go on from theirs.
inline void SetActiveNodes(SIM &S, int32_t n) {
  const int32_t nn = S.nn;
  const int64_t ended = S.won_sessions + S.unwon_sessions;
  for (int32_t i = n < nn ? n : nn; i < (n < nn ? nn : n); i++) {
    const int64_t sign = i < nn ? 1 : -1;  // leaving: relative to absolute; joining: back
    S.nodes[i].wait_succ += sign * S.won_sessions;
    S.nodes[i].wait_coll += sign * S.unwon_sessions;
    // Sessions since the last success, from and back to the stamp: the same exchange both ways.
    if (S.success_stamp) S.success_stamp[i] = ended - S.success_stamp[i];
  }
  S.nn = n;
}
