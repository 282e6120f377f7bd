// AllocVec and its companions: cleared blocks, zero sizes, the injected
// failure and the available memory (CopyMem is checked by the sound cache).
#include "services/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "services/memory_faults.h"
#include "support/log.h"

namespace vsk {
namespace {

TEST(AllocVec, ClearFlagGivesZeroBytesOnADirtiedHeapAndOtherFlagsAreAccepted) {
  for (uint32_t flags : {MEMF_CLEAR, MEMF_FAST | MEMF_CLEAR}) {
    // Dirtied same-sized blocks given back first, so the cleared one is likely one of them.
    for (int i = 0; i < 8; ++i) {
      void* dirty = AllocVec(4096, MEMF_FAST);
      ASSERT_NE(dirty, nullptr);
      std::memset(dirty, 0xAB, 4096);
      FreeVec(dirty);
    }
    auto* block = static_cast<uint8_t*>(AllocVec(4096, flags));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << "flags " << flags << " byte " << i;
    FreeVec(block);
  }
}

TEST(AllocVec, ZeroSizeGivesDistinctBlocksAndFreeVecAcceptsNull) {
  const int64_t live = LiveAllocVecBlocks();
  void* a = AllocVec(0, 0);
  void* b = AllocVec(0, 0);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  EXPECT_EQ(LiveAllocVecBlocks(), live + 2);
  FreeVec(a);
  FreeVec(b);
  FreeVec(nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST(AllocVec, InjectedFailureHitsExactlyTheNthCallAndLogs) {
  FailAllocVecAt(3);
  void* blocks[4];
  test::LogCapture quiet;  // its log line is checked with LoadFile
  for (void*& block : blocks) block = AllocVec(8, 0);
  EXPECT_TRUE(blocks[0] && blocks[1] && blocks[3]);
  EXPECT_EQ(blocks[2], nullptr);
  for (void* block : blocks) FreeVec(block);
}

TEST(AvailMem, IsTheKernelsAvailableMemorySaturatedAt32Bits) {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  while (meminfo >> key >> kib && key != "MemAvailable:") meminfo.ignore(256, '\n');
  ASSERT_EQ(key, "MemAvailable:");
  const double expected = static_cast<double>(std::min<uint64_t>(kib * 1024, 0xFFFFFFFFu));
  // Other processes come and go between the two readings.
  EXPECT_NEAR(static_cast<double>(AvailMem()), expected, expected / 4);
}

}  // namespace
}  // namespace vsk
