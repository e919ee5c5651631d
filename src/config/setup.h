// The set-up that turns the parsed options into a ready simulation: per-round lists, timing,
// histograms, the default codebook, referee tables, received-power buffers, node records, the
// adaptive start, the codeword-draw slot, working lists, Hamming tables and power thresholds.
#pragma once

#include <cstdint>

#include "core/records.h"

// Runs every set-up step in order; failures end the process with their status.
void InitSimVars(SIM &S);

// The steps that tests exercise one by one.
void CompleteRoundLists(SIM &S);
int32_t LargestNodeCount(const SIM &S);
void SetUpDefaultCodebook(SIM &S);
void AllocateRSSIBuffers(SIM &S);
void AllocateNodes(SIM &S);
void AllocateNodeLists(SIM &S);
