// Text aligned in a rectangle, read back from the screen in both modes.
#include "gfx/aligned_text.h"

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;

class AlignedTextTest : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    // Fixed width, 'A' a 3 x 3 block, its top row two rows above the pen's y.
    WriteBytes("block.fnt", FontBuilder('A', 'A', 3, 2).Glyph('A', {"###", "###", "###"}, 3).Build().data);
    font_ = OpenDiskFont("block.fnt");
    ASSERT_NE(font_, nullptr);
    SetFont(ScreenRp(), font_);
    FillBitmap(TheScreen->BitMap, 5);
  }
  void TearDown() override {
    if (TheScreen) SetFont(ScreenRp(), nullptr);
    CloseFont(font_);
    ScreenModeTest::TearDown();
  }

  // The glyph's top-left pixel at (x, y) in `pen`; the pixels just outside it `around`.
  void ExpectGlyphAt(int32_t x, int32_t y, uint8_t pen, uint8_t around = 5) {
    for (int32_t dy = 0; dy < 3; ++dy)
      for (int32_t dx = 0; dx < 3; ++dx) EXPECT_EQ(ScreenPixel(x + dx, y + dy), pen) << x + dx << "," << y + dy;
    EXPECT_EQ(OnScreen({{x - 1, y + 1}, {x + 3, y + 1}, {x + 1, y - 1}}), std::vector<uint8_t>(3, around));
  }

  TextFont* font_ = nullptr;
};

TEST_P(AlignedTextTest, PlacesByItsFlagsFillsShadowsAndOutlines) {
  DrawAlignedText(nullptr, 20, 30, 60, 50, "A", 0, 9, 0);  // pen at (left, top)
  ExpectGlyphAt(20, 28, 9);
  DrawAlignedText(ScreenRp(), 100, 30, 140, 50, "A", 0, 9, 2 | 16);  // right, top + baseline
  ExpectGlyphAt(137, 30, 9);
  DrawAlignedText(ScreenRp(), 200, 30, 240, 50, "A", 0, 9, 64 | 128);  // bottom, two higher
  ExpectGlyphAt(200, 46, 9);
  // 37: centred both ways: 300 + 40 / 2 - 3 / 2, 30 + (20 - 3) / 2 + 1 + 2.
  DrawAlignedText(ScreenRp(), 300, 30, 340, 50, "A", 0, 9, 37);
  ExpectGlyphAt(319, 39, 9);
  EXPECT_EQ(DisplayPixel(320, 40), 9);
  EXPECT_TRUE(ScreenRp()->DrawMode == JAM1 && ScreenRp()->FgPen == 9);
  // Filled, shadowed, outlined (the four neighbours in pen 0, no diagonal).
  DrawAlignedText(ScreenRp(), 10, 100, 20, 110, "A", 12, 9, 8 | 37);
  ExpectGlyphAt(14, 104, 9, 12);
  EXPECT_EQ(OnScreen({{20, 110}, {21, 110}, {10, 111}}), (std::vector<uint8_t>{12, 5, 5}));
  DrawAlignedText(ScreenRp(), 50, 100, 60, 110, "A", 12, 9, 16 | 256);
  ExpectGlyphAt(50, 100, 9);
  EXPECT_EQ(OnScreen({{51, 103}, {53, 101}}), (std::vector<uint8_t>{0, 5})) << "shadow one row below";
  DrawAlignedText(ScreenRp(), 80, 100, 90, 110, "A", 12, 9, 16 | 512);
  EXPECT_EQ(OnScreen({{80, 100}, {79, 101}, {83, 101}, {81, 99}, {81, 103}, {79, 99}}),
            (std::vector<uint8_t>{9, 0, 0, 0, 0, 5}));
}

INSTANTIATE_TEST_SUITE_P(Presenters, AlignedTextTest, AllPresenters(), PresenterName);

}  // namespace
}  // namespace vsk
