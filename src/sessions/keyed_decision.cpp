// Transmit decisions and codewords with keyed draws: each a function of the seed, the session,
// the round and the node's identity, whatever the other nodes and the earlier sessions did.
#include <bit>

#include "core/state.h"
#include "sessions/decide_window.h"
#include "sessions/endings.h"
#include "sessions/transmit.h"
#include "support/below_threshold.h"
#include "support/geometric.h"
#include "support/keyed_rand.h"
#include "support/word_compare.h"

namespace {

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

// What a round's codeword draws read, taken once a round: truncated geometric when the round's
// tau is set, else uniform, by one multiplication where the buckets are 2 or more words wide
// (fewer than 2^31 codewords).
struct CODEWORD_DRAW_OF_ROUND {
  double tau;
  const UNIFORM_BUCKETS *buckets;
  uint64_t reciprocal;  // of the bucket width, for BucketOfWide
  bool wide;
  const int32_t *codes;
  int32_t count;
};

CODEWORD_DRAW_OF_ROUND CodewordDrawOf(const SIM &S, int32_t k) {
  const UNIFORM_BUCKETS &buckets = S.keyed.codeword_buckets;
  return CODEWORD_DRAW_OF_ROUND{S.tau[k],          &buckets, buckets.inverse + 1,
                                buckets.m >= 1 && buckets.m < (1u << 31), S.codewords.codes,
                                S.codewords.count};
}

// The uniform codeword index over m codewords from buckets 2 or more words wide (wide in
// CODEWORD_DRAW_OF_ROUND), by one multiplication with the bucket width's reciprocal.
inline int32_t WideCodewordIndex(SIM &S, uint64_t reciprocal, uint32_t m, uint32_t id, int32_t k,
                                 uint32_t word) {
  const uint32_t bucket = BucketOfWide(word, reciprocal);
  if (bucket < m) [[likely]]
    return int32_t(bucket);
  return CodewordIndexAgain(S, id, k);
}

// The codeword index of a node from its first codeword word.
inline int32_t CodewordIndex(SIM &S, const CODEWORD_DRAW_OF_ROUND &c, uint32_t id, int32_t k,
                             uint32_t word) {
  if (c.tau != 0) [[unlikely]]
    return TruncatedGeometric(word * (1.0 / 4294967296.0), 1 - c.tau, c.count);
  if (c.wide) [[likely]]
    return WideCodewordIndex(S, c.reciprocal, c.buckets->m, id, k, word);
  const UNIFORM_BUCKETS &buckets = *c.buckets;
  const uint32_t bucket = buckets.m ? BucketOf(word, buckets) : word;
  if (bucket < buckets.m || !buckets.m) [[likely]]
    return int32_t(bucket);
  return CodewordIndexAgain(S, id, k);
}

// Sets a transmitter's codeword; returns its word.
inline uint32_t SetCodeword(SIM &S, const CODEWORD_DRAW_OF_ROUND &c, NODE *node, int32_t k,
                            uint32_t word) {
  const int32_t index = CodewordIndex(S, c, uint32_t(node->id), k, word);
  node->word_idx = index;
  return node->word = uint32_t(c.codes[index]);
}

// Where the words of a round's decisions are: node id's two at words + 4 (id / 2 - first) +
// 2 (id % 2) counting blocks from first, or, with first < 0, in the order its list's blocks were
// made.
struct ROUND_WORDS {
  const uint32_t *words;
  int64_t first;
};

// The most nodes whose first two rounds' blocks are made in one run of eight: four blocks a
// round, the next round's from word kAheadWords on. Fewer than five nodes (two blocks) make their
// rounds' blocks one by one, for less.
const int32_t kTwoRoundNodes = 8;
const size_t kAheadWords = 16;

// Makes the blocks of round k that the count nodes of members read: for the list of all nodes
// (identities 0, 1, ... in order) a run of consecutive blocks, with a few nodes the next round's
// too; for a round whose blocks were made ahead, nothing; else each node's block once per run of
// nodes that share it, in list order.
ROUND_WORDS MakeRoundBlocks(SIM &S, NODE *const *members, int32_t count, int32_t k) {
  KEYED_STATE &K = S.keyed;
  KEYED_TABLE &table = K.decision_table;
  if (members == S.nodelists[NL_ALL].members) {
    const uint32_t blocks = uint32_t(count - 1) / 2 + 1;
    if (table.words.size() < KeyedWordsRoom(blocks)) table.words.resize(KeyedWordsRoom(blocks));
    if (blocks > 2 && count <= kTwoRoundNodes) {
      KeyedBlocksOfTwoRounds(K.seed, KEYED_DECIDE, 0, K.session, uint32_t(k), table.words.data());
      table.ahead_session = K.session;
      table.ahead_round = uint32_t(k) + 1;
    } else {
      KeyedBlocks(K.seed, KEYED_DECIDE, 0, K.session, uint32_t(k), 0, blocks, table.words.data());
    }
    return ROUND_WORDS{table.words.data(), 0};
  }
  if (table.ahead_round == uint32_t(k) && table.ahead_session == K.session &&
      S.nn <= kTwoRoundNodes)
    return ROUND_WORDS{table.words.data() + kAheadWords, 0};
  if (table.b.size() < KeyedRoundedUp(uint32_t(count))) {
    table.b.resize(KeyedRoundedUp(uint32_t(count)));
    table.words.resize(4 * table.b.size() > table.words.size() ? 4 * table.b.size()
                                                               : table.words.size());
  }
  uint32_t *b = table.b.data(), made = 0, previous = ~0u;
  for (int32_t i = 0; i < count; i++) {
    const uint32_t block = uint32_t(members[i]->id) / 2;
    b[made] = block;
    made += block != previous;
    previous = block;
  }
  KeyedBlocksAt(K.seed, KEYED_DECIDE, 0, K.session, uint32_t(k), b, made, table.words.data());
  return ROUND_WORDS{table.words.data(), -1};
}

// The transmitters among the list of all nodes, their blocks made from the first: their decision
// words compared 64 at a time (a few in turn, for fewer instructions), visit(place, words) for
// each transmitter in order, with its two words (decision, codeword).
template <class Visit>
void ForEachConsecutiveTransmitter(const uint32_t *words, int32_t count, uint64_t threshold,
                                   Visit visit) {
  if (count <= kFewContenders) {
    for (int32_t i = 0; i < count; i++)
      if (words[2 * i] < threshold) visit(i, words + 2 * i);
    return;
  }
  for (int32_t i = 0; i < count; i += 64) {
    const int32_t n = count - i < 64 ? count - i : 64;
    for (uint64_t sending = EveryOtherBelow(words + 2 * i, n, threshold); sending;
         sending &= sending - 1) {
      const int32_t j = i + std::countr_zero(sending);
      visit(j, words + 2 * j);
    }
  }
}

// The decisions of any list, node by node, from the words MakeRoundBlocks found: visit(place,
// words) for each transmitter, quiet(place) for each other node.
template <class Visit, class Quiet>
void ForEachDecision(const ROUND_WORDS &at, NODE *const *members, int32_t count,
                     uint64_t threshold, Visit visit, Quiet quiet) {
  const uint32_t *words = at.words;
  const int64_t first_block = at.first;
  // The block of each node: its place among consecutive blocks, or the next one made when it
  // is not the block of the node before.
  int64_t made = -1;
  uint32_t previous = ~0u;
  for (int32_t i = 0; i < count; i++) {
    const uint32_t id = uint32_t(members[i]->id), block = id / 2;
    made += block != previous;
    previous = block;
    const int64_t place = first_block >= 0 ? int64_t(block) - first_block : made;
    const uint32_t *own = words + 4 * place + 2 * (id % 2);
    if (own[0] < threshold)
      visit(i, own);
    else
      quiet(i);
  }
}

// The transmitters of the list of all nodes, with their codewords, into tx; under the mask model
// (heard) their words under their masks ORed into *ored.
template <bool heard>
void DecideConsecutive(SIM &S, const uint32_t *words, const NODELIST *alive, NODELIST *tx,
                       int32_t k, uint64_t threshold, uint32_t *ored) {
  const CODEWORD_DRAW_OF_ROUND c = CodewordDrawOf(S, k);
  NODE *const *members = alive->members;
  NODE **out = tx->members;
  uint32_t sum = 0;
  ForEachConsecutiveTransmitter(
      words, alive->count, threshold,
      [&](int32_t place, const uint32_t *own) {
        NODE *node = members[place];
        const uint32_t word = SetCodeword(S, c, node, k, own[1]);
        if constexpr (heard) sum |= word & node->mask;
        *out++ = node;
      });
  tx->count = int32_t(out - tx->members);
  if constexpr (heard) *ored |= sum;
}

// The same for any list: the transmitters into tx, the others into silent (unless null).
template <bool heard>
void DecideNodeByNode(SIM &S, const ROUND_WORDS &at, const NODELIST *alive, NODELIST *tx,
                      NODELIST *silent, int32_t k, uint64_t threshold, uint32_t *ored) {
  const CODEWORD_DRAW_OF_ROUND c = CodewordDrawOf(S, k);
  NODE *const *members = alive->members;
  NODE **out = tx->members, **quiet = silent ? silent->members : nullptr;
  uint32_t sum = 0;
  ForEachDecision(
      at, members, alive->count, threshold,
      [&](int32_t place, const uint32_t *own) {
        NODE *node = members[place];
        const uint32_t word = SetCodeword(S, c, node, k, own[1]);
        if constexpr (heard) sum |= word & node->mask;
        *out++ = node;
      },
      [&](int32_t place) {
        if (quiet) *quiet++ = members[place];
      });
  tx->count = int32_t(out - tx->members);
  if (silent) silent->count = int32_t(quiet - silent->members);
  if constexpr (heard) *ored |= sum;
}

}  // namespace

