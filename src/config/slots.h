// Filling of the operation slots from the keyword options, repeat and interleave, and the choice of
// the basic session's paths from the same tables.
#pragma once

#include "core/option_list.h"
#include "core/records.h"

// Feedback keyword, random-number mode, fading keyword (the keyed draws' masks with rng=keyed),
// then repeat, then interleave; an unknown keyword or a repeat below 1 ends the process with
// status 3.
void FillOperationSlots(SIM &S);

// Sets session_paths once the slots, the codeword draw and the referee tables are ready:
// uniform_codewords when every round draws its codewords uniformly.
void ChooseSessionPaths(SIM &S, bool uniform_codewords);

// The feedback keyword names the Hamming(7,4) scheme.
bool HammingFeedback(const SIM &S);

// The i-th keyword (from 0) that the keyword option id accepts; null past the last one and for
// any other option.
const char *OptionKeyword(OptionId id, int i);
