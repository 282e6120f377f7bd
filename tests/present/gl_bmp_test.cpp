// The OpenGL presenter's BMP loader: the header kinds and depths it reads,
// the row order it hands out, and the boxes for files it refuses, with
// nothing read beyond the file.
#include "present/gl/bmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing.h"
#include "support/bytes.h"
#include "support/gamedir.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

struct Le {
  test::Bytes b;
  Le& u16(uint16_t v) {
    b.u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Le& u32(uint32_t v) {
    b.le32(v);
    return *this;
  }
};

// File header and 40-byte information header; pixels follow the colours.
Le InfoFile(int32_t width, int32_t height, uint16_t bits, uint32_t colours, uint32_t pixelBytes) {
  Le f;
  const uint32_t offset = 14 + 40 + colours * 4;
  f.b.text("BM");
  f.u32(offset + pixelBytes).u32(0).u32(offset);
  f.u32(40).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height)).u16(1).u16(bits).u32(0);
  f.u32(pixelBytes).u32(2835).u32(2835).u32(colours).u32(0);
  return f;
}

class BmpTest : public test::GameDirTest {
 protected:
  void TearDown() override {
    hooks::ResetMessageBoxes();
    GameDirTest::TearDown();
  }
  // The text of the one box the loader showed (caption "Error").
  static std::string OnlyBox() {
    hooks::MessageBoxRecord box;
    if (!hooks::TakeMessageBox(&box)) return "(no box)";
    EXPECT_EQ(box.caption, "Error");
    hooks::MessageBoxRecord more;
    EXPECT_FALSE(hooks::TakeMessageBox(&more)) << more.text;
    return box.text;
  }
  static std::vector<uint8_t> Pixels(const RGBImage* image) {
    return {image->data, image->data + static_cast<size_t>(image->width) * image->height * 3};
  }
};

TEST_F(BmpTest, TwentyFourBitRowsComeOutBottomFirstWithoutPadding) {
  // 3 x 2: each row is 9 bytes padded to 12; stored bottom row first, BGR.
  Le f = InfoFile(3, 2, 24, 0, 24);
  f.b.u8(1).u8(2).u8(3).u8(4).u8(5).u8(6).u8(7).u8(8).u8(9).zeros(3);           // bottom row
  f.b.u8(10).u8(11).u8(12).u8(13).u8(14).u8(15).u8(16).u8(17).u8(18).zeros(3);  // top row
  test::WriteBytes("pic.bmp", f.b.data);
  RGBImage* image = LoadBMPImage("pic.bmp");
  ASSERT_NE(image, nullptr) << OnlyBox();
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(Pixels(image), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
  FreeRGBImage(image);

  // The same picture stored top-down (negative height) gives the same order.
  Le g = InfoFile(3, -2, 24, 0, 24);
  g.b.u8(10).u8(11).u8(12).u8(13).u8(14).u8(15).u8(16).u8(17).u8(18).zeros(3);
  g.b.u8(1).u8(2).u8(3).u8(4).u8(5).u8(6).u8(7).u8(8).u8(9).zeros(3);
  test::WriteBytes("down.bmp", g.b.data);
  image = LoadBMPImage("down.bmp");
  ASSERT_NE(image, nullptr) << OnlyBox();
  EXPECT_EQ(Pixels(image), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
  FreeRGBImage(image);
}

TEST_F(BmpTest, PalettedPicturesThroughTheirColourTables) {
  // 8 bits, two colours in the table; index 7 lies outside it and is black.
  Le f = InfoFile(3, 1, 8, 2, 4);
  f.b.u8(30).u8(20).u8(10).u8(0).u8(60).u8(50).u8(40).u8(0);  // colours (BGR0)
  f.b.u8(1).u8(0).u8(7).u8(0);
  test::WriteBytes("eight.bmp", f.b.data);
  RGBImage* image = LoadBMPImage("eight.bmp");
  ASSERT_NE(image, nullptr) << OnlyBox();
  EXPECT_EQ(Pixels(image), (std::vector<uint8_t>{40, 50, 60, 10, 20, 30, 0, 0, 0}));
  FreeRGBImage(image);

  // A 12-byte core header: 3-byte colour entries, 1 bit per pixel.
  Le c;
  c.b.text("BM");
  c.u32(14 + 12 + 6 + 4).u32(0).u32(14 + 12 + 6);
  c.u32(12).u16(10).u16(1).u16(1).u16(1);
  c.b.u8(0).u8(0).u8(0).u8(255).u8(128).u8(0);  // black, then (0, 128, 255)
  c.b.u8(0xA0).u8(0x40).zeros(2);               // 1010 0000 0100 0000
  test::WriteBytes("core.bmp", c.b.data);
  image = LoadBMPImage("core.bmp");
  ASSERT_NE(image, nullptr) << OnlyBox();
  ASSERT_EQ(image->width, 10);
  const std::vector<uint8_t> px = Pixels(image);
  for (int x = 0; x < 10; ++x) {
    const bool set = x == 0 || x == 2 || x == 9;
    EXPECT_EQ(px[3 * x + 2], set ? 255 : 0) << "pixel " << x;
    EXPECT_EQ(px[3 * x + 1], set ? 128 : 0) << "pixel " << x;
  }
  FreeRGBImage(image);
}

TEST_F(BmpTest, FilesItCannotReadAreRefusedWithTheirBox) {
  EXPECT_EQ(LoadBMPImage("Data/none.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Failed to open DIB file Data/none.bmp.\n");

  test::WriteBytes("short.bmp", {'B', 'M', 1, 2});
  EXPECT_EQ(LoadBMPImage("short.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Failed to open DIB file short.bmp.\n");

  // A 64-byte header (an OS/2 2.x bitmap) is no format the loader knows.
  Le os2;
  os2.b.text("BM");
  os2.u32(14 + 64 + 4).u32(0).u32(14 + 64).u32(64);
  os2.b.zeros(60 + 4);
  test::WriteBytes("os2.bmp", os2.b.data);
  EXPECT_EQ(LoadBMPImage("os2.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Unknown DIB file format.");

  // Pixels cut short, a colour table beyond the end, a picture that claims
  // to be enormous, compression: refused, nothing read past the file.
  Le cut = InfoFile(4, 4, 24, 0, 48);
  cut.b.zeros(47);
  test::WriteBytes("cut.bmp", cut.b.data);
  EXPECT_EQ(LoadBMPImage("cut.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Image file conversion error.");

  Le table = InfoFile(2, 1, 8, 256, 4);
  table.b.zeros(100);
  test::WriteBytes("table.bmp", table.b.data);
  EXPECT_EQ(LoadBMPImage("table.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Image file conversion error.");

  Le huge = InfoFile(1 << 20, 1 << 20, 24, 0, 16);
  huge.b.zeros(16);
  test::WriteBytes("huge.bmp", huge.b.data);
  EXPECT_EQ(LoadBMPImage("huge.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Image file conversion error.");

  Le packed = InfoFile(2, 2, 8, 0, 8);
  packed.b.data[14 + 16] = 1;  // run-length encoded
  packed.b.zeros(8 + 1024);
  test::WriteBytes("rle.bmp", packed.b.data);
  EXPECT_EQ(LoadBMPImage("rle.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Image file conversion error.");
}

}  // namespace
}  // namespace vsk
