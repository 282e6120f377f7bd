// The timeval pair as one 64-bit number: comparison, carry and borrow
// without normalising at 1,000,000, null arguments logged, and the delay.
#include "services/time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/log.h"

namespace vsk {
namespace {

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
