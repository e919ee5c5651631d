// The referee lookup tables: for every received word w of L = codewords.nbits bits, the closest
// codeword, its index, the reply word of its class and the class index; and for every received
// reply, the reply word of the class a node makes of it. Up to kFullTableBits bits the tables are
// arrays built at set-up; beyond, each lookup searches (with a memo), returning the same values.
#pragma once

#include <cstdint>

#include "core/records.h"
#include "core/state.h"

const int32_t kFullTableBits = 16;
const int32_t kMemoBits = 16;

// One table by its literal rule, each entry searched anew (entry 0 is 0); who wants the tables
// built the plain way (benchmarks, tests) uses it:
// use_classes 0: the closest codeword (want_index 0) or its index (1);
// use_classes 1: the interleaved word of the class closest to that codeword (0) or the class (1).
BINCODES FSFCacheRefereeReplies(SIM &S, int32_t use_classes, int32_t want_index);

// Set-up of refreplies, refreplies_idx, refclasses, refclasses_idx and closest_classes. Draws the
// scramble permutation (through the interleaver) before any table entry is needed.
void BuildRefereeTables(SIM &S);

// The memo slot of a received word.
inline MEMO_ENTRY &MemoSlot(MEMO_ENTRY *memo, uint32_t w) {
  return memo[(w * 2654435761u) >> (32 - kMemoBits)];
}

// Index of the codeword closest to w (searched).
inline int32_t ClosestCodewordOf(SIM &S, uint32_t w) {
  MEMO_ENTRY &slot = MemoSlot(S.codeword_memo, w);
  if (slot.key != w) slot = MEMO_ENTRY{w, S.FSFFindWinningWord(S, int32_t(w), &S.codewords)};
  return slot.value;
}

inline int32_t RefRepliesAt(SIM &S, uint32_t w) {
  if (S.refreplies.codes) return S.refreplies.codes[w];
  return w ? S.codewords.codes[ClosestCodewordOf(S, w)] : 0;
}
inline int32_t RefRepliesIdxAt(SIM &S, uint32_t w) {
  if (S.refreplies_idx.codes) return S.refreplies_idx.codes[w];
  return w ? ClosestCodewordOf(S, w) : 0;
}
inline int32_t RefClassesAt(SIM &S, uint32_t w) {
  if (S.refclasses.codes) return S.refclasses.codes[w];
  return w ? S.class_reply[S.codeword_class[ClosestCodewordOf(S, w)]] : 0;
}
inline int32_t RefClassesIdxAt(SIM &S, uint32_t w) {
  if (S.refclasses_idx.codes) return S.refclasses_idx.codes[w];
  return w ? S.codeword_class[ClosestCodewordOf(S, w)] : 0;
}

// The reply word of the class nearest to the de-interleaved reply r.
int32_t ClosestClassSearch(SIM &S, uint32_t r);
inline int32_t ClosestClassesAt(SIM &S, uint32_t r) {
  if (S.closest_classes.codes) return S.closest_classes.codes[r];
  MEMO_ENTRY &slot = MemoSlot(S.class_memo, r);
  if (slot.key != r) slot = MEMO_ENTRY{r, ClosestClassSearch(S, r)};
  return slot.value;
}
