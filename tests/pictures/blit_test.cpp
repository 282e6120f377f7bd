// Blits from the bank and between bitmaps in both modes, read back from display and bitmaps.
#include "pictures/blit.h"

#include "gfx/font.h"
#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;

const Pixels kGraphic = Pattern(20, 10);

// Graphic 1: 20 x 10 pattern; 2: 4 x 4, left half colour 0; 3 listed without a file. None in the bank; screen colour 3.
class BlitTest : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    ResetBank();
    MakeDir("data");
    MakeDir("pics");
    WriteBytes("data/path", PathList({{20, 10, "VSK:pics/knopf.ilbm", ""},
                                                  {4, 4, "VSK:pics/loch.ilbm", ""},
                                                  {4, 4, "VSK:pics/fehlt.ilbm", ""}})
                                      .data);
    WriteBytes("pics/knopf.chk", kGraphic);
    WriteBytes("pics/loch.chk", {0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7, 0, 0, 7, 7});
    FillBitmap(TheScreen->BitMap, 3);
    UpdateRectangle(0, 0, 640, 480);
    (void)TakeUpdates();
  }
  void TearDown() override {
    ResetBank();
    ScreenModeTest::TearDown();
  }
};

TEST_P(BlitTest, GraphicsAreLoadedForTheBlitDroppedAgainAndClippedAtTheEdges) {
  EXPECT_EQ(BlitObjekt(nullptr, 1, 100, 50, 0, 0), 1);
  EXPECT_EQ(Shown(100, 50, 20, 10), kGraphic);
  EXPECT_EQ(Shown(99, 60, 22, 1), Pixels(22, 3));
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  // A graphic in the bank stays; width and height cut it.
  ASSERT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(BlitObjekt(ScreenRp(), 1, 0, 0, 5, 2), 1);
  EXPECT_NE(PictureOf(1), nullptr);
  EXPECT_EQ(Shown(4, 1, 2, 2), (Pixels{kGraphic[24], 3, 3, 3}));
  ReleaseGfx(1);
  EXPECT_EQ(BlitObjekt(nullptr, 1, 630, 475, 0, 0), 1);
  EXPECT_EQ(Shown({{630, 475}, {639, 479}, {0, 476}}), (Pixels{kGraphic[0], kGraphic[4 * 20 + 9], 3})) << "no wrap";
  // At the width or height itself: nothing drawn, an empty rectangle, still a success.
  EXPECT_EQ(BlitObjekt(nullptr, 1, 640, 0, 0, 0) + BlitObjekt(nullptr, 1, 0, 480, 0, 0), 2);
  EXPECT_EQ(Shown({{639, 0}}), Pixels{3});
  ExpectUpdates({{100, 50, 20, 10}, {0, 0, 5, 2}, {630, 475, 10, 5}, {640, 0, 0, 10}, {0, 480, 20, 0}});
  // One beyond: refused, and the graphic loaded for it dropped again; one that cannot be loaded is reported.
  LogCapture log;
  EXPECT_EQ(BlitObjekt(nullptr, 1, 641, 0, 0, 0) + BlitObjekt(nullptr, 1, 0, 481, 0, 0), 0);
  EXPECT_EQ(BlitObjekt(nullptr, 3, 0, 0, 0, 0), 0);
  BlitObjektMask(nullptr, 3, 0, 0, 0, 0, 0);
  EXPECT_EQ(log.Take(), "BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !BlitObjekt: Parameter \xdc" "ber\xfc" "rufen !"
                        "OpenKadunGfx: Konnte Grafik pics/fehlt.chk nicht oeffnen.\n"
                        "BlitObjekt: Konnte die Grafik nicht direkt laden!\n"
                        "OpenKadunGfx: Konnte Grafik pics/fehlt.chk nicht oeffnen.\n");
  EXPECT_TRUE(PictureOf(1) == nullptr && PictureOf(3) == nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  ExpectUpdates({});
}

TEST_P(BlitTest, MaskedAndOpaqueBlitsBetweenBitmapsAndTheScreen) {
  BlitObjektMask(nullptr, 2, 0, 10, 10, 0, 0);
  BlitObjektMask(ScreenRp(), 2, 0x100, 20, 10, 0, 0);  // above 255: nothing transparent
  EXPECT_EQ(Shown(10, 13, 14, 1), (Pixels{3, 3, 7, 7, 3, 3, 3, 3, 3, 3, 0, 0, 7, 7}));
  EXPECT_EQ(PictureOf(2), nullptr);
  ExpectUpdates({{10, 10, 4, 4}, {20, 10, 4, 4}});

  BitMap* bitmap = AllocBitMap(8, 8, 8, 1);
  BitMap* small = AllocBitMap(4, 4, 8, 1);
  RastPort* rp = NewRastPort(bitmap);
  RastPort* smallRp = NewRastPort(small);
  ASSERT_TRUE(rp && smallRp);
  EXPECT_TRUE(rp->BitMap == bitmap && rp->FgPen == 1 && rp->DrawMode == JAM2);
  FillBitmap(bitmap, 4);
  EXPECT_EQ(BlitObjekt(rp, 1, 2, 3, 0, 0), 1);
  EXPECT_EQ((Pixels{BitmapPixel(bitmap, 2, 3), BitmapPixel(bitmap, 7, 7), BitmapPixel(bitmap, 1, 3)}),
            (Pixels{kGraphic[0], kGraphic[4 * 20 + 5], 4}));
  // BltBitMap with no destination means the screen; then back from it.
  EXPECT_EQ(BltBitMap(bitmap, 2, 3, nullptr, 300, 200, 4, 2), 1);
  EXPECT_EQ(Shown({{300, 200}, {303, 201}, {304, 200}, {300, 202}}), (Pixels{kGraphic[0], kGraphic[23], 3, 3}));
  EXPECT_EQ(BltBitMap(TheScreen->BitMap, 299, 199, bitmap, 0, 0, 2, 2), 1);
  BlitObjektMask(rp, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ((Pixels{BitmapPixel(bitmap, 0, 0), BitmapPixel(bitmap, 1, 1), BitmapPixel(bitmap, 1, 3),
                    BitmapPixel(bitmap, 3, 0)}),
            (Pixels{3, kGraphic[0], 4, 7}));
  // Bitmap to bitmap copies opaquely.
  FillBitmap(small, 0);
  BlitObjekt(smallRp, 2, 0, 0, 0, 0);
  FillBitmap(bitmap, 6);
  EXPECT_EQ(BltBitMap(small, 0, 0, bitmap, 2, 2, 4, 4), 1);
  EXPECT_EQ((Pixels{BitmapPixel(bitmap, 2, 2), BitmapPixel(bitmap, 5, 5), BitmapPixel(bitmap, 1, 1),
                    BitmapPixel(bitmap, 6, 6)}),
            (Pixels{0, 7, 6, 6}));
  ExpectUpdates({{300, 200, 4, 2}});
  for (RastPort* r : {rp, smallRp}) FreeRastPort(r);
  for (BitMap* b : {bitmap, small}) FreeBitMap(b);
}

TEST_P(BlitTest, TextBlitsDrawTheLabelCentred) {
  // Fixed width, 'A' a 3 x 3 block, baseline at row 2.
  WriteBytes("block.fnt", FontBuilder('A', 'A', 3, 2).Glyph('A', {"###", "###", "###"}, 3).Build().data);
  TextFont* block = OpenDiskFont("block.fnt");
  ASSERT_NE(block, nullptr);
  SetFont(ScreenRp(), block);
  // 20 x 10: the glyph at 100 + 10 - 1, 100 + (10 - 3) / 2 + 1 + 2 - 2 in pen 7 over the graphic.
  BlitObjektText(nullptr, 1, "A", 100, 100, 0, 0);
  const Pixels& g = kGraphic;
  EXPECT_EQ(Shown(108, 103, 5, 4), (Pixels{g[68], g[69], g[70], g[71], g[72], g[88], 7, 7, 7, g[92], g[108], 7, 7,
                                           7, g[112], g[128], 7, 7, 7, g[132]}));
  EXPECT_TRUE(ScreenRp()->DrawMode == JAM2 && PictureOf(1) == nullptr);
  // 4 x 4: the glyph at 201, 101; colour 0 of the graphic is transparent.
  BlitObjektMaskText(nullptr, 2, "A", 200, 100, 0, 0);
  EXPECT_EQ(Shown(200, 100, 4, 3), (Pixels{3, 3, 7, 7, 3, 7, 7, 7, 3, 7, 7, 7}));
  SetFont(ScreenRp(), nullptr);
  CloseFont(block);
}

TEST_P(BlitTest, LockFailuresAreLoggedAndDrawNothing) {
  if (!DirectDraw()) GTEST_SKIP() << "only surfaces can fail to lock";
  BitMap* bitmap = AllocBitMap(8, 8, 8, 1);
  ASSERT_NE(bitmap, nullptr);
  platform::testing::LoseSurface(bitmap->Surface);
  uint8_t pixels[64] = {};
  BitMap memory{};  // a bitmap without surface
  memory.BytesPerRow = memory.Rows = 8;
  memory.Pixels = pixels;
  RastPort* rp = NewRastPort(bitmap);
  LogCapture log;
  EXPECT_EQ(BltBitMap(bitmap, 0, 0, &memory, 0, 0, 8, 8) + BltBitMap(&memory, 0, 0, bitmap, 0, 0, 8, 8), 2);
  BlitObjektMask(rp, 2, 0, 0, 0, 0, 0);
  EXPECT_EQ(log.Take(),
            "RICHTIGER ZWEIG!DXBltBitMap:Konnte Surface nicht locken!DXBltBitMap:Konnte Surface nicht locken!"
            "DXBlitObjektMask:Konnte Destination Surface nicht locken.\n");
  EXPECT_EQ(pixels[0], 0);
  FreeRastPort(rp);
  FreeBitMap(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Presenters, BlitTest, AllPresenters(), PresenterName);

}  // namespace
}  // namespace vsk
