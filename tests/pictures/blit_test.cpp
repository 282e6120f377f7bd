// Blits from the bank and between bitmaps, in both presenter modes, read
// back from the screen, the display and off-screen bitmaps. The pixels of
// blits at random sizes and clips are checked in masked_copy_test.cpp; here
// the loading and dropping of graphics, the update reports, the refusals,
// the text blits and the blits between bitmaps.
#include "pictures/blit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "gfx/rastport.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/bank_files.h"
#include "platform/testing.h"
#include "support/font_builder.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::LogCapture;
using test::Pattern;
using test::UpdateRect;

class BlitTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    test::ResetBank();
    // Graphic 1: 20 x 10 of the pattern; 2: 4 x 4 with colour 0 in its left
    // half; 3 is listed but has no file.
    test::WriteGame({{20, 10, "VSK:pics/knopf.ilbm", "", 0, 0},
                     {4, 4, "VSK:pics/loch.ilbm", "", 0, 0},
                     {4, 4, "VSK:pics/fehlt.ilbm", "", 0, 0}});
    test::WriteBytes("pics/loch.chk", {0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7});
    std::remove("pics/fehlt.chk");
    test::FillBitmap(TheScreen->BitMap, 3);
    (void)test::TakeUpdates();
  }
  void TearDown() override {
    test::ResetBank();
    ScreenModeTest::TearDown();
  }

  // The update rectangles posted since the last look (OpenGL mode; the
  // DirectDraw screen shows them on the display instead).
  void ExpectUpdates(const std::vector<UpdateRect>& rects) {
    if (!DirectDraw()) {
      EXPECT_EQ(test::TakeUpdates(), rects);
    }
  }
  // The pixel at (x, y) of the screen and of the display.
  static std::vector<uint8_t> At(int32_t x, int32_t y) { return {test::ScreenPixel(x, y), test::DisplayPixel(x, y)}; }
  static std::vector<uint8_t> Twice(uint8_t v) { return {v, v}; }
  static uint8_t Graphic(uint32_t gx, uint32_t gy) { return Pattern(20, 10)[gy * 20 + gx]; }
};

TEST_P(BlitTest, GraphicsNotInTheBankAreLoadedDrawnAndDroppedAgain) {
  EXPECT_EQ(BlitObjekt(nullptr, 1, 100, 50, 0, 0), 1);
  for (uint32_t gy : {0u, 9u})
    for (uint32_t gx : {0u, 19u}) EXPECT_EQ(At(100 + gx, 50 + gy), Twice(Graphic(gx, gy))) << gx << "," << gy;
  EXPECT_EQ(test::ScreenPixel(120, 50), 3);
  EXPECT_EQ(test::ScreenPixel(100, 60), 3);
  ExpectUpdates({{100, 50, 20, 10}});

  BlitObjektMask(nullptr, 2, 0, 10, 10, 0, 0);
  EXPECT_EQ(test::ScreenPixel(10, 13), 3) << "colour 0 keeps the screen";
  EXPECT_EQ(At(12, 10), Twice(7));
  ExpectUpdates({{10, 10, 4, 4}});
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(PictureOf(2), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);

  // A loaded graphic stays loaded; the blit takes its top left corner.
  ASSERT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(BlitObjekt(ScreenRp(), 1, 0, 0, 5, 2), 1);
  EXPECT_NE(PictureOf(1), nullptr);
  EXPECT_EQ(At(4, 1), Twice(Graphic(4, 1)));
  EXPECT_EQ(test::ScreenPixel(5, 0), 3);
  EXPECT_EQ(test::ScreenPixel(0, 2), 3);
}

