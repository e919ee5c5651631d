// Number readers.
#include "support/numbers.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/alloc.h"

namespace {

// atol's reading of text: blanks, an optional sign, decimal digits up to the first other
// character, 0 when there are none. *overflow is set when the magnitude exceeds limit.
int64_t ReadDecimal(const char *text, int64_t limit, bool *overflow) {
  while (isspace(static_cast<unsigned char>(*text))) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  int64_t value = 0;
  *overflow = false;
  for (; isdigit(static_cast<unsigned char>(*text)); text++) {
    value = value * 10 + (*text - '0');
    if (value > limit) {
      *overflow = true;
      value = limit;
    }
  }
  return negative ? -value : value;
}

}  // namespace

bool ReadInt32(const char *text, int32_t *out) {
  bool overflow;
  int64_t value = ReadDecimal(text, int64_t(INT32_MAX) + 1, &overflow);
  if (overflow || value < INT32_MIN || value > INT32_MAX) return false;
  *out = int32_t(value);
  return true;
}

bool ReadSeed(const char *text, uint32_t *out) {
  size_t digits = strspn(text, "0123456789");
  if (digits == 0 || text[digits] != '\0') return false;
  // Leading zeros are allowed in any number; the significant digits must fit.
  while (digits > 1 && *text == '0') text++, digits--;
  if (digits > 10) return false;
  uint64_t value = strtoull(text, nullptr, 10);
  if (value > UINT32_MAX) return false;
  *out = uint32_t(value);
  return true;
}

double *csvtof(MEMORY &memory, const char *text, int32_t *count) {
  double *values = nullptr;
  int32_t k = 0;
  for (const char *field = text;; k++) {
    values = static_cast<double *>(MyRealloc(memory, values, size_t(k + 1) * sizeof(double)));
    // atof stops at the comma that closes the field; an empty field gives 0.0.
    values[k] = *field == ',' ? 0.0 : atof(field);
    const char *comma = strchr(field, ',');
    if (!comma) break;
    field = comma + 1;
  }
  *count = k + 1;
  return values;
}
