// The demo pictures: sizes and places the client's screens rely on, the pens
// of the boxes pointing at readable colours, the residence animating every
// cycled register while the boxes stay clear of them, deterministic output,
// and PNG files that read back to the same pixels.
#include "vsk-data/art.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "support/gamedir.h"
#include "vsk-data/convert.h"
#include "vsk-data/png_write.h"

namespace vsk::data {
namespace {

int Luminance(const Rgb& c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

std::set<int> ColoursOf(const IndexedImage& image) {
  return std::set<int>(image.pixels.begin(), image.pixels.end());
}

bool UsesCycledRegister(const IndexedImage& image) {
  for (int c : ColoursOf(image))
    if (c >= kFirstCycledRegister && c <= kLastCycledRegister) return true;
  return false;
}

// Every pixel of the rectangle has the colour.
bool AllOf(const IndexedImage& image, const ArtRect& r, uint8_t colour) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (image.at(x, y) != colour) return false;
  return true;
}

// `part` lies in `image` at (x, y) pixel for pixel.
bool Contains(const IndexedImage& image, const IndexedImage& part, int x, int y) {
  for (uint32_t py = 0; py < part.height; ++py)
    for (uint32_t px = 0; px < part.width; ++px)
      if (image.at(x + px, y + py) != part.at(px, py)) return false;
  return true;
}

TEST(ArtPalette, PensOfTheBoxesAreReadable) {
  const Palette p = DemoPalette();
  EXPECT_EQ(Luminance(p[kPenTransparent]), 0);
  // Text on its background, list text on the list, and the inverse
  // highlight, all with a strong contrast.
  EXPECT_GT(Luminance(p[kPenTextBack]) - Luminance(p[kPenInk]), 120);
  EXPECT_GT(Luminance(p[kPenListBack]) - Luminance(p[kPenListText]), 120);
  // The scroller: light edge above knob above track above dark edge.
  EXPECT_GT(Luminance(p[kPenScrollLight]), Luminance(p[kPenScrollKnob]));
  EXPECT_GT(Luminance(p[kPenScrollKnob]), Luminance(p[kPenScrollTrack]));
  EXPECT_GT(Luminance(p[kPenScrollTrack]), Luminance(p[kPenScrollDark]));
}

TEST(ArtPalette, CycledGroupsHoldDistinctColoursSoTheCyclingShows) {
  const Palette p = DemoPalette();
  // The five groups of the residence's cycling table.
  const int groups[][2] = {{139, 140}, {141, 143}, {144, 147}, {148, 151}, {152, 155}};
  for (const auto& g : groups)
    for (int a = g[0]; a <= g[1]; ++a)
      for (int b = a + 1; b <= g[1]; ++b)
        EXPECT_GT(std::abs(Luminance(p[a]) - Luminance(p[b])), 12) << a << " and " << b;
}

TEST(ArtPictures, ListCoversEveryIdOnceInAscendingOrder) {
  const std::vector<DemoPicture> all = DrawAllDemoPictures();
  std::set<uint32_t> ids;
  uint32_t last = 0;
  for (const DemoPicture& p : all) {
    EXPECT_GT(p.id, last);
    last = p.id;
    ids.insert(p.id);
    EXPECT_FALSE(p.image.pixels.empty()) << p.id;
  }
  for (uint32_t id : {1u, 3u, 8u, 9u, 23u, 28u, 29u, 30u, 123u, 124u, 125u, 126u, 143u, 144u, 293u,
                      340u, 341u, 342u})
    EXPECT_EQ(ids.count(id), 1u) << id;
  // The sizes are checked on the demo directory's files (demo_test); ids
  // without a picture draw nothing.
  EXPECT_TRUE(DrawResidenceGraphic(7).pixels.empty());
  EXPECT_TRUE(DrawArrow(127).pixels.empty());
}

TEST(ArtResidence, AnimatesEveryCycledRegister) {
  const std::set<int> colours = ColoursOf(ComposeResidenceScene());
  for (int r = kFirstCycledRegister; r <= kLastCycledRegister; ++r)
    EXPECT_EQ(colours.count(r), 1u) << "register " << r << " is not shown";
}

TEST(ArtResidence, GraphicsAreTransparentAroundTheTowersAndShowTheKeep) {
  for (const GraphicPlace& g : kResidenceGraphics) {
    const IndexedImage image = DrawResidenceGraphic(int(g.id));
    std::size_t transparent = 0;
    for (uint8_t c : image.pixels) transparent += c == 0;
    EXPECT_LT(transparent, image.pixels.size() / 2) << g.id;
    if (g.y == 200) {
      EXPECT_GT(transparent, 500u) << "sky around tower " << g.id;
    }
  }
  // The composed scene shows each graphic where the screen draws it.
  const IndexedImage scene = ComposeResidenceScene();
  const IndexedImage gate = DrawResidenceGraphic(28);
  EXPECT_TRUE(Contains(scene, gate, 300, 300));
}

TEST(ArtBoxes, NeverUseTheCycledRegisters) {
  for (const IndexedImage& image :
       {DrawTextBoxFrame(), DrawListRequesterFrame(), DrawArrow(123), DrawArrow(124),
        DrawArrow(125), DrawArrow(126), DrawCloseButton(false), DrawCloseButton(true),
        DrawRequesterButton(false), DrawRequesterButton(true), DrawPointer()})
    EXPECT_FALSE(UsesCycledRegister(image));
}

TEST(ArtBoxes, TextBoxFrameLeavesItsPlacesWhereTheTextBoxDraws) {
  const IndexedImage frame = DrawTextBoxFrame();
  EXPECT_TRUE(AllOf(frame, kTextBoxWindow, kPenTextBack));
  EXPECT_TRUE(AllOf(frame, kTextBoxScrollBar, kPenScrollTrack));
  // The title plaque is light enough for the ink pen.
  EXPECT_TRUE(AllOf(frame, {170, 12, 330, 28}, kPenTextBack));
  EXPECT_TRUE(Contains(frame, DrawArrow(123), kTextBoxUpArrow.left, kTextBoxUpArrow.top));
  EXPECT_TRUE(Contains(frame, DrawArrow(125), kTextBoxDownArrow.left, kTextBoxDownArrow.top));
  // The close button is part of the frame: the box draws it only when pressed.
  EXPECT_TRUE(Contains(frame, DrawCloseButton(false), kTextBoxClose.left, kTextBoxClose.top));
  // The places match the screen positions at the frame's origin (66, 50).
  EXPECT_EQ(kTextBoxWindow.left + 66, 101);
  EXPECT_EQ(kTextBoxWindow.top + 50, 88);
  EXPECT_EQ(kTextBoxScrollBar.left + 66, 526);
  EXPECT_EQ(kTextBoxClose.top + 50, 370);
}

TEST(ArtBoxes, ListRequesterFrameLeavesItsListAndScrollBar) {
  const IndexedImage frame = DrawListRequesterFrame();
  EXPECT_TRUE(AllOf(frame, kListWindow, kPenListBack));
  EXPECT_TRUE(AllOf(frame, kListScrollBar, kPenScrollTrack));
  EXPECT_TRUE(AllOf(frame, {30, 18, 165, 30}, kPenListBack));  // inside the title plaque
  EXPECT_TRUE(Contains(frame, DrawRequesterButton(false), kListOkButton.left, kListOkButton.top));
}

TEST(ArtBoxes, PressedPiecesDifferFromTheirNormalState) {
  EXPECT_NE(DrawArrow(123).pixels, DrawArrow(124).pixels);
  EXPECT_NE(DrawArrow(125).pixels, DrawArrow(126).pixels);
  EXPECT_NE(DrawArrow(123).pixels, DrawArrow(125).pixels);
  EXPECT_NE(DrawCloseButton(false).pixels, DrawCloseButton(true).pixels);
  EXPECT_NE(DrawRequesterButton(false).pixels, DrawRequesterButton(true).pixels);
}

TEST(ArtPointer, HasItsTipTopLeftAndTransparentSurroundings) {
  const IndexedImage pointer = DrawPointer();
  EXPECT_NE(pointer.at(0, 0), 0);
  EXPECT_EQ(pointer.at(31, 0), 0);
  EXPECT_EQ(pointer.at(31, 26), 0);
  EXPECT_EQ(pointer.at(0, 26), 0);
  std::size_t drawn = 0;
  for (uint8_t c : pointer.pixels) drawn += c != 0;
  EXPECT_GT(drawn, 150u);
}

TEST(ArtTitle, CarriesTheGoldLettering) {
  const IndexedImage title = DrawTitlePicture();
  // The lettering is gold over the sky in the upper band.
  std::size_t gold = 0;
  for (uint32_t y = 20; y < 160; ++y)
    for (uint32_t x = 0; x < 640; ++x) {
      const uint8_t c = title.at(x, y);
      gold += c >= 128 && c <= 138;
    }
  EXPECT_GT(gold, 8000u);
}

class PngWriteTest : public test::GameDirTest {
 protected:
  // The PNG read back through libpng (as the converter reads its sources):
  // red, green and blue of each pixel.
  static std::vector<uint8_t> ReadBack(const std::string& path, uint32_t width, uint32_t height) {
    RgbaImage image;
    std::string error;
    EXPECT_TRUE(LoadSourcePicture(path, &image, &error)) << error;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4)
      rgb.insert(rgb.end(), image.pixels.begin() + i, image.pixels.begin() + i + 3);
    return rgb;
  }
};

TEST_F(PngWriteTest, IndexedPictureReadsBackWithItsPalette) {
  const IndexedImage pointer = DrawPointer();
  const Palette palette = DemoPalette();
  ASSERT_TRUE(WritePng("pointer.png", pointer, palette));
  EXPECT_FALSE(test::FileExists("pointer.png.part"));
  std::vector<uint8_t> expected;
  for (uint8_t c : pointer.pixels) expected.insert(expected.end(), {palette[c].r, palette[c].g, palette[c].b});
  EXPECT_EQ(ReadBack("pointer.png", 32, 27), expected);
}

TEST_F(PngWriteTest, TheBackdropAsRgbReadsBack) {
  uint32_t width = 0, height = 0;
  const std::vector<uint8_t> rgb = DrawBackdropRgb(width, height);
  // The backdrop: a picture, not a flat colour (its power-of-two sides are
  // checked on the demo directory's file).
  ASSERT_EQ(rgb.size(), std::size_t(width) * height * 3);
  EXPECT_GT(std::set<uint8_t>(rgb.begin(), rgb.end()).size(), 64u);
  ASSERT_TRUE(WritePngRgb("backdrop.png", width, height, rgb));
  EXPECT_EQ(ReadBack("backdrop.png", width, height), rgb);
}

// Inconsistent images and places that cannot be written fail and leave no
// file, not even the temporary one; a success replaces an old file whole.
TEST_F(PngWriteTest, FailuresLeaveNoFileAndASuccessReplacesTheOldOneWhole) {
  IndexedImage broken{4, 4, std::vector<uint8_t>(15, 1)};
  EXPECT_FALSE(WritePng("broken.png", broken, DemoPalette()));
  EXPECT_FALSE(WritePng("empty.png", IndexedImage{}, DemoPalette()));
  EXPECT_FALSE(WritePngRgb("short.png", 2, 2, std::vector<uint8_t>(11)));
  EXPECT_FALSE(WritePng("missing/dir/a.png", DrawPointer(), DemoPalette()));
  test::MakeDir("locked");
  test::SetReadOnly("locked", true);
  const bool written = WritePng("locked/a.png", DrawPointer(), DemoPalette());
  test::SetReadOnly("locked", false);
  if (geteuid() != 0) {
    EXPECT_FALSE(written);  // root writes anywhere
  }
  for (const char* left : {"broken.png", "empty.png", "short.png", "locked/a.png.part"})
    EXPECT_FALSE(test::FileExists(left)) << left;

  test::WriteText("old.png", "not a picture at all, and longer than nothing");
  ASSERT_TRUE(WritePng("old.png", DrawArrow(123), DemoPalette()));
  const std::vector<uint8_t> bytes = test::ReadBytes("old.png");
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
}

}  // namespace
}  // namespace vsk::data
