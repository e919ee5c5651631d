// The superposed word of a contention slot under the fading-mask model: the OR of each
// transmitter's word restricted to its mask.
#pragma once

#include "core/records.h"

void ClearORedWordMask(SIM &S);
void BuildORedWordMask(SIM &S, NODE *node);
void ExtractORedWordMask(SIM &S);
