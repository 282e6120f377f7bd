// Bitmaps, rastports and the pixel primitives, in both presenter modes:
// pixels are read back from memory, from the locked surface and from the
// display, and the screen's update reports are captured.
#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "core/dd_objects.h"
#include "gfx/bitmap.h"
#include "gfx/screen_update.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using test::BitmapPixel;
using test::DisplayPixel;
using test::LogCapture;
using test::ScreenPixel;
using test::TakeUpdates;
using test::UpdateRect;
using Points = std::set<std::pair<int, int>>;

// Every pixel of the w x h corner of a bitmap that is not 0.
Points SetPixels(const BitMap* bitmap, int w, int h) {
  Points points;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (BitmapPixel(bitmap, x, y)) points.insert({x, y});
  return points;
}

class Primitives : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    if (HasFatalFailure()) return;
    bitmap_ = AllocBitMap(13, 12, 8, 1);  // DirectDraw: the pitch is wider
    ASSERT_NE(bitmap_, nullptr);
    test::FillBitmap(bitmap_, 0);
    InitRastPort(&rp_);
    rp_.BitMap = bitmap_;
  }
  void TearDown() override {
    FreeBitMap(bitmap_);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
    ScreenModeTest::TearDown();
  }

  BitMap* bitmap_ = nullptr;
  RastPort rp_{};
};

TEST_P(Primitives, AllocBitMapKeepsItsSizeAndKindOfPixels) {
  EXPECT_EQ(bitmap_->BytesPerRow, 13u);
  EXPECT_EQ(bitmap_->Rows, 12u);
  EXPECT_EQ(bitmap_->Depth, 8u);
  EXPECT_EQ(bitmap_->Flags, 1u);
  EXPECT_NE(bitmap_->Pixels, nullptr);
  EXPECT_EQ(bitmap_->Surface != nullptr, DirectDraw());
  if (!DirectDraw()) {
    BitMap* fresh = AllocBitMap(7, 5, 8, 5);
    ASSERT_NE(fresh, nullptr);
    for (int i = 0; i < 35; ++i) EXPECT_EQ(fresh->Pixels[i], 0) << "OpenGL bitmaps start cleared";
    FreeBitMap(fresh);
  }
}

TEST_P(Primitives, LinesStepAsTheGameAlwaysDrewThem) {
  SetAPen(&rp_, 9);
  Move(&rp_, 0, 0);
  Draw(&rp_, 3, 1);
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(rp_.cp_x, 3);
  EXPECT_EQ(rp_.cp_y, 1);

  test::FillBitmap(bitmap_, 0);
  Move(&rp_, 0, 0);
  Draw(&rp_, 1, 3);
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(BitmapPixel(bitmap_, 1, 3), 9);

  test::FillBitmap(bitmap_, 0);
  Move(&rp_, 0, 0);
  Draw(&rp_, 2, 1);  // the error reaches exactly a: no step yet
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{0, 0}, {1, 0}, {2, 1}}));

  test::FillBitmap(bitmap_, 0);
  Move(&rp_, 10, 8);
  Draw(&rp_, 7, 5);  // backwards: both ends included
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{10, 8}, {9, 7}, {8, 6}, {7, 5}}));

  test::FillBitmap(bitmap_, 0);
  Move(&rp_, 5, 5);
  Draw(&rp_, 5, 5);
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{5, 5}})) << "a zero-length line is one pixel";
}

TEST_P(Primitives, PolyDrawVisitsEveryPoint) {
  SetAPen(&rp_, 3);
  Move(&rp_, 0, 0);
  const uint16_t points[] = {2, 0, 2, 2, 0, 2};
  PolyDraw(&rp_, 3, points);
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}}));
  EXPECT_EQ(rp_.cp_x, 0);
  EXPECT_EQ(rp_.cp_y, 2);
}

TEST_P(Primitives, RectFillTakesCornersInEitherOrder) {
  SetAPen(&rp_, 7);
  RectFill(&rp_, 10, 10, 5, 5);
  Points swapped = SetPixels(bitmap_, 13, 12);
  test::FillBitmap(bitmap_, 0);
  RectFill(&rp_, 5, 5, 10, 10);
  Points ordered = SetPixels(bitmap_, 13, 12);
  EXPECT_EQ(swapped, ordered);
  EXPECT_EQ(ordered.size(), 36u);
  EXPECT_EQ(BitmapPixel(bitmap_, 5, 5), 7);
  EXPECT_EQ(BitmapPixel(bitmap_, 10, 10), 7);
  EXPECT_EQ(BitmapPixel(bitmap_, 11, 10), 0);
}

