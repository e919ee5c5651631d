// Building the referee lookup tables: the literal one-table rule, and the set-up build that
// searches the closest codeword of each received word once for all four tables.
#include "coding/referee_tables.h"

#include "support/alloc.h"

namespace {

BINCODES NewTable(int32_t bits) {
  size_t entries = size_t(1) << bits;
  BINCODES table{static_cast<int32_t *>(MyMalloc(entries * 4)), int32_t(entries), bits};
  table.codes[0] = 0;
  return table;
}

// The class of every codeword and the reply word of every class. The reply words are made first
// in class order, so a scramble permutation is drawn here, at the first interleaving.
void DeriveClassReplies() {
  class_reply = static_cast<int32_t *>(MyMalloc(size_t(classes.count) * 4));
  for (int32_t c = 0; c < classes.count; c++) class_reply[c] = FSFInterleaveWord(classes.codes[c]);
  codeword_class = static_cast<int32_t *>(MyMalloc(size_t(codewords.count) * 4));
  for (int32_t t = 0; t < codewords.count; t++)
    codeword_class[t] = FSFFindWinningWord(codewords.codes[t], &classes);
}

MEMO_ENTRY *NewMemo() {
  size_t entries = size_t(1) << kMemoBits;
  MEMO_ENTRY *memo = static_cast<MEMO_ENTRY *>(MyMalloc(entries * sizeof(MEMO_ENTRY)));
  // No received word has all bits set, so this key never matches.
  for (size_t i = 0; i < entries; i++) memo[i] = MEMO_ENTRY{~0u, 0};
  return memo;
}

void FillFullTables(int32_t bits) {
  refreplies = NewTable(bits);
  refreplies_idx = NewTable(bits);
  refclasses = NewTable(bits);
  refclasses_idx = NewTable(bits);
  for (int32_t w = 1; w < refreplies.count; w++) {
    int32_t t = FSFFindWinningWord(w, &codewords);
    int32_t c = codeword_class[t];
    refreplies.codes[w] = codewords.codes[t];
    refreplies_idx.codes[w] = t;
    refclasses.codes[w] = class_reply[c];
    refclasses_idx.codes[w] = c;
  }
  closest_classes = BINCODES{static_cast<int32_t *>(MyMalloc(size_t(refreplies.count) * 4)), 0, 0};
  for (int32_t w = 0; w < refreplies.count; w++) closest_classes.codes[w] = ClosestClassSearch(w);
}

// Records of the right size without arrays: every lookup searches.
void DeclareSearchedTables(int32_t bits) {
  BINCODES searched{nullptr, int32_t(1) << bits, bits};
  refreplies = refreplies_idx = refclasses = refclasses_idx = searched;
  closest_classes = BINCODES{};
  codeword_memo = NewMemo();
  class_memo = NewMemo();
}

}  // namespace

int32_t ClosestClassSearch(uint32_t r) {
  return class_reply[FSFFindWinningWord(FSFDeinterleaveWord(int32_t(r)), &classes)];
}

BINCODES FSFCacheRefereeReplies(int32_t use_classes, int32_t want_index) {
  BINCODES table = NewTable(codewords.nbits);
  for (int32_t w = 1; w < table.count; w++) {
    int32_t t = FSFFindWinningWord(w, &codewords);
    if (!use_classes) {
      table.codes[w] = want_index ? t : codewords.codes[t];
      continue;
    }
    int32_t c = FSFFindWinningWord(codewords.codes[t], &classes);
    table.codes[w] = want_index ? c : FSFInterleaveWord(classes.codes[c]);
  }
  return table;
}

void BuildRefereeTables() {
  DeriveClassReplies();
  if (codewords.nbits <= kFullTableBits)
    FillFullTables(codewords.nbits);
  else
    DeclareSearchedTables(codewords.nbits);
}
