// The node-count schedule "i:nn[,i:nn...]": from iteration i on, the run uses nn active nodes.
#pragma once

#include "core/records.h"
#include "support/alloc.h"

// Reads the schedule text. Ends the process with status 1, quoting the text, when it is not a
// comma-separated list of iteration:count pairs of 32-bit integers with counts above 0.
ADRUNS AdaptReadRuns(MEMORY &memory, const char *text);
