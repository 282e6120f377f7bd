// Input events: queue messages as event codes, the pointer hit test, ticks, random numbers.
#include "pictures/events.h"

#include "pictures/pictures_test.h"
#include "services/random.h"

namespace vsk {
namespace {

void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam));
}

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PresenterChoice = kPresenterOpenGL;
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void TearDown() override { PresenterChoice = previous_; }
  const int32_t previous_ = PresenterChoice;
};

TEST_F(EventsTest, EveryMessageGivesItsCodeOthersAreDroppedAndTicksComeWhenAskedFor) {
  const std::vector<std::vector<int64_t>> cases = {  // message, wParam, event
      {WM_KEYDOWN, 'A', kEventKey}, {WM_CHAR, 'a', kEventKey}, {WM_RBUTTONUP, 0, kEventQuit}, {WM_CLOSE, 0, kEventQuit},
      {WM_LBUTTONDOWN, 1, kEventLeftDown}, {WM_MOUSEMOVE, MK_LBUTTON, kEventLeftDown}, {WM_LBUTTONUP, 0, kEventLeftUp},
      {WM_MOUSEMOVE, 0, kEventMove}, {WM_MOUSEMOVE, 3, kEventMove}, {WM_MOUSEMOVE, MK_LBUTTON | 4, kEventMove},
      {WM_RBUTTONDOWN, 2, kEventRightDown}, {WM_MOUSEMOVE, MK_RBUTTON, kEventRightDown}};
  for (const auto& c : cases) {
    // Messages without an event in front of each one are taken and dropped.
    for (UINT dropped : {WM_LBUTTONDBLCLK, WM_ERASEBKGND, WM_TIMER}) Post(dropped, 3);
    Post(static_cast<UINT>(c[0]), static_cast<WPARAM>(c[1]), (7 << 16) | 5);
    EXPECT_EQ(WaitEvent(0), c[2]) << "message " << c[0] << " wParam " << c[1];
  }
  EXPECT_EQ(PointerX.load() + 1000 * PointerY.load(), 7005) << "mouse moves move the pointer";
  // Ticks come from the window timer (3) only, and only when asked for.
  Post(WM_TIMER, 4);
  Post(WM_TIMER, 3);
  Post(WM_KEYDOWN);
  EXPECT_EQ(WaitEvent(kWaitTicks), kEventTick);
  EXPECT_EQ(WaitEvent(kWaitTicks), kEventKey);
  // Ten ticks end the wait; other events in between are ignored.
  for (int i = 0; i < 10; ++i) {
    Post(WM_TIMER, 3);
    Post(WM_LBUTTONDOWN);
  }
  Post(WM_RBUTTONUP);
  EXPECT_EQ(WaitTicks(), 0);
  EXPECT_EQ(WaitEvent(0), kEventLeftDown) << "the tenth tick ended the wait";
  EXPECT_EQ(WaitEvent(0), kEventQuit);
}

TEST_F(EventsTest, PointerInRectIsStrictAndCentresInTheOpenGLWindow) {
  PresenterChoice = kPresenterDirectDraw;
  PointerX = 10;
  PointerY = 20;
  EXPECT_EQ(PointerInRect(9, 11, 19, 21), 1);
  // On the left, right and top borders.
  EXPECT_EQ(PointerInRect(10, 11, 19, 21) + PointerInRect(9, 10, 19, 21) + PointerInRect(9, 11, 20, 21), 0);
  EXPECT_EQ(GetScreenMouseY(), 20);
  PresenterChoice = kPresenterOpenGL;
  const int32_t width = WindowWidth, height = WindowHeight;
  WindowWidth = 800;
  WindowHeight = 600;
  PointerX = 90;  // screen x 10
  PointerY = 80;  // screen y 20
  EXPECT_EQ(PointerInRect(9, 11, 19, 21), 1);
  EXPECT_EQ(PointerInRect(80, 100, 70, 90), 0) << "window coordinates are not screen coordinates";
  EXPECT_EQ(GetMouseY(), 80) << "GetMouseY gives the window coordinate";
  EXPECT_EQ(GetScreenMouseY(), 20) << "GetScreenMouseY the screen's";
  WindowWidth = width;
  WindowHeight = height;

  // With an empty queue WaitEvent sleeps until a message arrives.
  std::thread poster([me = GetCurrentThreadId()] { Sleep(50); PostThreadMessageA(me, WM_CLOSE, 0, 0); });
  EXPECT_EQ(WaitEvent(0), kEventQuit);
  poster.join();
}

TEST(Random, TheRunTimesSequenceFromItsSeedOnEachThread) {
  SeedRandom(1);
  EXPECT_EQ((std::vector<int32_t>{Random(), Random(), Random(), Random()}),
            (std::vector<int32_t>{41, 18467, 6334, 26500}));
  SeedRandom(1);
  EXPECT_EQ((std::vector<uint32_t>{RangeRandom(100), RangeRandom(100), RangeRandom(0)}),
            (std::vector<uint32_t>{41, 18467 % 101, 0}));
  // A new thread starts as if seeded with 1 and leaves this thread's state alone.
  SeedRandom(1);
  int32_t other = -1;
  std::thread([&other] { other = Random(); }).join();
  EXPECT_EQ(other, 41);
  EXPECT_EQ(Random(), 41);
}

}  // namespace
}  // namespace vsk