TEST_P(BlitTest, ClipsAtTheEdgesAndRefusesPositionsBeyond) {
  EXPECT_EQ(BlitObjekt(nullptr, 1, 630, 475, 0, 0), 1);
  EXPECT_EQ(test::ScreenPixel(639, 479), Graphic(9, 4));
  EXPECT_EQ(test::ScreenPixel(0, 476), 3) << "no wrap into the next row";
  ExpectUpdates({{630, 475, 10, 5}});
  // At the width itself: nothing drawn, an empty rectangle, still a success.
  EXPECT_EQ(BlitObjekt(nullptr, 1, 640, 0, 0, 0), 1);
  EXPECT_EQ(test::ScreenPixel(0, 1), 3);
  ExpectUpdates({{640, 0, 0, 10}});

  // One beyond: refused, and the graphic loaded for it dropped again.
  LogCapture log;
  EXPECT_EQ(BlitObjekt(nullptr, 1, 641, 0, 0, 0), 0);
  EXPECT_EQ(BlitObjekt(nullptr, 1, 0, 481, 0, 0), 0);
  EXPECT_EQ(log.Take(), "BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !");
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  ExpectUpdates({});
}

TEST_P(BlitTest, GraphicThatCannotBeLoadedIsReported) {
  LogCapture log;
  EXPECT_EQ(BlitObjekt(nullptr, 3, 0, 0, 0, 0), 0);
  BlitObjektMask(nullptr, 3, 0, 0, 0, 0, 0);
  EXPECT_EQ(log.Take(),
            "OpenKadunGfx: Konnte Grafik pics/fehlt.chk nicht oeffnen.\n"
            "BlitObjekt: Konnte die Grafik nicht direkt laden!\n"
            "OpenKadunGfx: Konnte Grafik pics/fehlt.chk nicht oeffnen.\n");
  EXPECT_EQ(test::ScreenPixel(0, 0), 3);
  // Once the file is there, the next blit loads it.
  test::WriteBytes("pics/fehlt.chk", std::vector<uint8_t>(16, 9));
  EXPECT_EQ(BlitObjekt(nullptr, 3, 0, 0, 0, 0), 1);
  EXPECT_EQ(test::ScreenPixel(3, 3), 9);
}

TEST_P(BlitTest, BlitsBetweenBitmapsAndTheScreen) {
  BitMap* bitmap = AllocBitMap(8, 8, 8, 1);
  ASSERT_NE(bitmap, nullptr);
  RastPort* rp = NewRastPort(bitmap);
  ASSERT_NE(rp, nullptr);
  test::FillBitmap(bitmap, 4);
  EXPECT_EQ(BlitObjekt(rp, 1, 2, 3, 0, 0), 1);
  EXPECT_EQ(test::BitmapPixel(bitmap, 2, 3), Graphic(0, 0));
  EXPECT_EQ(test::BitmapPixel(bitmap, 7, 7), Graphic(5, 4));
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 3), 4);
  ExpectUpdates({});

  // Back to the screen: BltBitMap with no destination means the screen.
  EXPECT_EQ(BltBitMap(bitmap, 2, 3, nullptr, 300, 200, 4, 2), 1);
  EXPECT_EQ(At(300, 200), Twice(Graphic(0, 0)));
  EXPECT_EQ(At(303, 201), Twice(Graphic(3, 1)));
  EXPECT_EQ(test::ScreenPixel(304, 200), 3);
  EXPECT_EQ(test::ScreenPixel(300, 202), 3);
  ExpectUpdates({{300, 200, 4, 2}});

  // From the screen into the bitmap, then a masked blit into it.
  EXPECT_EQ(BltBitMap(TheScreen->BitMap, 299, 199, bitmap, 0, 0, 2, 2), 1);
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 1), Graphic(0, 0));
  BlitObjektMask(rp, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ(test::BitmapPixel(bitmap, 0, 0), 3);
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 3), 4);
  EXPECT_EQ(test::BitmapPixel(bitmap, 3, 0), 7);
  ExpectUpdates({});

  // Bitmap to bitmap (surface to surface in DirectDraw mode) is opaque.
  EXPECT_EQ(BlitObjekt(rp, 2, 4, 4, 0, 0), 1);
  BitMap* target = AllocBitMap(8, 8, 8, 1);
  ASSERT_NE(target, nullptr);
  test::FillBitmap(target, 6);
  EXPECT_EQ(BltBitMap(bitmap, 4, 4, target, 2, 2, 4, 4), 1);
  EXPECT_EQ(test::BitmapPixel(target, 2, 2), 0);
  EXPECT_EQ(test::BitmapPixel(target, 5, 5), 7);
  EXPECT_EQ(test::BitmapPixel(target, 1, 1), 6);
  EXPECT_EQ(test::BitmapPixel(target, 6, 6), 6);
  FreeBitMap(target);
  FreeRastPort(rp);
  FreeBitMap(bitmap);
}

