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

// One table by its literal rule, each entry searched anew (entry 0 is 0):
// use_classes 0: the closest codeword (want_index 0) or its index (1);
// use_classes 1: the interleaved word of the class closest to that codeword (0) or the class (1).
BINCODES FSFCacheRefereeReplies(int32_t use_classes, int32_t want_index);

// Set-up of refreplies, refreplies_idx, refclasses, refclasses_idx and closest_classes. Draws the
// scramble permutation (through the interleaver) before any table entry is needed.
void BuildRefereeTables();

// The memo slot of a received word.
inline MEMO_ENTRY &MemoSlot(MEMO_ENTRY *memo, uint32_t w) {
  return memo[(w * 2654435761u) >> (32 - kMemoBits)];
}

// Index of the codeword closest to w (searched).
inline int32_t ClosestCodewordOf(uint32_t w) {
  MEMO_ENTRY &slot = MemoSlot(codeword_memo, w);
  if (slot.key != w) slot = MEMO_ENTRY{w, FSFFindWinningWord(int32_t(w), &codewords)};
  return slot.value;
}

inline int32_t RefRepliesAt(uint32_t w) {
  if (refreplies.codes) return refreplies.codes[w];
  return w ? codewords.codes[ClosestCodewordOf(w)] : 0;
}
inline int32_t RefRepliesIdxAt(uint32_t w) {
  if (refreplies_idx.codes) return refreplies_idx.codes[w];
  return w ? ClosestCodewordOf(w) : 0;
}
inline int32_t RefClassesAt(uint32_t w) {
  if (refclasses.codes) return refclasses.codes[w];
  return w ? class_reply[codeword_class[ClosestCodewordOf(w)]] : 0;
}
inline int32_t RefClassesIdxAt(uint32_t w) {
  if (refclasses_idx.codes) return refclasses_idx.codes[w];
  return w ? codeword_class[ClosestCodewordOf(w)] : 0;
}

// The reply word of the class nearest to the de-interleaved reply r.
int32_t ClosestClassSearch(uint32_t r);
inline int32_t ClosestClassesAt(uint32_t r) {
  if (closest_classes.codes) return closest_classes.codes[r];
  MEMO_ENTRY &slot = MemoSlot(class_memo, r);
  if (slot.key != r) slot = MEMO_ENTRY{r, ClosestClassSearch(r)};
  return slot.value;
}
