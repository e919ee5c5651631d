// Filling of the operation slots from the keyword options, repeat and interleave, and the choice of
// the basic session's paths from the same tables.
#pragma once

// Feedback keyword, then fading keyword, then repeat, then interleave; an unknown keyword or a
// repeat below 1 ends the process with status 3.
void FillOperationSlots();

// Sets session_paths once the slots, the codeword draw and the referee tables are ready:
// uniform_codewords when every round draws its codewords uniformly.
void ChooseSessionPaths(bool uniform_codewords);

// The i-th keyword (from 0) that the keyword option of the global target accepts; null past the
// last one and for any other global.
const char *OptionKeyword(const void *target, int i);
