// Keyed transmit decisions: a round decided for many nodes at once (from one table of blocks, in
// vector steps for consecutive nodes) equals the same round decided node by node, whatever the
// alive list; and a node's decision does not depend on which other nodes contend.
#include <algorithm>

#include "common/test_util.h"
#include "sessions/transmit.h"

namespace {

struct DECIDED {
  std::vector<int32_t> tx, words;
  uint32_t ored;
};

DECIDED Decided(const NODELIST &tx, uint32_t ored) {
  DECIDED d{{}, {}, ored};
  for (int32_t i = 0; i < tx.count; i++)
    d.tx.push_back(tx.members[i]->id), d.words.push_back(tx.members[i]->word_idx);
  return d;
}

TEST(KeyedDecisions, ARoundAtOnceEqualsItNodeByNode) {
  for (const char *tau : {"tau=0,0,0", "tau=0.3,0.1,0.05"}) {
    SIM &S = PrepareSimulation({"nn=300", "nf=8", "rng=keyed", tau, "debug=0"});
    std::mt19937 pick(5);
    for (uint64_t session = 0; session < 30; session++) {
      S.keyed.session = session;
      // All nodes, a dense and a sparse sorted subset, a shuffled one, a few, one.
      std::vector<NODE *> all(S.nodelists[NL_ALL].members, S.nodelists[NL_ALL].members + 300);
      std::vector<std::vector<NODE *>> lists{all};
      for (int keep : {2, 12}) {
        std::vector<NODE *> some;
        for (NODE *n : all)
          if (pick() % keep == 0) some.push_back(n);
        lists.push_back(some);
      }
      lists.push_back(lists[1]);
      std::shuffle(lists.back().begin(), lists.back().end(), pick);
      lists.push_back({&S.nodes[3], &S.nodes[4], &S.nodes[200]});
      // Out of order with first and last as far apart as a run of consecutive nodes would be.
      lists.push_back({&S.nodes[10], &S.nodes[15], &S.nodes[2], &S.nodes[13]});
      lists.push_back(all);
      std::shuffle(lists.back().begin(), lists.back().end(), pick);
      lists.push_back({&S.nodes[299]});
      for (std::vector<NODE *> &list : lists)
        for (int32_t k = 0; k < 3; k++) {
          S.pt[k] = 0.1 + 0.4 * k;
          NODELIST alive{list.data(), int32_t(list.size())};
          std::vector<NODE *> a(301), b(301), c(301);
          NODELIST tx{a.data(), 0}, silent{b.data(), 0}, plain{c.data(), 0};
          uint32_t ored = 0;
          KeyedDecideRound(S, &alive, &tx, nullptr, k, &ored);
          const DECIDED at_once = Decided(tx, ored);
          KeyedDecideRound(S, &alive, &plain, &silent, k, nullptr);
          EXPECT_EQ(Decided(plain, 0).tx, at_once.tx);
          EXPECT_EQ(plain.count + silent.count, alive.count);
          uint32_t by_node_ored = 0;
          tx.count = 0;
          for (NODE *n : list)
            if (KeyedDecidesToTransmit(S, n, k)) {
              tx.members[tx.count++] = n;
              by_node_ored |= n->word & n->mask;
            }
          const DECIDED by_node = Decided(tx, by_node_ored);
          ASSERT_EQ(at_once.tx, by_node.tx) << session << " " << k << " " << list.size();
          ASSERT_EQ(at_once.words, by_node.words) << session << " " << k;
          ASSERT_EQ(at_once.ored, by_node.ored) << session << " " << k;
        }
    }
  }
}

}  // namespace
