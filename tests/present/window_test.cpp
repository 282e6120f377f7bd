// The OpenGL window's frames and full screen; both window procedures; the DirectDraw display objects.
#include <ddraw.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/context.h"
#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "platform/testing.h"
#include "present/dd/window.h"
#include "present/gl/frame.h"
#include "present/gl/window.h"
#include "services/memory.h"
#include "sound/sfx.h"
#include "startup/report.h"
#include "startup/setup.h"
#include "support/client_run.h"
#include "support/eventually.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/plain_window.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

// The real window on the demo directory, made and torn down on this thread.
class GLWindowTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    std::string error;
    ASSERT_TRUE(test::WriteDemoOnFreshRecords(root_, &error)) << error;
    MainThreadId = 0;
    MainThreadHandle = nullptr;
    PresenterChoice = kPresenterOpenGL;
    hooks::CaptureGLFrames(true);
  }
  void TearDown() override {
    if (WindowHandle) GLDestroyWindow();
    ExitSoundEnv();
    ReleaseSystem();
    FreeSystemReport();
    PresenterChoice = kPresenterDirectDraw;
    FreeVec(PointerImage);
    PointerImage = nullptr;
    TheScreen = nullptr;
    if (bitmap_) FreeBitMap(bitmap_);
    FullScreen = 0;
    hooks::CaptureGLFrames(false);
    hooks::FailDisplayModeChanges(false);
    hooks::ResetMessageBoxes();
    GameDirTest::TearDown();
  }
  int Create(int fullScreen) {
    test::LogCapture log;  // the report and the set-up's lines
    return GLCreateWindow("Veskaria / OpenGL", 800, 600, 32, fullScreen);
  }
  static std::string Boxes() {
    std::string all;
    hooks::MessageBoxRecord box;
    while (hooks::TakeMessageBox(&box)) all += box.caption + " " + std::to_string(box.type) + ": " + box.text + "\n";
    return all;
  }
  // One frame drawn and shown; its pixels as RGB, top row first.
  std::vector<uint8_t> Frame() {
    GLRenderFrame();
    SwapBuffers(wglGetCurrentDC());
    int width = 0, height = 0;
    std::vector<uint8_t> rgb(hooks::LastGLFrame(&width, &height, nullptr, 0));
    hooks::LastGLFrame(&width, &height, rgb.data(), rgb.size());
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    return rgb;
  }
  static std::vector<int> At(const std::vector<uint8_t>& rgb, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * 800 + x) * 3;
    if (at + 2 >= rgb.size()) return {};
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
  }
  BitMap* bitmap_ = nullptr;
  Screen screen_{};
};

using Rgb = std::vector<int>;

