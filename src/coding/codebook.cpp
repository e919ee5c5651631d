// The codebook file reader, the binary-string conversions and the default codebook.
#include "coding/codebook.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

const int kMaxDigits = 32;

// The words of a file as they are read, with the line each came from.
struct WORD_READER {
  const char *path;
  int32_t *codes;
  int32_t count, capacity;
  std::vector<int32_t> lines;
  int32_t nbits;
};

void StoreWord(WORD_READER &reader, uint32_t value, int32_t digits, int32_t line) {
  if (reader.count == reader.capacity) {
    reader.capacity *= 2;
    reader.codes = static_cast<int32_t *>(MyRealloc(reader.codes, size_t(reader.capacity) * 4));
  }
  reader.codes[reader.count++] = int32_t(value);
  reader.lines.push_back(line);
  reader.nbits = digits;
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

BINCODES CodesReadFile(const char *path) {
  WORD_READER reader{path, static_cast<int32_t *>(MyMalloc(1024)), 0, 256, {}, 0};
  FILE *file = fopen(path, "r");
  if (!file) {
    int reason = errno;
    printf("Could not open %s\n", path);
    Fail(1, "Error reading file: %s\n", strerror(reason));
  }
  uint32_t value = 0;
  int32_t digits = 0, line = 1;
  for (int c; (c = getc(file)) != EOF;) {
    if (c == '0' || c == '1') {
      if (++digits > kMaxDigits)
        Fail(1, "Error: line %ld of '%s' has more than %d digits.\n", long(line), path, kMaxDigits);
      value = 2 * value + uint32_t(c - '0');
    } else if (c == '\n') {
      if (digits > 0) StoreWord(reader, value, digits, line);
      value = 0;
      digits = 0;
      line++;
    }
  }
  // A last word line without its newline is still a word.
  if (digits > 0) StoreWord(reader, value, digits, line);
  fclose(file);
  if (reader.count == 0)
    Fail(1, "Error: Could not realloc'ate %u bytes of memory. Aborting ...\n", 0u);
  CheckWordsFit(reader);
  BINCODES codes;
  codes.codes = static_cast<int32_t *>(MyRealloc(reader.codes, size_t(reader.count) * 4));
  codes.count = reader.count;
  codes.nbits = reader.nbits;
  return codes;
}

int32_t btoi(const char *text) {
  uint32_t value = 0;
  for (; *text; text++) value = 2 * value + uint32_t(*text == '1');
  return int32_t(value);
}

char *itob(int32_t value, int32_t len) {
  if (len < 0) len = 0;
  char *text = static_cast<char *>(MyCalloc(size_t(len) + 1, 1));
  for (int32_t k = 0; k < len; k++) {
    int32_t bit = len - 1 - k;
    text[k] = bit < 32 && (uint32_t(value) >> bit) & 1u ? '1' : '0';
  }
  return text;
}

void BuildDefaultCodebook(int32_t base_nf, int32_t repeat) {
  int32_t *words = static_cast<int32_t *>(MyMalloc(size_t(base_nf) * 4));
  for (int32_t i = 0; i < base_nf; i++) {
    uint32_t word = 0;
    for (int32_t r = 0; r < repeat; r++) word |= 1u << (r * base_nf + i);
    words[i] = int32_t(word);
  }
  codewords = BINCODES{words, base_nf, base_nf * repeat};
  classes = codewords;
}
