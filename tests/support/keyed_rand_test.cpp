// Keyed draws: Random123's Philox4x32-10 behind the layout, blocks made many at a time equal to
// blocks made one by one, the words uniform and neighbouring counters independent, the streams and
// the index draw; and the run's own interval of Ps.
#include <numeric>

#include "common/test_util.h"
#include "support/keyed_rand.h"
#include "support/ps_interval.h"

namespace {

// The generator's published answers for two counters and keys (Random123's known-answer tests).
TEST(KeyedBlock, IsPhilox4x32With10Rounds) {
  const philox4x32_ctr_t zero_ctr = {{0, 0, 0, 0}};
  const philox4x32_key_t zero_key = {{0, 0}};
  const philox4x32_ctr_t zero = philox4x32(zero_ctr, zero_key);
  EXPECT_EQ(std::vector<uint32_t>(zero.v, zero.v + 4),
            (std::vector<uint32_t>{0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}));
  const uint32_t ones = 0xffffffff;
  const philox4x32_ctr_t ones_ctr = {{ones, ones, ones, ones}};
  const philox4x32_key_t ones_key = {{ones, ones}};
  const philox4x32_ctr_t all = philox4x32(ones_ctr, ones_key);
  EXPECT_EQ(std::vector<uint32_t>(all.v, all.v + 4),
            (std::vector<uint32_t>{0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}));
}

// Every count (runs of sixteen, the short tail, one by one), any start, b wrapping past 2^32.
TEST(KeyedBlocks, EqualTheBlocksMadeOneByOne) {
  for (uint32_t count : {0u, 1u, 3u, 4u, 15u, 16u, 17u, 35u, 64u})
    for (uint32_t first : {0u, 5u, 0xfffffff0u}) {
      std::vector<uint32_t> words(KeyedWordsRoom(count) + 4, 0xdeadbeef);
      KeyedBlocks(9, KEYED_MASK, 3, 0x100000002ull, 11, first, count, words.data());
      for (uint32_t i = 0; i < count; i++) {
        const philox4x32_ctr_t one = KeyedBlock(9, KEYED_MASK, 3, 0x100000002ull, 11, first + i);
        ASSERT_EQ(std::vector<uint32_t>(words.begin() + 4 * i, words.begin() + 4 * i + 4),
                  std::vector<uint32_t>(one.v, one.v + 4))
            << count << " " << first << " " << i;
      }
      EXPECT_EQ(words[KeyedWordsRoom(count)], 0xdeadbeef) << count;  // the room is enough
    }
}

TEST(KeyedBlocksOfTwoRounds, AreBlocksZeroToThreeOfEachRound) {
  for (uint64_t session : {0ull, 7ull, 0x1fffffffeull})
    for (uint32_t a : {0u, 2u, 0xffffffffu}) {  // the last round's successor wraps
      std::vector<uint32_t> words(32);
      KeyedBlocksOfTwoRounds(4, KEYED_DECIDE, 0, session, a, words.data());
      for (uint32_t i = 0; i < 8; i++) {
        const philox4x32_ctr_t one = KeyedBlock(4, KEYED_DECIDE, 0, session, a + i / 4, i % 4);
        ASSERT_EQ(std::vector<uint32_t>(words.begin() + 4 * i, words.begin() + 4 * i + 4),
                  std::vector<uint32_t>(one.v, one.v + 4))
            << session << " " << a << " " << i;
      }
    }
}

// Four million words: the top byte of each word is uniform, and so are the pairs of top nibbles
// of a word and its neighbour in the next counter of each field (b, a, session, draw): chi-square
// over 256 cells, df 255, within five standard deviations (255 + 5 sqrt(510)).
TEST(KeyedBlocks, WordsAreUniformAndNeighbouringCountersIndependent) {
  const uint32_t blocks = 1u << 18;
  std::vector<uint32_t> words(KeyedWordsRoom(blocks));
  auto chi_square = [](const std::vector<double> &cells) {
    const double expected = std::accumulate(cells.begin(), cells.end(), 0.0) / cells.size();
    double sum = 0;
    for (double c : cells) sum += (c - expected) * (c - expected) / expected;
    return sum;
  };
  const double limit = 255 + 5 * std::sqrt(510.0);
  std::vector<double> bytes(256), by_b(256), by_a(256), by_session(256), by_draw(256);
  for (uint32_t a = 0; a < 4; a++) {
    KeyedBlocks(1, KEYED_DECIDE, 0, 7, a, 0, blocks, words.data());
    for (uint32_t i = 0; i < 4 * blocks; i++) bytes[words[i] >> 24]++;
    for (uint32_t i = 0; i + 4 < 4 * blocks; i += 4) by_b[(words[i] >> 28) << 4 | words[i + 4] >> 28]++;
    for (uint32_t i = 0; i < 4096; i++) {
      const uint32_t w = KeyedBlock(1, KEYED_DECIDE, 0, 7, a, i).v[1];
      by_a[(w >> 28) << 4 | KeyedBlock(1, KEYED_DECIDE, 0, 7, a + 1, i).v[1] >> 28]++;
      by_session[(w >> 28) << 4 | KeyedBlock(1, KEYED_DECIDE, 0, 8, a, i).v[1] >> 28]++;
      by_draw[(w >> 28) << 4 | KeyedBlock(1, KEYED_DECIDE, 1, 7, a, i).v[1] >> 28]++;
    }
  }
  EXPECT_LT(chi_square(bytes), limit);
  EXPECT_LT(chi_square(by_b), limit);
  EXPECT_LT(chi_square(by_a), limit);
  EXPECT_LT(chi_square(by_session), limit);
  EXPECT_LT(chi_square(by_draw), limit);
}

// A stream reads word j % 4 of draw j / 4; a node stream reads the same words from its table.
TEST(KeyedStreams, ReadTheirDrawsInOrderFromBlocksOrTable) {
  KEYED_STREAM stream{3, KEYED_MASK, 5, 0, 6};
  KEYED_NODE_TABLE table;
  KEYED_NODE_STREAM tabled = KeyedNodeStream(table, 3, KEYED_MASK, 5, 2, 9, 6);
  KEYED_NODE_STREAM beyond = KeyedNodeStream(table, 3, KEYED_MASK, 5, 2, 6, 6);  // node >= nodes
  for (uint32_t j = 0; j < 13; j++) {
    const uint32_t word = KeyedBlock(3, KEYED_MASK, j / 4, 5, 0, 6).v[j % 4];
    EXPECT_EQ(KeyedNext(stream), word) << j;
    EXPECT_EQ(tabled(), word) << j;
    EXPECT_EQ(beyond(), word) << j;
  }
}

// A word above the last full bucket is passed over; m = 0 stands for the whole range.
TEST(IndexFromWords, PassesOverTheRemainderLikeTheSequentialDraw) {
  std::vector<uint32_t> words{0xffffffffu, 0xfffffffeu, 5, 0x80000000u};
  size_t next = 0;
  auto take = [&] { return words[next++]; };
  EXPECT_EQ(IndexFromWords(BucketsOver(3), take), 2u);  // 2^32 - 1 = 3 x 1431655765: passed over;
  EXPECT_EQ(next, 2u);                                  // 2^32 - 2 lies in bucket 2
  EXPECT_EQ(IndexFromWords(BucketsOver(3), take), 0u);
  EXPECT_EQ(IndexFromWords(BucketsOver(0), take), 0x80000000u);
}

// Wilson's interval against published values (0 of 10: up to 0.2775); batch means need 32 batches, and the
// batches double their length rather than grow past 64.
TEST(PsInterval, WilsonAndBatchMeans) {
  const INTERVAL none = WilsonInterval(0, 10), half = WilsonInterval(5, 10);
  EXPECT_NEAR(none.low, 0, 1e-12);
  EXPECT_NEAR(none.high, 0.277533, 1e-6);
  EXPECT_NEAR(half.low, 0.236593, 1e-6);
  EXPECT_NEAR(half.high, 0.763407, 1e-6);
  EXPECT_NEAR(WilsonInterval(9990, 10000).low, 0.998160, 1e-6);
  BATCH_MEANS b;
  INTERVAL i;
  for (int s = 0; s < 31; s++) AddToBatches(b, s % 2);
  EXPECT_FALSE(BatchMeansInterval(b, &i));
  for (int s = 31; s < 1000; s++) AddToBatches(b, s % 4 == 0);  // successes 1 in 4
  EXPECT_GE(b.full, 32);
  EXPECT_LT(b.full, 64);
  EXPECT_EQ(b.length, 16);
  ASSERT_TRUE(BatchMeansInterval(b, &i));
  EXPECT_LT(i.low, 0.25);
  EXPECT_GT(i.high, 0.25);
  EXPECT_LT(i.high - i.low, 0.05);
}

}  // namespace
