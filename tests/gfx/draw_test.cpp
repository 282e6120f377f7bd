// Bitmaps, rastports and pixel primitives in both modes, read back from memory, surface and display.
#include "gfx/bitmap.h"

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;
using Points = std::set<std::pair<int, int>>;

class Primitives : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    if (HasFatalFailure()) return;
    bitmap_ = AllocBitMap(13, 12, 8, 1);  // DirectDraw: the pitch is wider
    ASSERT_NE(bitmap_, nullptr);
    InitRastPort(&rp_);
    rp_.BitMap = bitmap_;
  }
  void TearDown() override {
    FreeBitMap(bitmap_);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
    ScreenModeTest::TearDown();
  }
  // The pixels not 0 after `draw` on the cleared bitmap.
  Points Drawn(const std::function<void()>& draw) {
    FillBitmap(bitmap_, 0);
    draw();
    Points points;
    for (int i = 0; i < 13 * 12; ++i)
      if (BitmapPixel(bitmap_, i % 13, i / 13)) points.insert({i % 13, i / 13});
    return points;
  }

  BitMap* bitmap_ = nullptr;
  RastPort rp_{};
};

TEST_P(Primitives, BitmapsLinesFillsAndPixelsOffAndOnTheScreen) {
  EXPECT_EQ((std::vector<uint64_t>{bitmap_->BytesPerRow, bitmap_->Rows, bitmap_->Depth, bitmap_->Flags,
                                   bitmap_->Surface != nullptr, bitmap_->Pixels != nullptr}),
            (std::vector<uint64_t>{13, 12, 8, 1, DirectDraw(), 1}));
  EXPECT_TRUE(DirectDraw() || std::count(bitmap_->Pixels, bitmap_->Pixels + 13 * 12, 0) == 13 * 12) << "cleared";
  SetAPen(&rp_, 9);
  const std::vector<std::tuple<uint16_t, uint16_t, uint16_t, uint16_t, Points>> lines = {
      {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {0, 0, 2, 1, {{0, 0}, {1, 0}, {2, 1}}},            // the error reaches exactly a: no step yet
      {10, 8, 7, 5, {{10, 8}, {9, 7}, {8, 6}, {7, 5}}},  // backwards: both ends included
      {5, 5, 5, 5, {{5, 5}}},                            // a zero-length line is one pixel
  };
  for (const auto& [x0, y0, x1, y1, points] : lines) {
    EXPECT_EQ(Drawn([&] { Move(&rp_, x0, y0); Draw(&rp_, x1, y1); }), points) << x1 << "," << y1;
    EXPECT_EQ(std::make_pair(rp_.cp_x, rp_.cp_y), std::make_pair(x1, y1));
  }
  EXPECT_EQ(BitmapPixel(bitmap_, 5, 5), 9);
  const uint16_t corners[] = {2, 0, 2, 2, 0, 2};
  EXPECT_EQ(Drawn([&] { Move(&rp_, 0, 0); PolyDraw(&rp_, 3, corners); }),
            (Points{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}}));
  EXPECT_EQ(rp_.cp_x + 100 * rp_.cp_y, 200);
  // RectFill takes its corners in either order, both included.
  const Points box = Drawn([&] { RectFill(&rp_, 10, 10, 5, 5); });
  EXPECT_TRUE(box.size() == 36 && *box.begin() == std::make_pair(5, 5) && *box.rbegin() == std::make_pair(10, 10));
  EXPECT_EQ(Drawn([&] { RectFill(&rp_, 5, 5, 10, 10); }), box);

  SetAPen(&rp_, 200);
  EXPECT_EQ(Drawn([&] { WritePixel(&rp_, 12, 11); WritePixel(&rp_, 0, 1); }), (Points{{12, 11}, {0, 1}}));
  EXPECT_EQ((Bytes{ReadPixel(&rp_, 12, 11), ReadPixel(&rp_, 0, 1), ReadPixel(&rp_, 11, 11)}), (Bytes{200, 200, 0}));
  EXPECT_TRUE(TakeUpdates().empty()) << "only the screen's rastport reports";
  // Pixel calls without a target say why.
  RastPort empty;
  InitRastPort(&empty);
  LogCapture log;
  WritePixel(nullptr, 1, 1);
  WritePixel(&empty, 1, 1);
  EXPECT_EQ(ReadPixel(nullptr, 1, 1), 0);
  EXPECT_EQ(ReadPixel(&empty, 1, 1), 0);
  EXPECT_EQ(log.Take(), "WritePixel: \xdc" "bergebener Rastport ist nicht valid.\nWritePixel: \xdc"
                        "bergebener RastPort hat keine Bitmap.\nReadPixel: RastPort nicht valid.\n"
                        "ReadPixel: RastPort besitzt keine BitMap \n");

  // On the screen's rastport the pixels reach the screen and display, and each call reports its box.
  uint8_t* own = TheScreen->BitMap->Pixels;
  SetAPen(ScreenRp(), 12);
  Move(ScreenRp(), 10, 5);
  Draw(nullptr, 20, 5);   // null: the screen; a line reports a band two pixels thick
  Draw(nullptr, 17, 30);  // up-right end first: the box is ordered
  Draw(nullptr, 17, 30);  // zero length
  EXPECT_EQ((Bytes{ScreenPixel(10, 5), ScreenPixel(20, 5), DisplayPixel(15, 5), DisplayPixel(21, 5),
                   DisplayPixel(17, 30)}),
            (Bytes{12, 12, 12, 0, 12}));
  ExpectUpdates({{10, 5, 11, 2}, {17, 5, 4, 26}, {17, 30, 2, 2}});

  SetAPen(ScreenRp(), 33);
  RectFill(ScreenRp(), 639, 479, 630, 470);
  SetAPen(ScreenRp(), 34);
  WritePixel(ScreenRp(), 100, 200);
  EXPECT_EQ((Bytes{ScreenPixel(630, 470), DisplayPixel(635, 475), DisplayPixel(629, 475), DisplayPixel(100, 200),
                   ReadPixel(ScreenRp(), 100, 200)}),
            (Bytes{33, 33, 0, 34, 34}));
  ExpectUpdates({{630, 470, 10, 10}, {100, 200, 1, 1}});
  EXPECT_EQ(TheScreen->BitMap->Pixels, own);
  EXPECT_EQ(own[5 * 640 + 10], DirectDraw() ? 0 : 12) << "in DirectDraw mode the surface holds the pixels";
}

