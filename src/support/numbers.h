// Readers of numbers in option values and schedule texts: the lenient integer and real readings
// of the command line (as atol and atof read), the strict seed reading and the list reader.
#pragma once

#include <cstdint>

#include "support/alloc.h"

// Reads text like atol (blanks, a sign, the digits up to the first other character, 0 when there
// are none); false when the value does not fit in 32 bits (*out then unchanged).
bool ReadInt32(const char *text, int32_t *out);
// Reads a seed strictly: decimal digits and nothing else (leading zeros allowed), at most
// 4294967295.
bool ReadSeed(const char *text, uint32_t *out);
// Splits comma-separated text into a new array of doubles (atof per field, an empty field 0.0);
// *count gets the number of values, the number of commas plus one.
double *csvtof(MEMORY &memory, const char *text, int32_t *count);
