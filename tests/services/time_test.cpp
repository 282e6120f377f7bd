#include "services/time.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/log.h"

namespace vsk {
namespace {

TEST(CmpTime, ComparesSecondsThenMicroseconds) {
  timeval a{5, 0}, b{4, 7};
  EXPECT_EQ(CmpTime(&a, &b), -1);  // a is later
  timeval c{4, 1}, d{4, 2};
  EXPECT_EQ(CmpTime(&c, &d), 1);  // c is earlier
  EXPECT_EQ(CmpTime(&c, &c), 0);
  timeval negative{-1, 0}, zero{0, 0};
  EXPECT_EQ(CmpTime(&negative, &zero), 1);
  // tv_micro compares as a signed number as well.
  timeval high{0, 0x80000000u}, low{0, 1};
  EXPECT_EQ(CmpTime(&high, &low), 1);
}

TEST(AddTimeSubTime, WorkOnTheSixtyFourBitPair) {
  timeval t{1, 2}, add{3, 4};
  AddTime(&t, &add);
  EXPECT_EQ(t.tv_secs, 4);
  EXPECT_EQ(t.tv_micro, 6u);

  timeval carry{0, 0xFFFFFFFFu}, one{0, 1};
  AddTime(&carry, &one);
  EXPECT_EQ(carry.tv_secs, 1);
  EXPECT_EQ(carry.tv_micro, 0u);

  timeval u{2, 0}, sub{0, 1};
  SubTime(&u, &sub);
  EXPECT_EQ(u.tv_secs, 1);
  EXPECT_EQ(u.tv_micro, 0xFFFFFFFFu);

  timeval noNormalise{0, 999999}, more{0, 2};
  AddTime(&noNormalise, &more);
  EXPECT_EQ(noNormalise.tv_secs, 0);
  EXPECT_EQ(noNormalise.tv_micro, 1000001u);
}

TEST(AddTimeSubTime, NullArgumentsLogAndChangeNothing) {
  timeval t{7, 8};
  {
    test::LogCapture log;
    AddTime(nullptr, &t);
    AddTime(&t, nullptr);
    EXPECT_EQ(log.Take(),
              "AddTime: Der uebergebene timeval ptr ist nicht valid!\n"
              "AddTime: Der uebergebene timeval ptr ist nicht valid!\n");
  }
  {
    test::LogCapture log;
    SubTime(&t, nullptr);
    EXPECT_EQ(log.Take(), "SubTime: \xdc" "bergebenere Ptr war nicht Valid.\n");
  }
  {
    test::LogCapture log;
    EXPECT_EQ(CmpTime(nullptr, &t), 0);
    EXPECT_EQ(log.Take(), "CmpTime: Der uebergebene timeval ptr ist nicht valid!\n");
  }
  EXPECT_EQ(t.tv_secs, 7);
  EXPECT_EQ(t.tv_micro, 8u);
}

TEST(Delay, WaitsTwentyMillisecondsPerTick) {
  auto start = std::chrono::steady_clock::now();
  Delay(5);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(100));
  Delay(0);  // yields and returns
}

}  // namespace
}  // namespace vsk
