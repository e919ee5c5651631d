// The outcomes of the sessions a worker thread plays for the run's booking thread: for each
// session its winner and round, or none and whether a round was lost outright, and the nodes
// whose frames it counts. The booking thread books them in session order.
#pragma once

#include <cstdint>
#include <vector>

struct SESSION_OUTCOME {
  int32_t winner;       // node identity, or -1: the session ended without success
  int32_t round;        // the winning round
  int32_t failed;       // without success: a decided round kept no contender (a failure)
  uint32_t frames_end;  // the end of this session's entries in OUTCOME_LOG::frames
};

struct OUTCOME_LOG {
  std::vector<SESSION_OUTCOME> sessions;
  std::vector<int32_t> frames;  // identities of the nodes whose frames count, session by session
  int64_t failures_seen = 0;    // the worker's failure count at the last logged session
  void Clear() { sessions.clear(), frames.clear(); }
};
