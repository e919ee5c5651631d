// Binary-string conversions of words: itob writes the low len bits most significant first, btoi
// reads such a string back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "coding/codebook.h"
#include "core/state.h"
#include "support/alloc.h"

namespace {

std::string Itob(int32_t value, int32_t len) {
  char *text = itob(value, len);
  std::string copy(text);
  MyFree(text);
  return copy;
}

class BinaryStrings : public testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }
};

TEST_F(BinaryStrings, ItobShowsExactlyTheLowBits) {
  EXPECT_EQ(Itob(5, 3), "101");
  EXPECT_EQ(Itob(5, 5), "00101");
  EXPECT_EQ(Itob(13, 2), "01");
  EXPECT_EQ(Itob(13, 0), "");
  EXPECT_EQ(Itob(0, 6), "000000");
  EXPECT_EQ(Itob(1 << 25, 26), "1" + std::string(25, '0'));
  EXPECT_EQ(Itob(-1, 32), std::string(32, '1'));
  EXPECT_EQ(Itob(INT32_MIN, 32), "1" + std::string(31, '0'));
}

TEST_F(BinaryStrings, BtoiReadsTheFirstDigitAsMostSignificant) {
  EXPECT_EQ(btoi("101"), 5);
  EXPECT_EQ(btoi("0001"), 1);
  EXPECT_EQ(btoi("1000"), 8);
  EXPECT_EQ(btoi("0"), 0);
  EXPECT_EQ(btoi(std::string(26, '1').c_str()), (1 << 26) - 1);
  EXPECT_EQ(btoi(std::string(32, '1').c_str()), -1);
}

TEST_F(BinaryStrings, RoundTripsEveryLengthUpToThirtyTwo) {
  std::mt19937 source(11);
  for (int32_t len = 1; len <= 32; len++) {
    for (int k = 0; k < 200; k++) {
      uint32_t value = len == 32 ? source() : source() & ((1u << len) - 1u);
      std::string text = Itob(int32_t(value), len);
      ASSERT_EQ(text.size(), size_t(len));
      for (int32_t c = 0; c < len; c++)
        ASSERT_EQ(text[size_t(c)], (value >> (len - 1 - c) & 1u) ? '1' : '0');
      ASSERT_EQ(uint32_t(btoi(text.c_str())), value) << text;
      ASSERT_EQ(Itob(btoi(text.c_str()), len), text);
    }
  }
}

}  // namespace
