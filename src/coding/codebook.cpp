// The codebook file reader, the binary-string conversions and the default codebook.
#include "coding/codebook.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

const int kMaxDigits = 32;
// A larger file is no codebook (and a device such as /dev/zero would never end).
const size_t kMaxFileBytes = size_t(64) << 20;

// A whole file in one recorded block; the file is closed before any failure ends the process.
struct FILE_TEXT {
  char *bytes;
  size_t size;
};

FILE_TEXT ReadWholeFile(MEMORY &memory, const char *path) {
  FILE *file = fopen(path, "r");
  if (!file) {
    int reason = errno;
    printf("Could not open %s\n", path);
    Fail(1, "Error reading file: %s\n", strerror(reason));
  }
  // Room for one byte beyond the limit tells a file that is too large.
  FILE_TEXT text{static_cast<char *>(MyMalloc(memory, 4096)), 0};
  size_t capacity = 4096;
  for (size_t n; (n = fread(text.bytes + text.size, 1, capacity - text.size, file)) > 0;) {
    text.size += n;
    if (text.size > kMaxFileBytes) break;
    if (text.size == capacity) {
      capacity = std::min(2 * capacity, kMaxFileBytes + 1);
      text.bytes = static_cast<char *>(MyRealloc(memory, text.bytes, capacity));
    }
  }
  int reason = ferror(file) ? errno : 0;
  fclose(file);
  if (reason) Fail(1, "Error reading file: %s: %s\n", path, strerror(reason));
  if (text.size > kMaxFileBytes)
    Fail(1, "Error: '%s' is larger than 64 MiB: not a codebook or classes file.\n", path);
  return text;
}

// The words of a file as they are read, with the line each came from.
struct WORD_READER {
  MEMORY &memory;
  const char *path;
  int32_t *codes, *lines;
  int32_t count, capacity;
  int32_t nbits;
};

void StoreWord(WORD_READER &reader, uint32_t value, int32_t digits, int32_t line) {
  if (reader.count == reader.capacity) {
    reader.capacity *= 2;
    reader.codes = static_cast<int32_t *>(
        MyRealloc(reader.memory, reader.codes, size_t(reader.capacity) * 4));
    reader.lines = static_cast<int32_t *>(
        MyRealloc(reader.memory, reader.lines, size_t(reader.capacity) * 4));
  }
  reader.lines[reader.count] = line;
  reader.codes[reader.count++] = int32_t(value);
  reader.nbits = digits;
}

// The word of a line's digits, when the line has any, converted by the btoi rule.
void StoreLine(WORD_READER &reader, char *digit_text, int32_t digits, int32_t line) {
  if (digits == 0) return;
  digit_text[digits] = '\0';
  StoreWord(reader, uint32_t(btoi(digit_text)), digits, line);
}

// Every word must fit in the word length the file ends with, or it would index past the tables
// built for that length.
void CheckWordsFit(const WORD_READER &reader) {
  for (int32_t i = 0; i < reader.count; i++)
    if ((uint64_t(uint32_t(reader.codes[i])) >> reader.nbits) != 0)
      Fail(1,
           "Error: the word on line %ld of '%s' is longer than the %ld bits of the file's last "
           "word line.\n",
           long(reader.lines[i]), reader.path, long(reader.nbits));
}

}  // namespace

BINCODES CodesReadFile(MEMORY &memory, const char *path) {
  FILE_TEXT text = ReadWholeFile(memory, path);
  WORD_READER reader{memory, path, static_cast<int32_t *>(MyMalloc(memory, 1024)),
                     static_cast<int32_t *>(MyMalloc(memory, 1024)), 0, 256, 0};
  char digit_text[kMaxDigits + 1];  // the digits of the line so far
  int32_t digits = 0, line = 1;
  for (size_t i = 0; i < text.size; i++) {
    const char c = text.bytes[i];
    if (c == '0' || c == '1') {
      if (digits == kMaxDigits)
        Fail(1, "Error: line %ld of '%s' has more than %d digits.\n", long(line), path, kMaxDigits);
      digit_text[digits++] = c;
    } else if (c == '\n') {
      StoreLine(reader, digit_text, digits, line++);
      digits = 0;
    }
  }
  // A last word line without its newline is still a word.
  StoreLine(reader, digit_text, digits, line);
  MyFree(memory, text.bytes);
  if (reader.count == 0)
    Fail(1, "Error: Could not realloc'ate %u bytes of memory. Aborting ...\n", 0u);
  CheckWordsFit(reader);
  MyFree(memory, reader.lines);
  BINCODES codes;
  codes.codes = static_cast<int32_t *>(MyRealloc(memory, reader.codes, size_t(reader.count) * 4));
  codes.count = reader.count;
  codes.nbits = reader.nbits;
  return codes;
}

int32_t btoi(const char *text) {
  uint32_t value = 0;
  for (; *text; text++) value = 2 * value + uint32_t(*text == '1');
  return int32_t(value);
}

char *itob(MEMORY &memory, int32_t value, int32_t len) {
  if (len < 0) len = 0;
  char *text = static_cast<char *>(MyCalloc(memory, size_t(len) + 1, 1));
  for (int32_t k = 0; k < len; k++) {
    int32_t bit = len - 1 - k;
    text[k] = bit < 32 && (uint32_t(value) >> bit) & 1u ? '1' : '0';
  }
  return text;
}

void BuildDefaultCodebook(SIM &S, int32_t base_nf, int32_t repeat) {
  int32_t *words = static_cast<int32_t *>(MyMalloc(S.memory, size_t(base_nf) * 4));
  for (int32_t i = 0; i < base_nf; i++) {
    uint32_t word = 0;
    for (int32_t r = 0; r < repeat; r++) word |= 1u << (r * base_nf + i);
    words[i] = int32_t(word);
  }
  S.codewords = BINCODES{words, base_nf, base_nf * repeat};
  S.classes = S.codewords;
}
