// The builder of the per-round transmission schedule by the pt type, when no pt= list is given.
#pragma once

#include "core/records.h"

// A new schedule of ns rounds by type: 2 exp, 3 double exp, 4 polynomial; 1 leaves the values to
// the caller. Any other type ends the process with status 1 (tested on the first round only).
double *PopulatePtArray(SIM &S);
