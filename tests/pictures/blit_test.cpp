// Blits from the bank and between bitmaps, in both presenter modes, read
// back from the screen, the display and off-screen bitmaps.
#include "pictures/blit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx/rastport.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/bank_files.h"
#include "platform/testing.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::LogCapture;
using test::PathEntryData;
using test::Pattern;
using test::UpdateRect;

// Graphic 1: 20 x 10 of the pattern; graphic 2: 4 x 4 with colour 0 in its
// left half; graphic 3 is listed but has no file.
const PathEntryData kGraphic{20, 10, "VSK:pics/knopf.ilbm", "", 0, 0};
const PathEntryData kHoled{4, 4, "VSK:pics/loch.ilbm", "", 0, 0};
const PathEntryData kMissing{4, 4, "VSK:pics/fehlt.ilbm", "", 0, 0};
// Graphic 4: 37 x 2, colour 0 in every third column: long rows.
const PathEntryData kStriped{37, 2, "VSK:pics/zaun.ilbm", "", 0, 0};
std::vector<uint8_t> Striped() {
  std::vector<uint8_t> pixels = Pattern(37, 2);
  for (size_t i = 0; i < pixels.size(); ++i)
    if (i % 37 % 3 == 0) pixels[i] = 0;
  return pixels;
}

// A little fixed-width font: 'A' is a 3 x 3 block, baseline at row 2.
std::vector<uint8_t> BlockFont() {
  test::Bytes font;
  font.text("FONT").u8('A').u8('A').be16(3).be16(3).be16(2).text("NONE").text("FIXD").text("CHAR");
  font.be16(0).be16(3).be16(3).be16(0).text("DATA");
  for (int i = 0; i < 9; ++i) font.u8(1);
  return font.data;
}

class BlitTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    test::ResetBank();
    test::MakeDir("data");
    test::MakeDir("pics");
    test::WriteBytes("data/path", test::PathList({kGraphic, kHoled, kMissing, kStriped}).data);
    test::WriteBytes("pics/knopf.chk", Pattern(20, 10));
    test::WriteBytes("pics/loch.chk", {0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7});
    test::WriteBytes("pics/zaun.chk", Striped());
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

  // Checks the graphic's pixel at (gx, gy) on the screen and the display.
  void ExpectGraphicAt(uint32_t x, uint32_t y, uint32_t gx, uint32_t gy) {
    const uint8_t want = Pattern(20, 10)[gy * 20 + gx];
    EXPECT_EQ(test::ScreenPixel(x + gx, y + gy), want) << gx << "," << gy;
    EXPECT_EQ(test::DisplayPixel(x + gx, y + gy), want) << gx << "," << gy;
  }
};

TEST_P(BlitTest, GraphicNotInTheBankIsLoadedDrawnAndDroppedAgain) {
  EXPECT_EQ(BlitObjekt(nullptr, 1, 100, 50, 0, 0), 1);
  for (uint32_t gy : {0u, 9u})
    for (uint32_t gx : {0u, 19u}) ExpectGraphicAt(100, 50, gx, gy);
  EXPECT_EQ(test::ScreenPixel(120, 50), 3);
  EXPECT_EQ(test::ScreenPixel(100, 60), 3);
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  ExpectUpdates(std::vector<UpdateRect>{{100, 50, 20, 10}});

  ASSERT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(BlitObjekt(ScreenRp(), 1, 0, 0, 5, 2), 1);
  EXPECT_NE(PictureOf(1), nullptr) << "a loaded graphic stays loaded";
  ExpectGraphicAt(0, 0, 4, 1);
  EXPECT_EQ(test::ScreenPixel(5, 0), 3);
  EXPECT_EQ(test::ScreenPixel(0, 2), 3);
}

TEST_P(BlitTest, ClipsAtTheRightAndBottomEdges) {
  EXPECT_EQ(BlitObjekt(nullptr, 1, 630, 475, 0, 0), 1);
  EXPECT_EQ(test::ScreenPixel(639, 479), Pattern(20, 10)[4 * 20 + 9]);
  EXPECT_EQ(test::ScreenPixel(630, 475), Pattern(20, 10)[0]);
  EXPECT_EQ(test::ScreenPixel(0, 476), 3) << "no wrap into the next row";
  ExpectUpdates(std::vector<UpdateRect>{{630, 475, 10, 5}});

  // At the width itself: nothing drawn, an empty rectangle, still a success.
  EXPECT_EQ(BlitObjekt(nullptr, 1, 640, 0, 0, 0), 1);
  EXPECT_EQ(test::ScreenPixel(0, 1), 3);
  ExpectUpdates(std::vector<UpdateRect>{{640, 0, 0, 10}});

  // One beyond: refused, and the graphic loaded for it dropped again.
  LogCapture log;
  EXPECT_EQ(BlitObjekt(nullptr, 1, 641, 0, 0, 0), 0);
  EXPECT_EQ(BlitObjekt(nullptr, 1, 0, 481, 0, 0), 0);
  EXPECT_EQ(log.Take(), "BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !");
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  ExpectUpdates(std::vector<UpdateRect>{});
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

TEST_P(BlitTest, MaskedBlitKeepsTheDestinationUnderTheMaskColour) {
  BlitObjektMask(nullptr, 2, 0, 10, 10, 0, 0);
  EXPECT_EQ(test::ScreenPixel(10, 10), 3);
  EXPECT_EQ(test::ScreenPixel(11, 13), 3);
  EXPECT_EQ(test::ScreenPixel(12, 10), 7);
  EXPECT_EQ(test::DisplayPixel(13, 13), 7);
  EXPECT_EQ(test::DisplayPixel(10, 13), 3);
  EXPECT_EQ(PictureOf(2), nullptr);
  ExpectUpdates(std::vector<UpdateRect>{{10, 10, 4, 4}});

  // Long rows the same way, every column checked.
  BlitObjektMask(nullptr, 4, 0, 100, 100, 0, 0);
  const std::vector<uint8_t> striped = Striped();
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 37; ++x)
      EXPECT_EQ(test::ScreenPixel(100 + x, 100 + y), x % 3 == 0 ? 3 : striped[y * 37 + x]) << x << "," << y;
  EXPECT_EQ(test::ScreenPixel(137, 100), 3);
  (void)test::TakeUpdates();

  // A mask colour above 255 makes nothing transparent.
  BlitObjektMask(ScreenRp(), 2, 0x100, 20, 10, 0, 0);
  EXPECT_EQ(test::ScreenPixel(20, 10), 0);
  EXPECT_EQ(test::ScreenPixel(23, 13), 7);
}

