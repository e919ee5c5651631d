// Keyed transmit decisions: a round decided for many nodes at once (from one table of blocks, in
// vector steps for consecutive nodes) equals the same round decided node by node, whatever the
// alive list; a node's decision does not depend on which other nodes contend; and the windowed
// session books what the general session books from the same keyed draws.
#include <algorithm>

#include "common/test_util.h"
#include "sessions/basic.h"
#include "sessions/basic_windowed.h"
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

// With a few nodes the first round's run makes the second round's blocks too: the second round
// of any list of them, and the third, still decide as node by node.
TEST(KeyedDecisions, TheRoundAfterAFewNodesFirstIsTheirsNodeByNode) {
  for (const char *nn : {"nn=5", "nn=6", "nn=8"}) {
    SIM &S = PrepareSimulation({nn, "rng=keyed", "debug=0"});
    std::mt19937 pick(3);
    for (uint64_t session = 0; session < 200; session++) {
      S.keyed.session = session;
      std::vector<NODE *> a(8), b(8), some;
      NODELIST tx{a.data(), 0};
      KeyedDecideRound(S, &S.nodelists[NL_ALL], &tx, nullptr, 0, nullptr);
      for (int32_t i = 0; i < S.nn; i++)
        if (pick() % 2) some.push_back(&S.nodes[i]);
      for (int32_t k = 1; k < 3; k++) {
        NODELIST alive{some.data(), int32_t(some.size())}, at_once{b.data(), 0};
        KeyedDecideRound(S, &alive, &at_once, nullptr, k, nullptr);
        std::vector<int32_t> by_node;
        for (NODE *n : some)
          if (KeyedDecidesToTransmit(S, n, k)) by_node.push_back(n->id);
        ASSERT_EQ(Decided(at_once, 0).tx, by_node) << nn << " " << session << " " << k;
      }
    }
  }
}

// What a run of sessions booked: each session's outcome, and the counts that the endings keep.
struct BOOKED_RUN {
  std::vector<int32_t> outcomes;
  std::vector<int64_t> successes, transmissions, ns_pdf;
  int64_t failures;
  double elapsed;
  bool operator==(const BOOKED_RUN &) const = default;
};

BOOKED_RUN PlaySessions(SIM &S, SessionFn session, uint64_t count) {
  BOOKED_RUN run{};
  for (uint64_t index = 0; index < count; index++) {
    S.keyed.session = index;
    run.outcomes.push_back(session(S, S.refs));
  }
  for (int32_t i = 0; i < S.nn; i++) {
    run.successes.push_back(S.nodes[i].successes);
    run.transmissions.push_back(S.nodes[i].transmissions);
  }
  run.ns_pdf.assign(S.ns_pdf, S.ns_pdf + S.ns_pdf_size);
  run.failures = S.failures;
  run.elapsed = S.t_elapsed;
  return run;
}

// Few nodes (the in-turn decisions, the second round's blocks made with the first's), many, an
// odd count whose last block is half used, fading masks, a round where all transmit, dedicated
// referees and more rounds: the same outcome session by session.
TEST(KeyedWindowedSession, BooksWhatTheGeneralSessionBooks) {
  const std::vector<Words> settings{
      {"nn=2"},
      {"nn=5"},
      {"nn=6", "pt=0.9,0.9,0.9"},
      {"nn=8", "fsf_type=binom", "fsf_prob=0.3"},
      {"nn=9", "pt=1,0.5,0.5"},
      {"nn=77", "nf=8", "fsf_type=binom", "fsf_prob=0.2"},
      {"nn=40", "fsf_type=geom", "fsf_tau=0.3"},
      {"nn=7", "refs=1", "ns=5"}};
  for (Words words : settings) {
    words.insert(words.end(), {"rng=keyed", "debug=0", "runs=1"});
    std::unique_ptr<SIM> windowed = NewSimulation(words, 17), general = NewSimulation(words, 17);
    ASSERT_TRUE(windowed->session_paths.windowed_session) << words[0];
    const BOOKED_RUN by_window = PlaySessions(*windowed, WindowedSessionFor(*windowed), 3000);
    const BOOKED_RUN in_general = PlaySessions(*general, SimSession, 3000);
    EXPECT_TRUE(by_window == in_general) << words[0] << " " << words[1];
    EXPECT_GT(by_window.failures + std::count(by_window.outcomes.begin(),
                                              by_window.outcomes.end(), 1),
              0);
  }
}

}  // namespace