TEST_P(Primitives, PensKeepTheirLowByteOnly) {
  int wide = 300;
  SetAPen(&rp_, static_cast<uint8_t>(wide));
  EXPECT_EQ(rp_.FgPen, 44);
  SetABPenDrMd(&rp_, 5, 6, JAM1);
  EXPECT_EQ(rp_.FgPen, 5);
  EXPECT_EQ(rp_.BgPen, 6);
  EXPECT_EQ(rp_.DrawMode, JAM1);
  RastPort fresh;
  std::memset(&fresh, 0xAB, sizeof fresh);
  InitRastPort(&fresh);
  EXPECT_EQ(fresh.FgPen, 1);
  EXPECT_EQ(fresh.BgPen, 0);
  EXPECT_EQ(fresh.DrawMode, JAM2);
  EXPECT_EQ(fresh.cp_x + fresh.cp_y + fresh.TxHeight, 0);
  EXPECT_EQ(fresh.Font, nullptr);
  EXPECT_EQ(fresh.BitMap, nullptr);
}

TEST_P(Primitives, PixelsAreWrittenAndReadBack) {
  SetAPen(&rp_, 200);
  WritePixel(&rp_, 12, 11);
  WritePixel(&rp_, 0, 1);
  EXPECT_EQ(BitmapPixel(bitmap_, 12, 11), 200);
  EXPECT_EQ(ReadPixel(&rp_, 12, 11), 200);
  EXPECT_EQ(ReadPixel(&rp_, 0, 1), 200);
  EXPECT_EQ(ReadPixel(&rp_, 11, 11), 0);
  EXPECT_EQ(SetPixels(bitmap_, 13, 12), (Points{{12, 11}, {0, 1}}));
}

TEST_P(Primitives, PixelCallsWithoutATargetSayWhy) {
  RastPort empty;
  InitRastPort(&empty);
  LogCapture log;
  WritePixel(nullptr, 1, 1);
  WritePixel(&empty, 1, 1);
  EXPECT_EQ(ReadPixel(nullptr, 1, 1), 0);
  EXPECT_EQ(ReadPixel(&empty, 1, 1), 0);
  EXPECT_EQ(log.Take(),
            "WritePixel: \xdc" "bergebener Rastport ist nicht valid.\n"
            "WritePixel: \xdc" "bergebener RastPort hat keine Bitmap.\n"
            "ReadPixel: RastPort nicht valid.\n"
            "ReadPixel: RastPort besitzt keine BitMap \n");
}

TEST_P(Primitives, DrawingOffTheScreenReportsNothing) {
  SetAPen(&rp_, 1);
  Move(&rp_, 0, 0);
  Draw(&rp_, 4, 4);
  RectFill(&rp_, 0, 0, 2, 2);
  WritePixel(&rp_, 3, 3);
  EXPECT_TRUE(TakeUpdates().empty());
}

INSTANTIATE_TEST_SUITE_P(BothPresenters, Primitives, test::AllPresenters(), test::PresenterName);

// Drawing on the screen's rastport: the pixels reach the screen bitmap and
// (DirectDraw) the display, and each call reports its rectangle.
class ScreenDrawing : public test::ScreenModeTest {};

TEST_P(ScreenDrawing, LinesReportABandTwoPixelsThick) {
  SetAPen(ScreenRp(), 12);
  Move(ScreenRp(), 10, 5);
  Draw(nullptr, 20, 5);  // null: the screen
  EXPECT_EQ(ScreenPixel(10, 5), 12);
  EXPECT_EQ(ScreenPixel(20, 5), 12);
  EXPECT_EQ(DisplayPixel(15, 5), 12);
  EXPECT_EQ(DisplayPixel(21, 5), 0);
  EXPECT_EQ(ScreenRp()->cp_x, 20);
  if (!DirectDraw()) {
    EXPECT_EQ(TakeUpdates(), (std::vector<UpdateRect>{{10, 5, 11, 2}}));
  }

  Draw(nullptr, 17, 30);  // up-right end first: the box is ordered
  Draw(nullptr, 17, 30);  // zero length
  EXPECT_EQ(DisplayPixel(17, 30), 12);
  if (!DirectDraw()) {
    EXPECT_EQ(TakeUpdates(), (std::vector<UpdateRect>{{17, 5, 4, 26}, {17, 30, 2, 2}}));
  }
}

