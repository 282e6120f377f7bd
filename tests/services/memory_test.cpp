#include "services/memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "services/memory_faults.h"
#include "support/log.h"

namespace vsk {
namespace {

TEST(AllocVec, ClearFlagGivesZeroBytesAndOtherFlagsAreAccepted) {
  for (uint32_t flags : {MEMF_CLEAR, MEMF_PUBLIC | MEMF_CLEAR, MEMF_FAST | MEMF_CLEAR}) {
    auto* block = static_cast<uint8_t*>(AllocVec(4096, flags));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << "flags " << flags << " byte " << i;
    FreeVec(block);
  }
  void* plain = AllocVec(100, MEMF_FAST);
  ASSERT_NE(plain, nullptr);
  std::memset(plain, 0xAB, 100);  // all 100 bytes are usable
  FreeVec(plain);
}

TEST(AllocVec, ZeroSizeGivesDistinctBlocksAndFreeVecAcceptsNull) {
  int64_t live = LiveAllocVecBlocks();
  void* a = AllocVec(0, 0);
  void* b = AllocVec(0, 0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(LiveAllocVecBlocks(), live + 2);
  FreeVec(a);
  FreeVec(b);
  FreeVec(nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST(AllocVec, InjectedFailureHitsExactlyTheNthCallAndLogs) {
  FailAllocVecAt(3);
  void* first = AllocVec(8, 0);
  void* second = AllocVec(8, 0);
  test::LogCapture log;
  void* third = AllocVec(8, 0);
  EXPECT_EQ(log.Take(), "AllocVec: 000 ");
  void* fourth = AllocVec(8, 0);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(third, nullptr);
  EXPECT_NE(fourth, nullptr);
  FreeVec(first);
  FreeVec(second);
  FreeVec(fourth);
}

TEST(CopyMem, CopiesSourceToDestination) {
  const char source[] = "Kadun";
  char dest[6] = {};
  CopyMem(source, dest, sizeof source);
  EXPECT_STREQ(dest, "Kadun");
}

TEST(AvailMem, ReportsSomethingBetweenZeroAndTheSaturatedMaximum) {
  uint32_t available = AvailMem();
  EXPECT_GT(available, 0u);
}

}  // namespace
}  // namespace vsk
