// The superposed word of a basic session's contention slot under the received-power model: the
// per-subcarrier power sums of the transmitters, compared with the detection threshold.
#pragma once

#include "core/records.h"

void ClearORedWordRSSI(SIM &S);
// Adds the node's powers (which already carry its fading) on the subcarriers of its word.
void BuildORedWordRSSI(SIM &S, NODE *node);
// ORed_word = the subcarriers whose sum reaches the threshold (a sum that is not a number does not).
void ExtractORedWordRSSI(SIM &S);
