// Reader of the node-count schedule text.
#include "adapt/runs_schedule.h"

#include <cctype>
#include <cstring>

#include "support/alloc.h"
#include "support/fail.h"
#include "support/numbers.h"

namespace {

[[noreturn]] void RejectSchedule(const char *text) {
  Fail(1,
       "Error: invalid ad_runs schedule '%s': expected i:nn[,i:nn[,..]] with integer "
       "iterations and node counts above 0.\n",
       text);
}

// Reads one integer at *cursor: blanks, an optional sign, digits, blanks. False when there are no
// digits or the value does not fit in 32 bits.
bool ReadField(const char **cursor, int32_t *value) {
  const char *p = *cursor;
  while (isblank(static_cast<unsigned char>(*p))) p++;
  const char *digits = p + (*p == '-' || *p == '+');
  if (!isdigit(static_cast<unsigned char>(*digits)) || !ReadInt32(p, value)) return false;
  for (p = digits; isdigit(static_cast<unsigned char>(*p)); p++) {
  }
  while (isblank(static_cast<unsigned char>(*p))) p++;
  *cursor = p;
  return true;
}

}  // namespace

ADRUNS AdaptReadRuns(MEMORY &memory, const char *text) {
  int32_t count = 1;
  for (const char *p = text; *p; p++) count += *p == ',';
  ADRUNS schedule;
  schedule.at_run = static_cast<int32_t *>(MyMalloc(memory, size_t(count) * 4));
  schedule.new_nn = static_cast<int32_t *>(MyMalloc(memory, size_t(count) * 4));
  schedule.count = count;
  const char *p = text;
  for (int32_t k = 0; k < count; k++) {
    if (!ReadField(&p, &schedule.at_run[k]) || *p++ != ':') RejectSchedule(text);
    if (!ReadField(&p, &schedule.new_nn[k]) || schedule.new_nn[k] <= 0) RejectSchedule(text);
    if (*p != (k + 1 < count ? ',' : '\0')) RejectSchedule(text);
    p++;
  }
  return schedule;
}
