// Codebook and classes files, binary-string conversions and the default one-hot codebook.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "support/alloc.h"

// Reads a file of words, one binary string per line, most significant bit first. Characters
// other than '0', '1' and newline are skipped; nbits is the digit count of the last word line.
// Ends the process with status 1 when the file cannot be opened or read, is larger than 64 MiB,
// holds no word, has a line of more than 32 digits or a word that does not fit in nbits bits.
BINCODES CodesReadFile(MEMORY &memory, const char *path);

// The value of a string of '0'/'1', first character most significant.
int32_t btoi(const char *text);
// The len low bits of value as a new string of '0'/'1', most significant first (free with MyFree).
char *itob(MEMORY &memory, int32_t value, int32_t len);

// The oblivious codebook of base length base_nf repeated repeat times: word i has the bits
// i, i + base_nf, ..., i + (repeat - 1) base_nf. Installed as both codewords and classes.
// The total length base_nf * repeat must be at most kMaxWordBits.
void BuildDefaultCodebook(SIM &S, int32_t base_nf, int32_t repeat);
