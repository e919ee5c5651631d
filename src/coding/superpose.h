// The superposed word of a contention slot, under the fading-mask model (OR of each transmitter's
// word restricted to its mask) and the received-power model (per-subcarrier power sums compared
// with the detection threshold).
#pragma once

#include "core/records.h"

void ClearORedWordMask();
void BuildORedWordMask(NODE *node);
void ExtractORedWordMask();

void ClearORedWordRSSI();
void BuildORedWordRSSI(NODE *node);
void ExtractORedWordRSSI();