// Creation failures, and (DirectDraw) lock failures.
TEST_P(Primitives, FailuresAreLoggedAndLeakNothing) {
  const int64_t before = LiveAllocVecBlocks();
  LogCapture log;
  IDirectDraw7* device = DDObject;
  DDObject = nullptr;
  FailAllocVecAt(DirectDraw() ? 0 : 2);
  EXPECT_EQ(AllocBitMap(64, 64, 8, 1), nullptr);
  DDObject = device;
  EXPECT_EQ(log.Take(), DirectDraw() ? "AllocBitmap: konnte Surface f\xfcr Objekt nicht anlegen.\n"
                                     : "AllocVec: 000 AllocBitMap: GL -> Konnte keinen Speicher f\xfcr Grafik "
                                       "bekommen.\n");
  LogCapture more;
  FailAllocVecAt(1);
  EXPECT_EQ(AllocBitMap(64, 64, 8, 1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), before);
  if (!DirectDraw()) return;
  // A lost off-screen surface stays lost (RestoreSurfaces repairs the display's) and cannot be
  // locked; the update still runs after each failed lock, and finds the lost surface too.
  platform::testing::LoseSurface(OffscreenSurface);
  (void)more.Take();
  LogCapture lockLog;
  SetAPen(ScreenRp(), 4);
  Draw(ScreenRp(), 5, 0);
  RectFill(ScreenRp(), 0, 0, 3, 3);
  WritePixel(ScreenRp(), 1, 1);
  EXPECT_EQ(ReadPixel(ScreenRp(), 1, 1), 0);
  const std::string text = lockLog.Take();
  OffscreenSurface->Restore();
  EXPECT_EQ(text, "DXDraw:Konnte Surface nicht locken.\nUpdateRectangle: 000 .\n"
                  "DXRectFill:Konnte Surface nicht locken!UpdateRectangle: 000 .\nUpdateRectangle: 000 .\n");
  EXPECT_TRUE(ScreenRp()->cp_x == 5 && ScreenPixel(0, 0) == 0 && ScreenPixel(1, 1) == 0);
}

INSTANTIATE_TEST_SUITE_P(BothPresenters, Primitives, AllPresenters(), PresenterName);

}  // namespace
}  // namespace vsk
