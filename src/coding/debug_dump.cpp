// The codebook and referee-table dump.
#include "coding/debug_dump.h"

#include <cstdio>

#include "coding/codebook.h"
#include "coding/referee_tables.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

void DumpWords(SIM &S, const char *name, const BINCODES &set, int32_t length) {
  for (int32_t i = 0; i < set.count; i++) {
    char *bits = itob(S.memory, set.codes[i], length);
    fprintf(stderr, "%s[%2ld] = %4ld (%5s)\n", name, long(i), long(set.codes[i]), bits);
    MyFree(S.memory, bits);
  }
}

void DumpTableEntry(SIM &S, uint32_t w, int32_t length) {
  char *word = itob(S.memory, int32_t(w), length);
  char *reply = itob(S.memory, RefRepliesAt(S, w), length);
  char *klass = itob(S.memory, RefClassesAt(S, w), length);
  fprintf(stderr, "word=%4ld (%5s) --> refword=%2ld (%5s) --> refclass=%2ld (%5s)\n", long(w), word,
          long(RefRepliesIdxAt(S, w)), reply, long(RefClassesIdxAt(S, w)), klass);
  MyFree(S.memory, word);
  MyFree(S.memory, reply);
  MyFree(S.memory, klass);
}

}  // namespace

void FSFDebugCodebook(SIM &S, int32_t level) {
  if (S.debug < level || S.codewords.count == 0 || S.classes.count == 0) return;
  int32_t length = S.codewords.nbits;
  DumpWords(S, "codewords", S.codewords, length);
  DumpWords(S, "classes", S.classes, length);
  for (int32_t w = 0; w < S.refreplies.count; w++) DumpTableEntry(S, uint32_t(w), length);
  FinishDiagnosticOutput("dump");
  EndProcess(0);
}
