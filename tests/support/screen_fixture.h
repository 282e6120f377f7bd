// A screen to draw on, in either presenter mode, set up the way the game has
// it while a screen picture is open:
//  - PresenterChoice is the mode under test;
//  - a window of the layer is WindowHandle (created on the test thread, so
//    the WM_USER + 1 messages of UpdateRectangle land in the test thread's
//    queue and TakeUpdates reads them back);
//  - DirectDraw mode: DDObject, PrimarySurface, OffscreenSurface,
//    PointerSurface and DDPalette are created as the DirectDraw presenter
//    creates them (exclusive 640 x 480 x 8, pointer surface with colour key
//    0, palette from ScreenColors attached to the primary surface);
//  - TheScreen holds a 640 x 480 screen bitmap with its own pixel block, and
//    in DirectDraw mode OffscreenSurface as its Surface, and its rastport is
//    initialised on that bitmap.
// Everything is torn down again (ScreenTest then expects no DirectDraw
// object left alive), and the working directory is a fresh game directory
// (GameDirTest). Parameterised tests use ScreenModeTest with
// ::testing::Values(kPresenterOpenGL, kPresenterDirectDraw) or AllPresenters().
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "support/gamedir.h"

namespace vsk::test {

// A rectangle that UpdateRectangle reported (OpenGL mode).
struct UpdateRect {
  int32_t x, y, width, height;
  bool operator==(const UpdateRect& other) const {
    return x == other.x && y == other.y && width == other.width && height == other.height;
  }
};
void PrintTo(const UpdateRect& rect, std::ostream* os);

// Sets up the screen of the chosen mode; false (with a test failure) when
// the layer refused a step. Safe to pair with TearDownScreen in any state.
bool SetUpScreen(int32_t presenter);
void TearDownScreen();

// The update rectangles posted to WindowHandle since the last call (OpenGL
// mode; DirectDraw mode posts none, it copies to the primary surface).
std::vector<UpdateRect> TakeUpdates();

// A pixel of any bitmap: through its surface (locked whole) in DirectDraw
// mode when it has one, else from its pixel memory.
uint8_t BitmapPixel(const BitMap* bitmap, int32_t x, int32_t y);
// All pixels of a bitmap, row after row without gaps, the same two ways.
std::vector<uint8_t> BitmapPixels(const BitMap* bitmap);
// Sets every pixel of a bitmap to one value, the same two ways.
void FillBitmap(BitMap* bitmap, uint8_t value);
// A pixel of the screen bitmap.
uint8_t ScreenPixel(int32_t x, int32_t y);
// What the display shows at (x, y): the primary surface in DirectDraw mode
// (including the pointer where it lies), the screen bitmap in OpenGL mode
// (the presenter converts all of it every frame).
uint8_t DisplayPixel(int32_t x, int32_t y);

// Both presenter modes, for INSTANTIATE_TEST_SUITE_P.
inline auto AllPresenters() { return ::testing::Values(kPresenterOpenGL, kPresenterDirectDraw); }
// "OpenGL" / "DirectDraw" as the test name suffix.
std::string PresenterName(const ::testing::TestParamInfo<int32_t>& info);

class ScreenTest : public GameDirTest {
 protected:
  // Mode of the screen; ScreenModeTest takes it from the parameter.
  virtual int32_t Presenter() const { return kPresenterOpenGL; }
  void SetUp() override;
  void TearDown() override;

  RastPort* ScreenRp() const { return &TheScreen->RastPort; }
  bool DirectDraw() const { return Presenter() == kPresenterDirectDraw; }

  int64_t blocksBefore_ = 0;  // AllocVec blocks live once the screen stands
};

class ScreenModeTest : public ScreenTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  int32_t Presenter() const override { return GetParam(); }
};

}  // namespace vsk::test
