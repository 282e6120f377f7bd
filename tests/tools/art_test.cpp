// The demo pictures: the residence animating every cycled register while the
// boxes stay clear of them, the places the boxes draw into, and PNG files.
#include "vsk-data/art.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>

#include "support/gamedir.h"
#include "vsk-data/convert.h"
#include "vsk-data/png_write.h"

namespace vsk::data {
namespace {

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

// Ids without a picture draw nothing (the others are checked in demo_test).
TEST(ArtPictures, IdsWithoutAPictureDrawNothing) {
  EXPECT_TRUE(DrawResidenceGraphic(7).pixels.empty());
  EXPECT_TRUE(DrawArrow(127).pixels.empty());
}

TEST(ArtResidence, AnimatesEveryCycledRegisterAndShowsEachGraphicInPlace) {
  const IndexedImage scene = ComposeResidenceScene();
  const std::set<int> colours(scene.pixels.begin(), scene.pixels.end());
  for (int r = kFirstCycledRegister; r <= kLastCycledRegister; ++r)
    EXPECT_EQ(colours.count(r), 1u) << "register " << r << " is not shown";
  EXPECT_TRUE(Contains(scene, DrawResidenceGraphic(28), 300, 300));
}

TEST(ArtBoxes, NeverUseTheCycledRegisters) {
  for (const IndexedImage& image :
       {DrawTextBoxFrame(), DrawListRequesterFrame(), DrawArrow(123), DrawArrow(124), DrawArrow(125),
        DrawArrow(126), DrawCloseButton(false), DrawCloseButton(true), DrawRequesterButton(false),
        DrawRequesterButton(true), DrawPointer()})
    for (uint8_t c : image.pixels) ASSERT_TRUE(c < kFirstCycledRegister || c > kLastCycledRegister) << int(c);
}

TEST(ArtBoxes, FramesLeaveTheirPlacesWhereTheBoxesDraw) {
  const IndexedImage text = DrawTextBoxFrame();
  EXPECT_TRUE(AllOf(text, kTextBoxWindow, kPenTextBack));
  EXPECT_TRUE(AllOf(text, kTextBoxScrollBar, kPenScrollTrack));
  EXPECT_TRUE(AllOf(text, {170, 12, 330, 28}, kPenTextBack));  // the title plaque, for the ink pen
  EXPECT_TRUE(Contains(text, DrawArrow(123), kTextBoxUpArrow.left, kTextBoxUpArrow.top));
  EXPECT_TRUE(Contains(text, DrawArrow(125), kTextBoxDownArrow.left, kTextBoxDownArrow.top));
  // The close button is part of the frame: the box draws it only when pressed.
  EXPECT_TRUE(Contains(text, DrawCloseButton(false), kTextBoxClose.left, kTextBoxClose.top));
  const IndexedImage list = DrawListRequesterFrame();
  EXPECT_TRUE(AllOf(list, kListWindow, kPenListBack));
  EXPECT_TRUE(AllOf(list, kListScrollBar, kPenScrollTrack));
  EXPECT_TRUE(Contains(list, DrawRequesterButton(false), kListOkButton.left, kListOkButton.top));
}

class PngWriteTest : public test::GameDirTest {
 protected:
  // The PNG read back as the converter reads its sources: RGB of each pixel.
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

TEST_F(PngWriteTest, IndexedAndRgbPicturesReadBack) {
  const IndexedImage pointer = DrawPointer();
  const Palette palette = DemoPalette();
  ASSERT_TRUE(WritePng("pointer.png", pointer, palette));
  EXPECT_FALSE(test::FileExists("pointer.png.part"));
  std::vector<uint8_t> expected;
  for (uint8_t c : pointer.pixels) expected.insert(expected.end(), {palette[c].r, palette[c].g, palette[c].b});
  EXPECT_EQ(ReadBack("pointer.png", 32, 27), expected);

  uint32_t width = 0, height = 0;
  const std::vector<uint8_t> rgb = DrawBackdropRgb(width, height);
  ASSERT_EQ(rgb.size(), std::size_t(width) * height * 3);
  EXPECT_GT(std::set<uint8_t>(rgb.begin(), rgb.end()).size(), 64u) << "a picture, not a flat colour";
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