bool KeyedDecidesToTransmit(SIM &S, NODE *node, int32_t k) {
  KEYED_STATE &K = S.keyed;
  const uint32_t id = uint32_t(node->id);
  const uint32_t *words =
      &KeyedCachedBlock(K.decisions, K.seed, KEYED_DECIDE, K.session, uint32_t(k), id / 2)
           .v[2 * (id % 2)];
  if (!(words[0] < ThresholdOf(&S.pt_threshold, S.pt[k]))) return false;
  SetCodeword(S, CodewordDrawOf(S, k), node, k, words[1]);
  return true;
}

void KeyedDecideRound(SIM &S, const NODELIST *alive, NODELIST *tx, NODELIST *silent, int32_t k,
                      uint32_t *ored) {
  tx->count = 0;
  if (silent) silent->count = 0;
  if (alive->count == 0) return;
  const uint64_t threshold = ThresholdOf(&S.pt_threshold, S.pt[k]);
  const ROUND_WORDS at = MakeRoundBlocks(S, alive->members, alive->count, k);
  if (alive->members == S.nodelists[NL_ALL].members && !silent)
    return ored ? DecideConsecutive<true>(S, at.words, alive, tx, k, threshold, ored)
                : DecideConsecutive<false>(S, at.words, alive, tx, k, threshold, ored);
  if (ored) return DecideNodeByNode<true>(S, at, alive, tx, silent, k, threshold, ored);
  DecideNodeByNode<false>(S, at, alive, tx, silent, k, threshold, ored);
}

