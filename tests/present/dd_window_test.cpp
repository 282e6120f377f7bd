// The DirectDraw presenter's window procedure and display set-up: what is
// forwarded to the game thread, activation stopping and resuming it, the
// quit request, and the display objects with their failure boxes.
#include "present/dd/window.h"

#include <ddraw.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "platform/testing.h"
#include "support/eventually.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

class DXWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VeskariaDXTest";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    WindowHandle = CreateWindowExA(0, "VeskariaDXTest", "Veskaria / Test", WS_POPUP, 0, 0, 640, 480, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(WindowHandle, nullptr);
    MainThreadId = GetCurrentThreadId();
    MainThreadHandle = nullptr;
    Drain();
  }
  void TearDown() override {
    DXRelease();
    hooks::FailDisplayModeChanges(false);
    hooks::ResetMessageBoxes();
    DestroyWindow(WindowHandle);
    WindowHandle = nullptr;
    UnregisterClassA("VeskariaDXTest", GetModuleHandleA(nullptr));
    MainThreadId = 0;
    MainThreadHandle = nullptr;
    Drain();
  }
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  // The next message of this thread's queue (the game thread's here).
  static MSG Next() {
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    return msg;
  }
};

TEST_F(DXWindowTest, InputAndTimerGoToTheGameThreadKeysStayHere) {
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CHAR, WM_TIMER}) {
    DXWindowProc(WindowHandle, message, 3, (9 << 16) | 4);
    const MSG msg = Next();
    EXPECT_EQ(msg.message, message);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.lParam, (9 << 16) | 4);
    EXPECT_EQ(msg.hwnd, nullptr) << "posted to the thread, not to a window";
  }
  EXPECT_EQ(DXWindowProc(WindowHandle, WM_KEYDOWN, 'Q', 0), 0);
  EXPECT_EQ(KeyDown['Q'].load(), 1);
  EXPECT_EQ(AnyKeyPressed.load(), 1);
  EXPECT_EQ(DXWindowProc(WindowHandle, WM_KEYUP, 'Q', 0), 0);
  EXPECT_EQ(KeyDown['Q'].load(), 0);
  EXPECT_EQ(DXWindowProc(WindowHandle, WM_SYSCOMMAND, 0xF140, 0), 0) << "no screen saver";
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "keys and commands are not forwarded";
}

TEST_F(DXWindowTest, CloseAsksTheGameThreadAndTheQuitRequestEndsTheLoop) {
  EXPECT_EQ(DXWindowProc(WindowHandle, WM_CLOSE, 0, 0), 0);
  MSG msg = Next();
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  EXPECT_TRUE(IsWindow(WindowHandle)) << "the window stays until the game thread ends";
  EXPECT_EQ(DXWindowProc(WindowHandle, WM_USER + 2, 0, 0), 0);
  msg = Next();
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(DXWindowTest, DeactivationStopsTheGameThreadAndActivationResumesIt) {
  struct Worker {
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};
  } state;
  std::atomic<int>& steps = state.steps;
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
  ASSERT_TRUE(test::Eventually([&] { return steps.load() > 3; }));

  DXWindowProc(WindowHandle, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(WindowActive.load(), 0);
  // Stopped: no step for a while.
  ASSERT_TRUE(test::Eventually([&] {
    const int before = steps.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return steps.load() == before;
  }));
  DXWindowProc(WindowHandle, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(WindowActive.load(), 1);
  const int resumedAt = steps.load();
  EXPECT_TRUE(test::Eventually([&] { return steps.load() > resumedAt + 3; })) << "running again";

  state.stop = true;
  EXPECT_EQ(WaitForSingleObject(worker, 5000), WAIT_OBJECT_0);
  CloseHandle(worker);
  MainThreadHandle = nullptr;
}

TEST_F(DXWindowTest, TheDisplayObjectsAndTheirFailures) {
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

  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(DXInit(), 0);
  hooks::MessageBoxRecord box;
  ASSERT_TRUE(hooks::TakeMessageBox(&box));
  EXPECT_EQ(box.text, "(DX) Can't set display mode .");
  EXPECT_EQ(box.caption, "ERROR");
  EXPECT_EQ(box.type, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(DDObject, nullptr) << "what was made is released again";
}

}  // namespace
}  // namespace vsk
