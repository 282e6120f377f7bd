// Both presenters' window procedures on a plain window, this thread playing
// the game thread; and the DirectDraw display objects.
#include <ddraw.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "platform/testing.h"
#include "present/dd/window.h"
#include "present/gl/window.h"
#include "support/eventually.h"
#include "support/plain_window.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

class PlainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowHandle = test::MakePlainWindow("VeskariaProcTest", 640, 480);
    ASSERT_NE(WindowHandle, nullptr);
    MainThreadId = GetCurrentThreadId();
    MainThreadHandle = nullptr;
    test::DrainMessages();
  }
  void TearDown() override {
    DXRelease();
    hooks::FailDisplayModeChanges(false);
    hooks::ResetMessageBoxes();
    test::RemovePlainWindow(WindowHandle, "VeskariaProcTest");
    WindowHandle = nullptr;
    MainThreadId = 0;
    MainThreadHandle = nullptr;
    WindowActive = 1;
  }
  // The next message of this thread's queue (the game thread's here).
  static MSG Next() {
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    return msg;
  }
};

class WindowProcTest : public PlainWindow, public ::testing::WithParamInterface<WNDPROC> {
 protected:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return GetParam()(WindowHandle, message, wParam, lParam); }
};

TEST_P(WindowProcTest, InputAndTimerGoToTheGameThreadKeysCommandsAndUpdatesStayHere) {
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CHAR, WM_TIMER}) {
    Send(message, 3, (9 << 16) | 4);
    const MSG msg = Next();
    EXPECT_EQ(msg.message, message);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.lParam, (9 << 16) | 4);
    EXPECT_EQ(msg.hwnd, nullptr) << "posted to the thread, not to a window";
  }
  EXPECT_EQ(Send(WM_KEYDOWN, VK_F1, 0), 0);
  EXPECT_EQ(KeyDown[VK_F1].load(), 1) << "the OpenGL window loop reads F1 from here";
  EXPECT_EQ(AnyKeyPressed.load(), 1);
  EXPECT_EQ(Send(WM_KEYUP, VK_F1, 0), 0);
  EXPECT_EQ(KeyDown[VK_F1].load(), 0);
  EXPECT_EQ(Send(WM_SYSCOMMAND, 0xF140, 0), 0) << "no screen saver";
  EXPECT_EQ(Send(WM_SYSCOMMAND, 0xF170, 0), 0) << "the monitor stays on";
  Send(WM_USER + 1, (10 << 16) | 20, (30 << 16) | 40);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "keys, commands and updates are not forwarded";
}

// The close and quit requests: entry_test ends the whole client with them in both presenters.
TEST_P(WindowProcTest, DeactivationStopsTheGameThreadAndActivationResumesIt) {
  struct Worker {
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};
  } state;
  HANDLE worker = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* w = static_cast<Worker*>(p);
        while (!w->stop.load()) {
          w->steps.fetch_add(1);
          Sleep(1);  // a call into the layer: where a suspension takes hold
        }
        return 0;
      },
      &state, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  MainThreadHandle = worker;
  ASSERT_TRUE(test::Eventually([&] { return state.steps.load() > 3; }));

  EXPECT_EQ(Send(WM_ACTIVATE, WA_INACTIVE, 0), 0);
  EXPECT_EQ(WindowActive.load(), 0);
  ASSERT_TRUE(test::Eventually([&] {  // stopped: no step for a while
    const int before = state.steps.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return state.steps.load() == before;
  }));
  // Both ways of activation, one for each presenter.
  EXPECT_EQ(Send(WM_ACTIVATE, GetParam() == &GLWindowProc ? WA_ACTIVE : WA_CLICKACTIVE, 0), 0);
  EXPECT_EQ(WindowActive.load(), 1);
  const int resumedAt = state.steps.load();
  EXPECT_TRUE(test::Eventually([&] { return state.steps.load() > resumedAt + 3; })) << "running again";

  state.stop = true;
  EXPECT_EQ(WaitForSingleObject(worker, 5000), WAIT_OBJECT_0);
  CloseHandle(worker);
}

INSTANTIATE_TEST_SUITE_P(Presenters, WindowProcTest, ::testing::Values(&DXWindowProc, &GLWindowProc),
                         [](const auto& info) { return std::string(info.param == &DXWindowProc ? "DX" : "GL"); });

TEST_F(PlainWindow, TheDirectDrawDisplayObjectsAndTheirFailures) {
  ASSERT_EQ(DXInit(), 1);
  EXPECT_NE(DDObject, nullptr);
  ASSERT_NE(PrimarySurface, nullptr);
  EXPECT_NE(OffscreenSurface, nullptr);
  EXPECT_NE(PointerSurface, nullptr);
  IDirectDrawPalette* attached = nullptr;
  EXPECT_EQ(PrimarySurface->GetPalette(&attached), DD_OK);
  EXPECT_EQ(attached, DDPalette);
  if (attached) attached->Release();
  DDCOLORKEY key{1, 1};
  EXPECT_EQ(PointerSurface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  EXPECT_EQ(key.dwColorSpaceLowValue, 0u);
  DXRelease();
  EXPECT_EQ(DDObject, nullptr);
  EXPECT_EQ(PrimarySurface, nullptr);
  EXPECT_EQ(DDPalette, nullptr);

  // The failure's box is checked in entry_test's failed start.
  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(DXInit(), 0);
  EXPECT_EQ(DDObject, nullptr) << "what was made is released again";
}

}  // namespace
}  // namespace vsk
