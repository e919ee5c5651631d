// The codebook dump of debug level 3: codewords, classes and every referee table entry on
// standard error, then the end of the process.
#pragma once

#include <cstdint>

#include "core/records.h"

// Does nothing when debug is below level or a codebook is empty; otherwise dumps and exits 0.
void FSFDebugCodebook(SIM &S, int32_t level);
