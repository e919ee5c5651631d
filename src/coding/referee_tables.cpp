// Building the referee lookup tables: the literal one-table rule, and the set-up build that
// searches the closest codeword of each received word once for all four tables.
#include "coding/referee_tables.h"

#include "support/alloc.h"

namespace {

BINCODES NewTable(SIM &S, int32_t bits) {
  size_t entries = size_t(1) << bits;
  BINCODES table{static_cast<int32_t *>(MyMalloc(S.memory, entries * 4)), int32_t(entries), bits};
  table.codes[0] = 0;
  return table;
}

// The class of every codeword and the reply word of every class. The reply words are made first
// in class order, so a scramble permutation is drawn here, at the first interleaving.
void DeriveClassReplies(SIM &S) {
  S.class_reply = static_cast<int32_t *>(MyMalloc(S.memory, size_t(S.classes.count) * 4));
  for (int32_t c = 0; c < S.classes.count; c++)
    S.class_reply[c] = S.FSFInterleaveWord(S, S.classes.codes[c]);
  S.codeword_class = static_cast<int32_t *>(MyMalloc(S.memory, size_t(S.codewords.count) * 4));
  for (int32_t t = 0; t < S.codewords.count; t++)
    S.codeword_class[t] = S.FSFFindWinningWord(S, S.codewords.codes[t], &S.classes);
}

MEMO_ENTRY *NewMemo(SIM &S) {
  size_t entries = size_t(1) << kMemoBits;
  MEMO_ENTRY *memo = static_cast<MEMO_ENTRY *>(MyMalloc(S.memory, entries * sizeof(MEMO_ENTRY)));
  // No received word has all bits set, so this key never matches.
  for (size_t i = 0; i < entries; i++) memo[i] = MEMO_ENTRY{~0u, 0};
  return memo;
}

void FillFullTables(SIM &S, int32_t bits) {
  S.refreplies = NewTable(S, bits);
  S.refreplies_idx = NewTable(S, bits);
  S.refclasses = NewTable(S, bits);
  S.refclasses_idx = NewTable(S, bits);
  for (int32_t w = 1; w < S.refreplies.count; w++) {
    int32_t t = S.FSFFindWinningWord(S, w, &S.codewords);
    int32_t c = S.codeword_class[t];
    S.refreplies.codes[w] = S.codewords.codes[t];
    S.refreplies_idx.codes[w] = t;
    S.refclasses.codes[w] = S.class_reply[c];
    S.refclasses_idx.codes[w] = c;
  }
  const size_t entries = size_t(S.refreplies.count);
  S.closest_classes = BINCODES{static_cast<int32_t *>(MyMalloc(S.memory, entries * 4)), 0, 0};
  for (int32_t w = 0; w < S.refreplies.count; w++)
    S.closest_classes.codes[w] = ClosestClassSearch(S, w);
}

// Records of the right size without arrays: every lookup searches.
void DeclareSearchedTables(SIM &S, int32_t bits) {
  BINCODES searched{nullptr, int32_t(1) << bits, bits};
  S.refreplies = S.refreplies_idx = S.refclasses = S.refclasses_idx = searched;
  S.closest_classes = BINCODES{};
  S.codeword_memo = NewMemo(S);
  S.class_memo = NewMemo(S);
}

}  // namespace

int32_t ClosestClassSearch(SIM &S, uint32_t r) {
  return S.class_reply[S.FSFFindWinningWord(S, S.FSFDeinterleaveWord(S, int32_t(r)), &S.classes)];
}

BINCODES FSFCacheRefereeReplies(SIM &S, int32_t use_classes, int32_t want_index) {
  BINCODES table = NewTable(S, S.codewords.nbits);
  for (int32_t w = 1; w < table.count; w++) {
    int32_t t = S.FSFFindWinningWord(S, w, &S.codewords);
    if (!use_classes) {
      table.codes[w] = want_index ? t : S.codewords.codes[t];
      continue;
    }
    int32_t c = S.FSFFindWinningWord(S, S.codewords.codes[t], &S.classes);
    table.codes[w] = want_index ? c : S.FSFInterleaveWord(S, S.classes.codes[c]);
  }
  return table;
}

void BuildRefereeTables(SIM &S) {
  DeriveClassReplies(S);
  if (S.codewords.nbits <= kFullTableBits)
    FillFullTables(S, S.codewords.nbits);
  else
    DeclareSearchedTables(S, S.codewords.nbits);
  S.class_of_code = static_cast<int32_t *>(MyMalloc(S.memory, size_t(S.codewords.count) * 4));
  for (int32_t t = 0; t < S.codewords.count; t++)
    S.class_of_code[t] = RefClassesAt(S, uint32_t(S.codewords.codes[t]));
}