TEST_P(BlitTest, BlitsIntoAnOffscreenBitmapPostNoUpdate) {
  BitMap* bitmap = AllocBitMap(8, 8, 8, 1);
  ASSERT_NE(bitmap, nullptr);
  RastPort* rp = NewRastPort(bitmap);
  ASSERT_NE(rp, nullptr);
  test::FillBitmap(bitmap, 4);
  EXPECT_EQ(BlitObjekt(rp, 1, 2, 3, 0, 0), 1);
  EXPECT_EQ(test::BitmapPixel(bitmap, 2, 3), Pattern(20, 10)[0]);
  EXPECT_EQ(test::BitmapPixel(bitmap, 7, 7), Pattern(20, 10)[4 * 20 + 5]);
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 3), 4);
  ExpectUpdates(std::vector<UpdateRect>{});

  // Back to the screen: BltBitMap with no destination means the screen.
  EXPECT_EQ(BltBitMap(bitmap, 2, 3, nullptr, 300, 200, 4, 2), 1);
  EXPECT_EQ(test::ScreenPixel(300, 200), Pattern(20, 10)[0]);
  EXPECT_EQ(test::DisplayPixel(303, 201), Pattern(20, 10)[23]);
  EXPECT_EQ(test::ScreenPixel(304, 200), 3);
  EXPECT_EQ(test::ScreenPixel(300, 202), 3);
  ExpectUpdates(std::vector<UpdateRect>{{300, 200, 4, 2}});

  // And from the screen into the bitmap.
  EXPECT_EQ(BltBitMap(TheScreen->BitMap, 299, 199, bitmap, 0, 0, 2, 2), 1);
  EXPECT_EQ(test::BitmapPixel(bitmap, 0, 0), 3);
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 1), Pattern(20, 10)[0]);
  BlitObjektMask(rp, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ(test::BitmapPixel(bitmap, 0, 0), 3);
  EXPECT_EQ(test::BitmapPixel(bitmap, 1, 3), 4);
  EXPECT_EQ(test::BitmapPixel(bitmap, 3, 0), 7);
  ExpectUpdates(std::vector<UpdateRect>{});
  FreeRastPort(rp);
  FreeBitMap(bitmap);
}

TEST_P(BlitTest, TextBlitsDrawTheLabelCentred) {
  test::WriteBytes("block.fnt", BlockFont());
  TextFont* font = OpenDiskFont("block.fnt");
  ASSERT_NE(font, nullptr);
  SetFont(ScreenRp(), font);
  BlitObjektText(nullptr, 1, "A", 100, 100, 0, 0);
  // 20 x 10: the 3 x 3 glyph's left column at 100 + 10 - 1, its top row at
  // 100 + (10 - 3) / 2 + 1 + 2 - 2.
  EXPECT_EQ(test::ScreenPixel(109, 104), 7);
  EXPECT_EQ(test::ScreenPixel(111, 106), 7);
  EXPECT_EQ(test::DisplayPixel(110, 105), 7);
  ExpectGraphicAt(100, 100, 8, 4);
  ExpectGraphicAt(100, 100, 9, 3);
  ExpectGraphicAt(100, 100, 12, 4);
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
  test::FillBitmap(bitmap, 4);
  platform::testing::LoseSurface(bitmap->Surface);
  BitMap memory{};  // a bitmap without surface
  uint8_t pixels[64] = {};
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

TEST_P(BlitTest, SurfaceToSurfaceCopiesOpaquely) {
  BitMap* source = AllocBitMap(4, 4, 8, 1);
  BitMap* target = AllocBitMap(8, 8, 8, 1);
  ASSERT_TRUE(source && target);
  test::FillBitmap(source, 0);
  test::FillBitmap(target, 6);
  RastPort* rp = NewRastPort(source);
  BlitObjekt(rp, 2, 0, 0, 0, 0);
  EXPECT_EQ(BltBitMap(source, 0, 0, target, 2, 2, 4, 4), 1);
  EXPECT_EQ(test::BitmapPixel(target, 2, 2), 0);
  EXPECT_EQ(test::BitmapPixel(target, 5, 5), 7);
  EXPECT_EQ(test::BitmapPixel(target, 1, 1), 6);
  EXPECT_EQ(test::BitmapPixel(target, 6, 6), 6);
  FreeRastPort(rp);
  FreeBitMap(source);
  FreeBitMap(target);
}

INSTANTIATE_TEST_SUITE_P(Presenters, BlitTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