// Frames as drawn (uploads on a change only, the cube in the bands) pixel for pixel against full redraws
// of: a title, a fade step, a text box, nothing, cycling colours (lower half only), the pointer over a band.
TEST_F(GLWindowTest, FramesAreTheSameAsWhenEverythingIsRedrawn) {
  ASSERT_EQ(Create(0), 1) << Boxes();
  EXPECT_EQ(Boxes(), "");
  EXPECT_EQ(std::pair(PointerX.load(), PointerY.load()), std::pair(384, 287));
  EXPECT_NE(System.picturePathList, nullptr) << "the set-up ran with the window";
  // A 640 x 480 screen (shown once TheScreen is set) and a pointer.
  ASSERT_NE(bitmap_ = AllocBitMap(640, 480, 8, 0), nullptr);
  screen_.BitMap = bitmap_;
  uint8_t* pixels = bitmap_->Pixels;
  PointerImage = static_cast<uint8_t*>(AllocVec(32 * 27, MEMF_CLEAR));
  for (int i = 4 * 32; i < 20 * 32; ++i) PointerImage[i] = static_cast<uint8_t>(i % 7 ? 200 : 0);
  auto index = [](int x, int y) { return (x * 7 + y * 3) % 128 + (y >= 240) * 128; };  // 128..255: lower half
  auto title = [&] {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) pixels[y * 640 + x] = static_cast<uint8_t>(index(x, y));
    for (int i = 0; i < 256; ++i)
      GLColors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 5), 0};
    PointerX = PointerY = 100;
    RotX = RotY = RotZ = 0;
  };
  const std::function<void()> changes[] = {
      [] {},
      [] {
        for (ColorEntry& c : GLColors) c = {static_cast<uint8_t>(c.red / 2), static_cast<uint8_t>(c.green / 2),
                                            static_cast<uint8_t>(c.blue / 2), 0};
      },
      [&] {
        for (uint32_t y = 80; y < 400; ++y) std::memset(pixels + y * 640 + 100, 33 + y % 3, 440);
      },
      [] {},
      [] { std::rotate(GLColors + 139, GLColors + 140, GLColors + 156); },
      [] { PointerX = 5, PointerY = 570; },
  };
  // Drawn as today (the screen copied), as a driver without framebuffer
  // copies draws it (a quad), and in full as the presenter first did.
  std::vector<std::vector<uint8_t>> frames[3];
  for (int way : {0, 1, 2}) {
    GLScreenAsQuad = way == 1;
    GLRedrawEverything = way == 2;
    title();
    TheScreen = &screen_;
    for (const auto& change : changes) {
      change();
      frames[way].push_back(Frame());
    }
    TheScreen = nullptr;
  }
  GLRedrawEverything = GLScreenAsQuad = false;
  for (size_t i = 0; i < std::size(changes); ++i) {
    EXPECT_TRUE(frames[0][i] == frames[2][i]) << "frame " << i << " differs from the one drawn in full";
    EXPECT_TRUE(frames[1][i] == frames[2][i]) << "frame " << i << " drawn as a quad differs";
  }
  EXPECT_NE(frames[0][0], frames[0][1]) << "the fade step shows";
  EXPECT_NE(frames[0][1], frames[0][2]) << "the text box shows";
  // The title frame: the screen from (80, 60), the pointer at (100, 100), the backdrop beside them.
  auto screenAt = [&](int x, int y) { return Rgb{index(x, y), 255 - index(x, y), index(x, y) * 5 % 256}; };
  const std::vector<uint8_t>& first = frames[0][0];
  EXPECT_EQ(At(first, 400, 300), screenAt(320, 240));
  EXPECT_EQ(At(first, 80, 60), screenAt(0, 0)) << "the screen's corner";
  EXPECT_EQ(At(first, 719, 539), screenAt(639, 479)) << "the screen's last pixel";
  EXPECT_EQ(At(first, 102, 105), (Rgb{200, 55, 232})) << "pointer colour 200";
  EXPECT_EQ(At(first, 102, 102), screenAt(22, 42)) << "pointer index 0 shows the screen";
  size_t lit = 0;
  for (int y = 0; y < 600; y += 10) lit += At(first, 40, y) != Rgb{0, 0, 0};
  EXPECT_GT(lit, 60u / 4) << "the side band shows the backdrop";
}

// Full screen scales the window; a refused display mode asks: No ends the start, Yes opens a window.
TEST_F(GLWindowTest, FullScreenOrOnRefusalAWindowIfThePlayerSaysYes) {
  ASSERT_EQ(Create(1), 1) << Boxes();
  EXPECT_EQ(FullScreen.load(), 1);
  EXPECT_TRUE(hooks::IsFullScreenScaled(WindowHandle));
  HWND first = WindowHandle;
  GLDestroyWindow();
  EXPECT_EQ(WindowHandle, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(Boxes(), "") << "every release succeeded";

  hooks::FailDisplayModeChanges(true);
  hooks::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(Create(1), 0);
  const std::string question =
      "Fullscreen is not supported by your \nvideo card.\n\nDo you want to start in windowed mode ?";
  EXPECT_EQ(Boxes(), "Veskaria " + std::to_string(MB_YESNO | MB_ICONEXCLAMATION) + ": " + question + "\n");
  EXPECT_EQ(WindowHandle, nullptr);
  hooks::QueueMessageBoxAnswer(IDYES);
  ASSERT_EQ(Create(1), 1) << Boxes();
  EXPECT_EQ(FullScreen.load(), 0);
  EXPECT_FALSE(hooks::IsFullScreenScaled(WindowHandle));
  EXPECT_EQ(Boxes(), "Veskaria " + std::to_string(MB_YESNO | MB_ICONEXCLAMATION) + ": " + question + "\n");
}

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
};

class WindowProcTest : public PlainWindow, public ::testing::WithParamInterface<WNDPROC> {
 protected:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) { return GetParam()(WindowHandle, message, wParam, lParam); }
};

// Input and timer go to the game thread, keys, commands and updates stay here; deactivation stops the
// game thread and activation resumes it (close and quit: entry_test ends the whole client with them).
TEST_P(WindowProcTest, InputGoesToTheGameThreadWhichDeactivationStopsUntilActivation) {
  for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CHAR, WM_TIMER}) {
    Send(message, 3, (9 << 16) | 4);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << message;
    EXPECT_EQ(std::tuple(msg.message, msg.wParam, msg.lParam, msg.hwnd),
              std::tuple(message, WPARAM{3}, LPARAM{(9 << 16) | 4}, HWND{})) << "posted to the thread, not to a window";
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

  struct Worker {
    std::atomic<int> steps{0};
    std::atomic<bool> stop{false};
  } state;
  HANDLE worker = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        // Sleep: a call into the layer, where a suspension takes hold.
        for (auto* w = static_cast<Worker*>(p); !w->stop.load(); Sleep(1)) w->steps.fetch_add(1);
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
