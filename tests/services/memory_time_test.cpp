// AllocVec's cleared blocks and injected failure, and the timeval pair as
// one 64-bit number: comparison, carry and borrow without normalising at
// 1,000,000, null arguments logged, and the delay.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "services/memory.h"
#include "services/memory_faults.h"
#include "services/time.h"
#include "support/log.h"

namespace vsk {
namespace {

TEST(AllocVec, ClearFlagZeroesADirtiedBlockAndTheInjectedFailureHitsExactlyTheNthCall) {
  // Dirtied same-sized blocks given back first, so the cleared one is likely one of them.
  for (int i = 0; i < 8; ++i) {
    void* dirty = AllocVec(4096, MEMF_FAST);
    ASSERT_NE(dirty, nullptr);
    std::memset(dirty, 0xAB, 4096);
    FreeVec(dirty);
  }
  auto* block = static_cast<uint8_t*>(AllocVec(4096, MEMF_FAST | MEMF_CLEAR));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::count(block, block + 4096, 0), 4096);
  FreeVec(block);

  FailAllocVecAt(3);
  void* blocks[4];
  test::LogCapture quiet;  // its log line is checked with LoadFile
  for (void*& b : blocks) b = AllocVec(8, 0);
  EXPECT_TRUE(blocks[0] && blocks[1] && blocks[3]);
  EXPECT_EQ(blocks[2], nullptr);
  for (void* b : blocks) FreeVec(b);
}

TEST(CmpTime, ComparesSecondsThenMicrosecondsBothSigned) {
  struct Row { timeval a, b; int expected; };  // -1: a is later, 1: a is earlier
  for (const Row& row : {Row{{5, 0}, {4, 7}, -1}, Row{{4, 1}, {4, 2}, 1}, Row{{4, 1}, {4, 1}, 0},
                         Row{{-1, 0}, {0, 0}, 1}, Row{{0, 0x80000000u}, {0, 1}, 1}}) {
    SCOPED_TRACE(std::to_string(row.a.tv_secs) + "." + std::to_string(row.a.tv_micro));
    EXPECT_EQ(CmpTime(&row.a, &row.b), row.expected);
  }
}

TEST(AddTimeSubTime, CarryAndBorrowOverTheSixtyFourBitPair) {
  struct Row { bool add; timeval t, operand, expected; };
  for (Row row : {Row{true, {0, 0xFFFFFFFFu}, {0, 1}, {1, 0}}, Row{false, {2, 0}, {0, 1}, {1, 0xFFFFFFFFu}},
                  Row{true, {0, 999999}, {0, 2}, {0, 1000001}}}) {
    SCOPED_TRACE(std::to_string(row.t.tv_secs) + "." + std::to_string(row.t.tv_micro));
    row.add ? AddTime(&row.t, &row.operand) : SubTime(&row.t, &row.operand);
    EXPECT_EQ(row.t.tv_secs, row.expected.tv_secs);
    EXPECT_EQ(row.t.tv_micro, row.expected.tv_micro);
  }
}

TEST(AddTimeSubTime, NullArgumentsLogAndChangeNothing) {
  timeval t{7, 8};
  test::LogCapture log;
  AddTime(nullptr, &t);
  AddTime(&t, nullptr);
  SubTime(&t, nullptr);
  EXPECT_EQ(CmpTime(nullptr, &t), 0);
  EXPECT_EQ(log.Take(),
            "AddTime: Der uebergebene timeval ptr ist nicht valid!\n"
            "AddTime: Der uebergebene timeval ptr ist nicht valid!\n"
            "SubTime: \xdc" "bergebenere Ptr war nicht Valid.\n"
            "CmpTime: Der uebergebene timeval ptr ist nicht valid!\n");
  EXPECT_EQ(t.tv_secs, 7);
  EXPECT_EQ(t.tv_micro, 8u);
}

TEST(Delay, WaitsTwentyMillisecondsPerTick) {
  const auto start = std::chrono::steady_clock::now();
  Delay(5);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  Delay(0);  // yields and returns
}

}  // namespace
}  // namespace vsk
