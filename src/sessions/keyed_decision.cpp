// Transmit decisions and codewords with keyed draws: each a function of the seed, the session,
// the round and the node's identity, whatever the other nodes and the earlier sessions did.
#include <bit>

#include "core/state.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"
#include "support/below_threshold.h"
#include "support/geometric.h"
#include "support/keyed_rand.h"
#include "support/word_compare.h"

namespace {

// Makes the round's decision and codeword words of the nodes of list into the table when that
// is cheaper than making them block by block: many nodes, close together. False when it is not.
bool FillRoundTable(SIM &S, const NODELIST *list, int32_t k) {
  if (list->count < 8) return false;
  const uint32_t lo = uint32_t(list->members[0]->id) / 2;
  const uint32_t hi = uint32_t(list->members[list->count - 1]->id) / 2;
  if (hi < lo || hi - lo >= 4 * uint32_t(list->count)) return false;
  const uint32_t blocks = hi - lo + 1;
  KEYED_TABLE &table = S.keyed.decision_table;
  if (table.words.size() < KeyedWordsRoom(blocks)) table.words.resize(KeyedWordsRoom(blocks));
  KeyedBlocks(S.keyed.seed, KEYED_DECIDE, 0, S.keyed.session, uint32_t(k), lo, blocks,
              table.words.data());
  table.first = 2 * lo, table.span = 2 * blocks;
  return true;
}

// The node's decision word and first codeword word in round k: from the table when it holds
// the node, else from its block.
inline const uint32_t *RoundWords(SIM &S, const KEYED_TABLE *table, uint32_t id, int32_t k) {
  if (table && id - table->first < table->span) return &table->words[2 * (id - table->first)];
  KEYED_STATE &K = S.keyed;
  return &KeyedCachedBlock(K.decisions, K.seed, KEYED_DECIDE, K.session, uint32_t(k), id / 2)
              .v[2 * (id % 2)];
}

// The uniform codeword index after a first word above the last full bucket: the node's next
// codeword words (draws 1, 2, ...) until one falls in a bucket.
[[gnu::noinline]] int32_t CodewordIndexAgain(SIM &S, uint32_t id, int32_t k) {
  KEYED_STATE &K = S.keyed;
  uint32_t draw = 1;
  return int32_t(IndexFromWords(K.codeword_buckets, [&] {
    return KeyedBlock(K.seed, KEYED_DECIDE, draw++, K.session, uint32_t(k), id / 2)
        .v[2 * (id % 2)];
  }));
}

// The codeword from the node's first codeword word: truncated geometric when the round's tau is
// set, else uniform.
void SetCodeword(SIM &S, NODE *node, int32_t k, uint32_t word) {
  const double tau = S.tau[k];
  const UNIFORM_BUCKETS &buckets = S.keyed.codeword_buckets;
  int32_t index;
  if (tau != 0) {
    index = TruncatedGeometric(word * (1.0 / 4294967296.0), 1 - tau, S.codewords.count);
  } else {
    const uint32_t bucket = buckets.m ? BucketOf(word, buckets) : word;
    index = bucket < buckets.m || !buckets.m ? int32_t(bucket)
                                             : CodewordIndexAgain(S, uint32_t(node->id), k);
  }
  node->word_idx = index;
  node->word = uint32_t(S.codewords.codes[index]);
}

// The decisions of a run of alive nodes with consecutive identities, all in the table: their
// words compared 64 at a time, the transmitters taken from the bits.
void DecideConsecutive(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k, uint64_t threshold,
                       uint32_t *ored) {
  const KEYED_TABLE &table = S.keyed.decision_table;
  const uint32_t *words = &table.words[2 * (uint32_t(alive->members[0]->id) - table.first)];
  for (int32_t i = 0; i < alive->count; i += 64) {
    const int32_t n = alive->count - i < 64 ? alive->count - i : 64;
    for (uint64_t sending = EveryOtherBelow(words + 2 * i, n, threshold); sending;
         sending &= sending - 1) {
      const int32_t j = i + std::countr_zero(sending);
      NODE *node = alive->members[j];
      SetCodeword(S, node, k, words[2 * j + 1]);
      if (ored) *ored |= node->word & node->mask;
      Append(tx, node);
    }
  }
}

}  // namespace

bool KeyedDecidesToTransmit(SIM &S, NODE *node, int32_t k) {
  const uint32_t *words = RoundWords(S, nullptr, uint32_t(node->id), k);
  if (!(words[0] < ThresholdOf(&S.pt_threshold, S.pt[k]))) return false;
  SetCodeword(S, node, k, words[1]);
  return true;
}

void KeyedDecideRound(SIM &S, const NODELIST *alive, NODELIST *tx, NODELIST *silent, int32_t k,
                      uint32_t *ored) {
  const uint64_t threshold = ThresholdOf(&S.pt_threshold, S.pt[k]);
  const KEYED_TABLE *table = FillRoundTable(S, alive, k) ? &S.keyed.decision_table : nullptr;
  tx->count = 0;
  const int32_t count = alive->count;
  if (table && !silent && alive->members[count - 1]->id - alive->members[0]->id == count - 1)
    return DecideConsecutive(S, alive, tx, k, threshold, ored);
  if (silent) silent->count = 0;
  for (int32_t i = 0; i < count; i++) {
    NODE *node = alive->members[i];
    const uint32_t *words = RoundWords(S, table, uint32_t(node->id), k);
    if (words[0] < threshold) {
      SetCodeword(S, node, k, words[1]);
      if (ored) *ored |= node->word & node->mask;
      Append(tx, node);
    } else if (silent) {
      Append(silent, node);
    }
  }
}
