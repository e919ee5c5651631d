// Definitions of the process-wide simulation state and its reset to the start values.
#include "core/state.h"

#include <algorithm>

#include "support/reset.h"

#define QRVL_DEFINE_STATE(type, name, initial) type name initial;
QRVL_STATE(QRVL_DEFINE_STATE)
#undef QRVL_DEFINE_STATE

namespace {

template <class T>
void ResetTo(T &value, const T &initial) {
  value = initial;
}

template <class T, size_t N>
void ResetTo(T (&values)[N], const T (&initial)[N]) {
  std::copy(initial, initial + N, values);
}

}  // namespace

void ResetState() {
  ResetSupport();
#define QRVL_RESET_STATE(type, name, initial) \
  {                                           \
    type const start initial;                 \
    ResetTo(name, start);                     \
  }
  QRVL_STATE(QRVL_RESET_STATE)
#undef QRVL_RESET_STATE
}
