// The set-up that turns the parsed options into a ready simulation state: per-round lists, timing,
// histograms, the default codebook, referee tables, received-power buffers, node records, the
// adaptive start, the codeword-draw slot, working lists, Hamming tables and power thresholds.
#pragma once

#include <cstdint>

// Runs every set-up step in order; failures end the process with their status.
void InitSimVars();

// The steps that tests exercise one by one.
void CompleteRoundLists();
int32_t LargestNodeCount();
void SetUpDefaultCodebook();
void AllocateRSSIBuffers();
void AllocateNodes();
void AllocateNodeLists();
