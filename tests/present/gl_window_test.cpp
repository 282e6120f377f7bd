// The OpenGL presenter on the demo directory: its window, the frames it draws
// and the refused full screen (a missing backdrop: entry_test's failed start).
#include "present/gl/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "platform/testing.h"
#include "present/gl/frame.h"
#include "services/memory.h"
#include "sound/sfx.h"
#include "startup/report.h"
#include "startup/setup.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "vsk-data/demo.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

// The real window on the demo directory, made and torn down on this thread.
class GLWindowTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    std::string error;
    ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
    FreeSystemReport();  // the device lists of the machine report
    System = SystemContext{};
    Player = PlayerRecord{};
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
    while (hooks::TakeMessageBox(&box)) all += box.caption + ": " + box.text + "\n";
    return all;
  }
  // A 640 x 480 screen (shown once TheScreen is set) and a cleared pointer.
  uint8_t* MakeScreen() {
    bitmap_ = AllocBitMap(640, 480, 8, 0);
    EXPECT_NE(bitmap_, nullptr);
    screen_.BitMap = bitmap_;
    PointerImage = static_cast<uint8_t*>(AllocVec(32 * 27, MEMF_CLEAR));
    return bitmap_ ? bitmap_->Pixels : nullptr;
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

TEST_F(GLWindowTest, TheFrameShowsScreenPointerAndBackdrop) {
  ASSERT_EQ(Create(0), 1) << Boxes();
  EXPECT_EQ(Boxes(), "");
  EXPECT_EQ(PointerX.load(), 384);
  EXPECT_EQ(PointerY.load(), 287);
  EXPECT_NE(System.picturePathList, nullptr) << "the set-up ran with the window";

  // No screen yet: black in the middle, the backdrop cube around it.
  std::vector<uint8_t> rgb = Frame();
  EXPECT_EQ(At(rgb, 400, 150), (Rgb{0, 0, 0}));
  size_t lit = 0;
  for (int y = 0; y < 600; y += 10)
    for (int x = 0; x < 70; x += 10) lit += At(rgb, x, y) != Rgb{0, 0, 0};
  EXPECT_GT(lit, 60u * 7 / 4) << "the side band shows the backdrop";

  // A screen of colour 5; a pointer with an 8 x 8 block of colour 200, index 0 elsewhere.
  uint8_t* pixels = MakeScreen();
  ASSERT_NE(pixels, nullptr);
  std::memset(pixels, 5, 640 * 480);
  TheScreen = &screen_;
  GLColors[5] = {10, 200, 30, 0};
  GLColors[200] = {250, 240, 5, 0};
  for (int y = 8; y < 16; ++y) std::memset(PointerImage + y * 32 + 8, 200, 8);
  PointerX = 100;
  PointerY = 100;
  rgb = Frame();
  EXPECT_EQ(At(rgb, 400, 300), (Rgb{10, 200, 30}));
  EXPECT_EQ(At(rgb, 81, 61), (Rgb{10, 200, 30})) << "the screen's corner at (80, 60)";
  EXPECT_EQ(At(rgb, 112, 112), (Rgb{250, 240, 5})) << "pointer colour 200";
  EXPECT_EQ(At(rgb, 102, 102), (Rgb{10, 200, 30})) << "pointer index 0 shows the screen";
  EXPECT_NE(At(rgb, 40, 300), (Rgb{10, 200, 30})) << "the band beside the screen is backdrop";
}

// The frames as drawn (uploads only on a change, the cube only in the bands)
// pixel for pixel against full redraws, through one sequence of changes run
// twice: a title, a fade step, a text box, nothing, cycling colours (only in
// the lower half), the pointer over a band.
TEST_F(GLWindowTest, FramesAreTheSameAsWhenEverythingIsRedrawn) {
  ASSERT_EQ(Create(0), 1) << Boxes();
  uint8_t* pixels = MakeScreen();
  ASSERT_NE(pixels, nullptr);
  for (int i = 4 * 32; i < 20 * 32; ++i) PointerImage[i] = static_cast<uint8_t>(i % 7 ? 200 : 0);
  auto title = [&] {
    for (uint32_t y = 0; y < 480; ++y)
      for (uint32_t x = 0; x < 640; ++x)  // indices 128..255 only in the lower half
        pixels[y * 640 + x] = static_cast<uint8_t>((x * 7 + y * 3) % 128 + (y >= 240) * 128);
    for (int i = 0; i < 256; ++i)
      GLColors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 5), 0};
    PointerX = 100;
    PointerY = 100;
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
      [] {
        PointerX = 5;
        PointerY = 570;
      },
  };
  std::vector<std::vector<uint8_t>> frames[2];
  for (bool everything : {false, true}) {
    GLRedrawEverything = everything;
    title();
    TheScreen = &screen_;
    for (const auto& change : changes) {
      change();
      frames[everything].push_back(Frame());
    }
    TheScreen = nullptr;
  }
  GLRedrawEverything = false;
  for (size_t i = 0; i < std::size(changes); ++i)
    EXPECT_TRUE(frames[0][i] == frames[1][i]) << "frame " << i << " differs from the one drawn in full";
  EXPECT_NE(frames[0][0], frames[0][1]) << "the fade step shows";
  EXPECT_NE(frames[0][1], frames[0][2]) << "the text box shows";
}

// Full screen scales the window; a refused display mode asks: No ends the
// start, Yes opens the window windowed.
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
  hooks::MessageBoxRecord box;
  ASSERT_TRUE(hooks::TakeMessageBox(&box));
  EXPECT_EQ(box.caption, "Veskaria");
  EXPECT_EQ(box.text, "Fullscreen is not supported by your \nvideo card.\n\nDo you want to start in windowed mode ?");
  EXPECT_EQ(box.type, static_cast<unsigned>(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(WindowHandle, nullptr);
  EXPECT_EQ(Boxes(), "");
  hooks::QueueMessageBoxAnswer(IDYES);
  ASSERT_EQ(Create(1), 1) << Boxes();
  EXPECT_EQ(FullScreen.load(), 0);
  EXPECT_FALSE(hooks::IsFullScreenScaled(WindowHandle));
  EXPECT_NE(Boxes().find("Fullscreen is not supported"), std::string::npos);
}

}  // namespace
}  // namespace vsk