template <bool masked>
int32_t KeyedDecideRoundOfPlaces(SIM &S, NODE *const *contenders, const uint32_t *masks,
                                 int32_t count, const SENDERS &senders, int32_t k,
                                 uint64_t threshold, uint32_t *heard_out) {
  const ROUND_WORDS at = MakeRoundBlocks(S, contenders, count, k);
  // The windowed session draws its codewords uniformly from fewer than 2^31: wide buckets.
  const CODEWORD_DRAW_OF_ROUND c = CodewordDrawOf(S, k);
  const uint32_t m = c.buckets->m;
  const int32_t *class_of_code = S.class_of_code;
  int32_t *places = senders.places, *classes = senders.classes;
  uint32_t heard = 0;
  int32_t sent = 0;
  auto visit = [&](int32_t place, const uint32_t *own) {
    const int32_t index =
        WideCodewordIndex(S, c.reciprocal, m, uint32_t(contenders[place]->id), k, own[1]);
    const uint32_t word = uint32_t(c.codes[index]);
    heard |= masked ? word & masks[place] : word;
    places[sent] = place;
    classes[sent++] = class_of_code[index];
  };
  if (contenders == S.nodelists[NL_ALL].members)
    ForEachConsecutiveTransmitter(at.words, count, threshold, visit);
  else
    ForEachDecision(at, contenders, count, threshold, visit, [](int32_t) {});
  *heard_out = heard;
  return sent;
}

template int32_t KeyedDecideRoundOfPlaces<false>(SIM &, NODE *const *, const uint32_t *, int32_t,
                                                 const SENDERS &, int32_t, uint64_t, uint32_t *);
template int32_t KeyedDecideRoundOfPlaces<true>(SIM &, NODE *const *, const uint32_t *, int32_t,
                                                const SENDERS &, int32_t, uint64_t, uint32_t *);
