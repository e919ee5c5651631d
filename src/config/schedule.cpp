// The schedule builder of the pt types.
#include "config/schedule.h"

#include <cmath>

#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

double *PopulatePtArray(SIM &S) {
  const int32_t ns = S.ns;
  double *values = static_cast<double *>(MyMalloc(S.memory, size_t(ns) * sizeof(double)));
  for (int32_t i = 0; i < ns; i++) {
    switch (S.type) {
      case 1: break;
      case 2: values[i] = S.jumpstart * pow(2.0, i - ns); break;
      case 3: values[i] = S.jumpstart * pow(2.0, -pow(2.0, ns + 1 - i)); break;
      case 4:
        // A single round has no spread to cover: it gets pt_start.
        values[i] = ns == 1 ? S.pt_start
                            : S.pt_start + (S.pt_end - S.pt_start) * pow(double(i) / (ns - 1), S.pt_exp);
        break;
      default: Fail(1, "Invalid pt type: %ld\n", long(S.type));
    }
  }
  return values;
}
