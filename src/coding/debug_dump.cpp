// The codebook and referee-table dump.
#include "coding/debug_dump.h"

#include <cstdio>

#include "coding/codebook.h"
#include "coding/referee_tables.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

void DumpWords(const char *name, const BINCODES &set, int32_t length) {
  for (int32_t i = 0; i < set.count; i++) {
    char *bits = itob(set.codes[i], length);
    fprintf(stderr, "%s[%2ld] = %4ld (%5s)\n", name, long(i), long(set.codes[i]), bits);
    MyFree(bits);
  }
}

void DumpTableEntry(uint32_t w, int32_t length) {
  char *word = itob(int32_t(w), length);
  char *reply = itob(RefRepliesAt(w), length);
  char *klass = itob(RefClassesAt(w), length);
  fprintf(stderr, "word=%4ld (%5s) --> refword=%2ld (%5s) --> refclass=%2ld (%5s)\n", long(w), word,
          long(RefRepliesIdxAt(w)), reply, long(RefClassesIdxAt(w)), klass);
  MyFree(word);
  MyFree(reply);
  MyFree(klass);
}

}  // namespace

void FSFDebugCodebook(int32_t level) {
  if (debug < level || codewords.count == 0 || classes.count == 0) return;
  int32_t length = codewords.nbits;
  DumpWords("codewords", codewords, length);
  DumpWords("classes", classes, length);
  for (int32_t w = 0; w < refreplies.count; w++) DumpTableEntry(uint32_t(w), length);
  FinishDiagnosticOutput("dump");
  EndProcess(0);
}