TEST_P(ScreenDrawing, FillsAndPixelsReachTheDisplay) {
  SetAPen(ScreenRp(), 33);
  RectFill(ScreenRp(), 639, 479, 630, 470);
  EXPECT_EQ(ScreenPixel(630, 470), 33);
  EXPECT_EQ(DisplayPixel(635, 475), 33);
  EXPECT_EQ(DisplayPixel(629, 475), 0);
  SetAPen(ScreenRp(), 34);
  WritePixel(ScreenRp(), 100, 200);
  EXPECT_EQ(DisplayPixel(100, 200), 34);
  EXPECT_EQ(ReadPixel(ScreenRp(), 100, 200), 34);
  if (!DirectDraw()) {
    EXPECT_EQ(TakeUpdates(), (std::vector<UpdateRect>{{630, 470, 10, 10}, {100, 200, 1, 1}}));
  }
}

TEST_P(ScreenDrawing, DirectDrawLeavesThePicturesOwnPixelsAlone) {
  uint8_t* own = TheScreen->BitMap->Pixels;
  SetAPen(ScreenRp(), 5);
  RectFill(ScreenRp(), 0, 0, 9, 9);
  EXPECT_EQ(TheScreen->BitMap->Pixels, own);
  EXPECT_EQ(own[0], DirectDraw() ? 0 : 5) << "in DirectDraw mode the surface holds the pixels";
}

INSTANTIATE_TEST_SUITE_P(BothPresenters, ScreenDrawing, test::AllPresenters(), test::PresenterName);

// DirectDraw only: creation and lock failures.
class DirectDrawFailures : public test::ScreenTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
};

TEST_F(DirectDrawFailures, AllocBitMapWithoutDirectDrawFailsAndFreesItsRecord) {
  IDirectDraw7* device = DDObject;
  DDObject = nullptr;
  LogCapture log;
  EXPECT_EQ(AllocBitMap(8, 8, 8, 1), nullptr);
  DDObject = device;
  EXPECT_EQ(log.Take(), "AllocBitmap: konnte Surface f" "\xfc" "r Objekt nicht anlegen.\n");
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_F(DirectDrawFailures, AFailedLockDrawsNothingButStillReportsAndMoves) {
  // RestoreSurfaces repairs only the primary and pointer surfaces, so a lost
  // off-screen surface cannot be locked.
  platform::testing::LoseSurface(OffscreenSurface);
  LogCapture log;
  SetAPen(ScreenRp(), 4);
  Move(ScreenRp(), 0, 0);
  Draw(ScreenRp(), 5, 0);
  RectFill(ScreenRp(), 0, 0, 3, 3);
  WritePixel(ScreenRp(), 1, 1);
  EXPECT_EQ(ReadPixel(ScreenRp(), 1, 1), 0);
  std::string text = log.Take();
  OffscreenSurface->Restore();
  // The update still runs after each failed lock, and finds the lost
  // surface too.
  EXPECT_EQ(text,
            "DXDraw:Konnte Surface nicht locken.\nUpdateRectangle: 000 .\n"
            "DXRectFill:Konnte Surface nicht locken!UpdateRectangle: 000 .\n"
            "UpdateRectangle: 000 .\n");
  EXPECT_EQ(ScreenRp()->cp_x, 5);
  EXPECT_EQ(ScreenPixel(0, 0), 0);
  EXPECT_EQ(ScreenPixel(1, 1), 0);
}

TEST_F(DirectDrawFailures, WaitTOFWaitsForTheNextBlank) {
  auto start = GetTickCount();
  for (int i = 0; i < 6; ++i) WaitTOF();
  EXPECT_GE(GetTickCount() - start, 60u) << "six blanks at 60 Hz take about 100 ms";
}

class OpenGLFailures : public test::ScreenTest {};

TEST_F(OpenGLFailures, AllocBitMapReleasesTheRecordWhenPixelsFail) {
  LogCapture log;
  FailAllocVecAt(2);
  EXPECT_EQ(AllocBitMap(64, 64, 8, 1), nullptr);
  EXPECT_EQ(log.Take(), "AllocVec: 000 AllocBitMap: GL -> Konnte keinen Speicher f" "\xfc" "r Grafik bekommen.\n");
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  FailAllocVecAt(1);
  EXPECT_EQ(AllocBitMap(64, 64, 8, 1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_F(OpenGLFailures, WaitTOFReturnsAtOnce) {
  auto start = GetTickCount();
  for (int i = 0; i < 100; ++i) WaitTOF();
  EXPECT_LT(GetTickCount() - start, 50u);
}

}  // namespace
}  // namespace vsk
