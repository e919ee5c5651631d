// Checked allocation and the failure path: usable blocks on success, and on exhaustion the fixed
// message on standard error with exit status 1; Fail writes its message and ends with its status.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

// No allocator can provide this many bytes; the messages print sizes as 32-bit unsigned values.
const size_t kImpossible = SIZE_MAX;
const size_t kHuge32 = 0xFFFFFFFFu;

TEST(CheckedAllocation, CallocZeroesAndReallocKeepsTheContents) {
  ResetState();
  auto *numbers = static_cast<int32_t *>(MyCalloc(100, sizeof(int32_t)));
  for (int i = 0; i < 100; i++) ASSERT_EQ(numbers[i], 0);
  for (int i = 0; i < 100; i++) numbers[i] = i * 3;
  numbers = static_cast<int32_t *>(MyRealloc(numbers, 1000 * sizeof(int32_t)));
  for (int i = 0; i < 100; i++) ASSERT_EQ(numbers[i], i * 3);
  auto *bytes = static_cast<char *>(MyMalloc(16));
  memset(bytes, 'x', 16);
  MyFree(bytes);
  ResetState();  // releases the remaining block
}

TEST(CheckedAllocation, ZeroSizesStillGiveDistinctBlocks) {
  ResetState();
  void *a = MyMalloc(0);
  void *b = MyCalloc(0, 8);
  void *c = MyRealloc(nullptr, 0);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_NE(c, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  ResetState();
}

using CheckedAllocationDeathTest = testing::Test;

TEST_F(CheckedAllocationDeathTest, MallocFailureReportsTheSizeAndExitsWith1) {
  EXPECT_EXIT(MyMalloc(kImpossible), testing::ExitedWithCode(1),
              "Error: Could not malloc'ate 4294967295 bytes of memory\\. Aborting \\.\\.\\.\n$");
}

TEST_F(CheckedAllocationDeathTest, CallocFailureReportsChunksAndSizeAndExitsWith1) {
  EXPECT_EXIT(MyCalloc(kHuge32, kHuge32), testing::ExitedWithCode(1),
              "Error: Could not calloc'ate 4294967295 chunks of 4294967295 bytes of memory\\. "
              "Aborting \\.\\.\\.\n$");
}

TEST_F(CheckedAllocationDeathTest, ReallocFailureReportsTheSizeAndExitsWith1) {
  EXPECT_EXIT(MyRealloc(nullptr, kImpossible), testing::ExitedWithCode(1),
              "Error: Could not realloc'ate 4294967295 bytes of memory\\. Aborting \\.\\.\\.\n$");
  EXPECT_EXIT(
      {
        void *block = MyMalloc(64);
        MyRealloc(block, kImpossible);
      },
      testing::ExitedWithCode(1),
      "Error: Could not realloc'ate 4294967295 bytes of memory\\. Aborting \\.\\.\\.\n$");
}

TEST_F(CheckedAllocationDeathTest, FailWritesItsMessageAndEndsWithItsStatus) {
  EXPECT_EXIT(Fail(4, "Error: index %d reached %s", 7, "ns_pdf_size"), testing::ExitedWithCode(4),
              "Error: index 7 reached ns_pdf_size$");
  EXPECT_EXIT(Fail(1, "line\n"), testing::ExitedWithCode(1), "^line\n$");
  EXPECT_EXIT(EndProcess(0), testing::ExitedWithCode(0), "^$");
}

}  // namespace
