// Bitmaps, rastports and the pixel primitives, in both presenter modes:
// pixels are read back from memory, from the locked surface and from the
// display, and the screen's update reports are captured.
#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

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

class Primitives : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    if (HasFatalFailure()) return;
    bitmap_ = AllocBitMap(13, 12, 8, 1);  // DirectDraw: the pitch is wider
    ASSERT_NE(bitmap_, nullptr);
    InitRastPort(&rp_);
    rp_.BitMap = bitmap_;
    Clear();
  }
  void TearDown() override {
    FreeBitMap(bitmap_);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
    ScreenModeTest::TearDown();
  }

  void Clear() { test::FillBitmap(bitmap_, 0); }
  // Every pixel of the bitmap that is not 0.
  Points SetPixels() const {
    Points points;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 13; ++x)
        if (BitmapPixel(bitmap_, x, y)) points.insert({x, y});
    return points;
  }

  BitMap* bitmap_ = nullptr;
  RastPort rp_{};
};

TEST_P(Primitives, AllocBitMapAndInitRastPort) {
  EXPECT_EQ((std::vector<uint32_t>{bitmap_->BytesPerRow, bitmap_->Rows, bitmap_->Depth, bitmap_->Flags}),
            (std::vector<uint32_t>{13, 12, 8, 1}));
  EXPECT_EQ(bitmap_->Surface != nullptr, DirectDraw());
  if (!DirectDraw()) {
    BitMap* fresh = AllocBitMap(7, 5, 8, 5);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(fresh->Pixels, fresh->Pixels + 35), std::vector<uint8_t>(35, 0))
        << "OpenGL bitmaps start cleared";
    FreeBitMap(fresh);
  }
  RastPort fresh;
  std::memset(&fresh, 0xAB, sizeof fresh);
  InitRastPort(&fresh);
  EXPECT_EQ((std::vector<int>{fresh.FgPen, fresh.BgPen, fresh.DrawMode, fresh.cp_x, fresh.cp_y, fresh.TxHeight}),
            (std::vector<int>{1, 0, JAM2, 0, 0, 0}));
  EXPECT_EQ(fresh.Font, nullptr);
  EXPECT_EQ(fresh.BitMap, nullptr);
}

TEST_P(Primitives, LinesStepAsTheGameAlwaysDrewThem) {
  const struct {
    const char* what;
    int x0, y0, x1, y1;
    Points points;
  } cases[] = {
      {"flat", 0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {"steep", 0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {"the error reaches exactly a: no step yet", 0, 0, 2, 1, {{0, 0}, {1, 0}, {2, 1}}},
      {"backwards: both ends included", 10, 8, 7, 5, {{10, 8}, {9, 7}, {8, 6}, {7, 5}}},
      {"a zero-length line is one pixel", 5, 5, 5, 5, {{5, 5}}},
  };
  SetAPen(&rp_, 9);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    Move(&rp_, c.x0, c.y0);
    Draw(&rp_, c.x1, c.y1);
    EXPECT_EQ(SetPixels(), c.points);
    EXPECT_EQ(BitmapPixel(bitmap_, c.x1, c.y1), 9);
    EXPECT_EQ((std::vector<int>{rp_.cp_x, rp_.cp_y}), (std::vector<int>{c.x1, c.y1}));
  }
  EXPECT_TRUE(TakeUpdates().empty()) << "drawing off the screen reports nothing";
}

TEST_P(Primitives, PolyDrawVisitsEveryPoint) {
  SetAPen(&rp_, 3);
  Move(&rp_, 0, 0);
  const uint16_t points[] = {2, 0, 2, 2, 0, 2};
  PolyDraw(&rp_, 3, points);
  EXPECT_EQ(SetPixels(), (Points{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}}));
  EXPECT_EQ((std::vector<int>{rp_.cp_x, rp_.cp_y}), (std::vector<int>{0, 2}));
}

TEST_P(Primitives, RectFillTakesCornersInEitherOrderAndPixelsReadBack) {
  SetAPen(&rp_, 7);
  RectFill(&rp_, 10, 10, 5, 5);
  const Points swapped = SetPixels();
  Clear();
  RectFill(&rp_, 5, 5, 10, 10);
  EXPECT_EQ(SetPixels(), swapped);
  EXPECT_EQ(swapped.size(), 36u);
  EXPECT_EQ((std::vector<int>{BitmapPixel(bitmap_, 5, 5), BitmapPixel(bitmap_, 10, 10), BitmapPixel(bitmap_, 11, 10)}),
            (std::vector<int>{7, 7, 0}));

  Clear();
  SetAPen(&rp_, 200);
  WritePixel(&rp_, 12, 11);
  WritePixel(&rp_, 0, 1);
  EXPECT_EQ(BitmapPixel(bitmap_, 12, 11), 200);
  EXPECT_EQ((std::vector<int>{ReadPixel(&rp_, 12, 11), ReadPixel(&rp_, 0, 1), ReadPixel(&rp_, 11, 11)}),
            (std::vector<int>{200, 200, 0}));
  EXPECT_EQ(SetPixels(), (Points{{12, 11}, {0, 1}}));
  EXPECT_TRUE(TakeUpdates().empty()) << "drawing off the screen reports nothing";
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

INSTANTIATE_TEST_SUITE_P(BothPresenters, Primitives, test::AllPresenters(), test::PresenterName);

// Drawing on the screen's rastport: the pixels reach the screen bitmap and
// (DirectDraw) the display, and each call reports its rectangle.
class ScreenDrawing : public test::ScreenModeTest {};

TEST_P(ScreenDrawing, LinesFillsAndPixelsReachTheDisplayAndReportTheirBoxes) {
  SetAPen(ScreenRp(), 12);
  Move(ScreenRp(), 10, 5);
  Draw(nullptr, 20, 5);  // null: the screen
  EXPECT_EQ((std::vector<int>{ScreenPixel(10, 5), ScreenPixel(20, 5), DisplayPixel(15, 5), DisplayPixel(21, 5)}),
            (std::vector<int>{12, 12, 12, 0}));
  EXPECT_EQ(ScreenRp()->cp_x, 20);
  Draw(nullptr, 17, 30);  // up-right end first: the box is ordered
  Draw(nullptr, 17, 30);  // zero length
  EXPECT_EQ(DisplayPixel(17, 30), 12);

  SetAPen(ScreenRp(), 33);
  RectFill(ScreenRp(), 639, 479, 630, 470);
  EXPECT_EQ((std::vector<int>{ScreenPixel(630, 470), DisplayPixel(635, 475), DisplayPixel(629, 475)}),
            (std::vector<int>{33, 33, 0}));
  SetAPen(ScreenRp(), 34);
  WritePixel(ScreenRp(), 100, 200);
  EXPECT_EQ(DisplayPixel(100, 200), 34);
  EXPECT_EQ(ReadPixel(ScreenRp(), 100, 200), 34);
  // Lines report a band two pixels thick.
  if (!DirectDraw()) {
    EXPECT_EQ(TakeUpdates(), (std::vector<UpdateRect>{
                                 {10, 5, 11, 2}, {17, 5, 4, 26}, {17, 30, 2, 2}, {630, 470, 10, 10}, {100, 200, 1, 1}}));
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

// Creation and lock failures, and the wait for the vertical blank.
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
