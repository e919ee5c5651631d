// The memory a set-up will fill, estimated from the options before anything is allocated, so that
// a set-up the machine cannot hold is refused at once instead of filling the memory for minutes.
#pragma once

#include "core/records.h"

// The bytes of the set-up's large tables: per-round lists and the rounds histogram (ns), the
// waiting-time histogram (tx_wait_hist_size), the estimator's window (ad_size, adaptive mode),
// the node records and lists (nn, or the largest count of ad_runs) and the node-pair gain tables
// of the received-power sessions.
double MemoryNeed(const SIM &S);
// Ends the process with status 1 when the estimate exceeds the machine's physical memory, naming
// the options behind the large parts and their sizes.
void CheckMemoryNeed(const SIM &S);
