// Filling of the operation slots from the keyword options, repeat and interleave.
#pragma once

// Feedback keyword, then fading keyword, then repeat, then interleave; an unknown keyword or a
// repeat below 1 ends the process with status 3.
void FillOperationSlots();

// The i-th keyword (from 0) that the keyword option of the global target accepts; null past the
// last one and for any other global.
const char *OptionKeyword(const void *target, int i);