TEST_P(BlitTest, TextBlitsDrawTheLabelCentred) {
  // A fixed-width font: 'A' is a 3 x 3 block, baseline at row 2.
  test::FontBuilder block('A', 'A', 3, 2);
  test::WriteBytes("block.fnt", block.Glyph('A', {"###", "###", "###"}, 3).Build().data);
  TextFont* font = OpenDiskFont("block.fnt");
  ASSERT_NE(font, nullptr);
  SetFont(ScreenRp(), font);
  BlitObjektText(nullptr, 1, "A", 100, 100, 0, 0);
  // 20 x 10: the glyph's left column at 100 + 10 - 1, its top row at
  // 100 + (10 - 3) / 2 + 1 + 2 - 2.
  EXPECT_EQ(At(109, 104), Twice(7));
  EXPECT_EQ(At(111, 106), Twice(7));
  EXPECT_EQ(At(108, 104), Twice(Graphic(8, 4)));
  EXPECT_EQ(At(109, 103), Twice(Graphic(9, 3)));
  EXPECT_EQ(At(112, 104), Twice(Graphic(12, 4)));
  EXPECT_EQ(ScreenRp()->DrawMode, JAM2);
  EXPECT_EQ(PictureOf(1), nullptr);

  BlitObjektMaskText(nullptr, 2, "A", 200, 100, 0, 0);  // 4 x 4: glyph at 200 + 2 - 1
  EXPECT_EQ(test::ScreenPixel(201, 102), 7);
  EXPECT_EQ(test::ScreenPixel(200, 100), 3) << "colour 0 of the graphic is transparent";
  EXPECT_EQ(test::ScreenPixel(203, 100), 7);
  SetFont(ScreenRp(), nullptr);
  CloseFont(font);
}

TEST_P(BlitTest, LockFailuresAreLoggedAndDrawNothing) {
  if (!DirectDraw()) GTEST_SKIP() << "only surfaces can fail to lock";
  BitMap* bitmap = AllocBitMap(8, 8, 8, 1);
  ASSERT_NE(bitmap, nullptr);
  platform::testing::LoseSurface(bitmap->Surface);
  uint8_t pixels[64] = {};
  BitMap memory{};  // a bitmap without surface
  memory.BytesPerRow = 8;
  memory.Rows = 8;
  memory.Pixels = pixels;
  LogCapture log;
  EXPECT_EQ(BltBitMap(bitmap, 0, 0, &memory, 0, 0, 8, 8), 1);
  EXPECT_EQ(BltBitMap(&memory, 0, 0, bitmap, 0, 0, 8, 8), 1);
  RastPort* rp = NewRastPort(bitmap);
  BlitObjektMask(rp, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ(log.Take(),
            "RICHTIGER ZWEIG!DXBltBitMap:Konnte Surface nicht locken!"
            "DXBltBitMap:Konnte Surface nicht locken!"
            "DXBlitObjektMask:Konnte Destination Surface nicht locken.\n");
  EXPECT_EQ(pixels[0], 0);
  FreeRastPort(rp);
  FreeBitMap(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Presenters, BlitTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
