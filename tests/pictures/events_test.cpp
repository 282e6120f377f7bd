// Input events: messages of the thread's own queue turned into event codes,
// the pointer hit test, the tick wait and the random numbers.
#include "pictures/events.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "core/presenter_state.h"
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
  void TearDown() override {
    PresenterChoice = previous_;
    WindowWidth = width_;
    WindowHeight = height_;
  }
  const int32_t previous_ = PresenterChoice, width_ = WindowWidth, height_ = WindowHeight;
};

TEST_F(EventsTest, EveryMessageGivesItsCodeAndOthersAreDropped) {
  const struct {
    UINT message;
    WPARAM wParam;
    int32_t event;
  } cases[] = {
      {WM_KEYDOWN, 'A', kEventKey},          {WM_CHAR, 'a', kEventKey},
      {WM_RBUTTONUP, 0, kEventQuit},         {WM_CLOSE, 0, kEventQuit},
      {WM_LBUTTONDOWN, 1, kEventLeftDown},   {WM_MOUSEMOVE, MK_LBUTTON, kEventLeftDown},
      {WM_LBUTTONUP, 0, kEventLeftUp},       {WM_MOUSEMOVE, 0, kEventMove},
      {WM_MOUSEMOVE, 3, kEventMove},         {WM_MOUSEMOVE, MK_LBUTTON | 4, kEventMove},
      {WM_RBUTTONDOWN, 2, kEventRightDown},  {WM_MOUSEMOVE, MK_RBUTTON, kEventRightDown},
  };
  for (const auto& c : cases) {
    // Messages without an event in front of each one are taken and dropped.
    Post(WM_LBUTTONDBLCLK);
    Post(WM_ERASEBKGND);
    Post(WM_TIMER, 3);
    Post(c.message, c.wParam, (7 << 16) | 5);
    EXPECT_EQ(WaitEvent(0), c.event) << "message " << c.message << " wParam " << c.wParam;
  }
  EXPECT_EQ(PointerX.load(), 5) << "mouse moves move the pointer";
  EXPECT_EQ(PointerY.load(), 7);
  EXPECT_EQ(GetMouseY(), 7);
}

TEST_F(EventsTest, TicksOnlyWhenAskedForAndOnlyFromTheWindowTimer) {
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

TEST_F(EventsTest, WaitEventSleepsUntilAMessageArrives) {
  // The message comes from another thread 50 ms later: WaitEvent blocks for it.
  const DWORD me = GetCurrentThreadId();
  HANDLE poster = CreateThread(
      nullptr, 0,
      [](LPVOID id) -> DWORD {
        Sleep(50);
        PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(id)), WM_RBUTTONUP, 0, 0);
        return 0;
      },
      reinterpret_cast<LPVOID>(static_cast<uintptr_t>(me)), 0, nullptr);
  ASSERT_NE(poster, nullptr);
  EXPECT_EQ(WaitEvent(0), kEventQuit);
  WaitForSingleObject(poster, INFINITE);
  CloseHandle(poster);
}

TEST_F(EventsTest, PointerInRectIsStrictAndCentresInTheOpenGLWindow) {
  PresenterChoice = kPresenterDirectDraw;
  PointerX = 10;
  PointerY = 20;
  // Inside, then on the left, right and top borders.
  EXPECT_EQ((std::vector<int32_t>{PointerInRect(9, 11, 19, 21), PointerInRect(10, 11, 19, 21),
                                  PointerInRect(9, 10, 19, 21), PointerInRect(9, 11, 20, 21)}),
            (std::vector<int32_t>{1, 0, 0, 0}));
  EXPECT_EQ(GetScreenMouseY(), 20);

  PresenterChoice = kPresenterOpenGL;
  WindowWidth = 800;
  WindowHeight = 600;
  PointerX = 90;  // screen x 10
  PointerY = 80;  // screen y 20
  EXPECT_EQ(PointerInRect(9, 11, 19, 21), 1);
  EXPECT_EQ(PointerInRect(80, 100, 70, 90), 0) << "window coordinates are not screen coordinates";
  EXPECT_EQ(GetMouseY(), 80) << "GetMouseY gives the window coordinate";
  EXPECT_EQ(GetScreenMouseY(), 20) << "GetScreenMouseY the screen's";
}

TEST(Random, TheRunTimesSequenceFromItsSeedPerThread) {
  SeedRandom(1);
  EXPECT_EQ((std::vector<int32_t>{Random(), Random(), Random(), Random()}),
            (std::vector<int32_t>{41, 18467, 6334, 26500}));
  SeedRandom(1);
  EXPECT_EQ(RangeRandom(100), 41u);
  EXPECT_EQ(RangeRandom(100), 18467u % 101);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(RangeRandom(0), 0u);
  // Each thread draws from its own state.
  SeedRandom(1);
  int32_t other = -1;
  HANDLE thread = CreateThread(
      nullptr, 0, [](LPVOID out) -> DWORD { return static_cast<DWORD>(*static_cast<int32_t*>(out) = Random()); },
      &other, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(other, 41) << "a new thread starts as if seeded with 1";
  EXPECT_EQ(Random(), 41) << "and leaves this thread's state alone";
}

}  // namespace
}  // namespace vsk
