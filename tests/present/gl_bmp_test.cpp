// The OpenGL presenter's BMP loader: the header kinds and depths it reads,
// the row order it hands out, and the boxes for files it refuses, with
// nothing read beyond the file.
#include "present/gl/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
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

  // Pixels cut short, a colour table beyond the end, a picture that claims
  // to be enormous: refused, nothing read past the file.
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
}

// A picture for the tables below: masks (if any) at header offset 40, inside
// a V4 or V5 header or just after a 40-byte one; colours (blue, green, red, 0).
struct Pic {
  const char* name;
  uint32_t header, compression;
  int32_t width, height;
  uint16_t bits;
  std::vector<uint32_t> masks;
  std::vector<uint8_t> colours, pixels, rgb;  // rgb expected, bottom row first
  const char* box = nullptr;                  // expected instead of rgb
};

std::vector<uint8_t> FileOf(const Pic& p) {
  const auto end = static_cast<uint32_t>(14 + std::max<size_t>(p.header, 40 + 4 * p.masks.size()));
  const auto offset = end + static_cast<uint32_t>(p.colours.size());
  Le f;
  f.b.text("BM");
  f.u32(offset + static_cast<uint32_t>(p.pixels.size())).u32(0).u32(offset).u32(p.header);
  f.u32(static_cast<uint32_t>(p.width)).u32(static_cast<uint32_t>(p.height)).u16(1).u16(p.bits).u32(p.compression);
  f.u32(0).u32(0).u32(0).u32(static_cast<uint32_t>(p.colours.size() / 4)).u32(0);
  for (uint32_t m : p.masks) f.u32(m);
  f.b.zeros(end - f.b.size()).append(test::Bytes{p.colours}).append(test::Bytes{p.pixels});
  return f.b.data;
}

// Little-endian pixels of `bytes` bytes each.
std::vector<uint8_t> Words(std::initializer_list<uint32_t> values, int bytes) {
  std::vector<uint8_t> out;
  for (uint32_t v : values)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

// c0 = (1, 2, 3), c1 = (40, 50, 60), c2 = (70, 80, 90), c3 = (100, 110, 120).
const std::vector<uint8_t> kFour = {3, 2, 1, 0, 60, 50, 40, 0, 90, 80, 70, 0, 120, 110, 100, 0};

TEST_F(BmpTest, MaskedRunLengthAndTopDownKindsGiveTheirPixels) {
  const std::vector<Pic> pics = {
      // No masks: 5-5-5, top bit unused; 16 of 31 scales to 132.
      {"16-bit 5-5-5", 40, 0, 3, 2, 16, {}, {}, Words({0x7C00, 0x03E0, 0x001F, 0, 0x4210, 0x8000, 0xFFFF, 0}, 2),
       {255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 132, 132, 0, 0, 0, 255, 255, 255}},
      // 1 of 31 and 2 of 63 are 8, 32 of 63 is 130.
      {"16-bit 5-6-5", 40, 3, 3, 2, 16, {0xF800, 0x07E0, 0x001F}, {},
       Words({0xF800, 0x07E0, 0x001F, 0, 0x0841, 0x0400, 0xFFFF, 0}, 2),
       {255, 0, 0, 0, 255, 0, 0, 0, 255, 8, 8, 8, 0, 130, 0, 255, 255, 255}},
      {"16-bit 4-4-4, V4 header, top-down", 108, 3, 3, -2, 16, {0x0F00, 0x00F0, 0x000F}, {},
       Words({0x0F00, 0x00F0, 0x0888, 0, 0x000F, 0x0FFF, 0x0000, 0}, 2),
       {0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 136, 136, 136}},
      // 10-10-10 masks: 512 of 1023 is 128.
      {"32-bit 10-10-10", 40, 3, 3, 1, 32, {0x3FF00000, 0x000FFC00, 0x000003FF}, {},
       Words({0x3FF00000, 0x20000000, 0x00080200}, 4), {255, 0, 0, 128, 0, 0, 0, 128, 128}},
      {"32-bit, masks in the top three bytes, V5 header", 124, 3, 3, 1, 32, {0xFF000000, 0x00FF0000, 0x0000FF00},
       {}, Words({0x11223344, 0xFF000000, 0x000000FF}, 4), {0x11, 0x22, 0x33, 255, 0, 0, 0, 0, 0}},
      // Absolute run (2, 9, 1) and its pad; delta up one row to x = 3; a run
      // of three of which one fits; end of line; end of bitmap. Pixels not
      // reached are c0, index 9 is black.
      {"RLE8", 40, 1, 4, 2, 8, {}, kFour, {0, 3, 2, 9, 1, 0, 0, 2, 0, 1, 3, 3, 0, 0, 0, 1},
       {70, 80, 90, 0, 0, 0, 40, 50, 60, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 100, 110, 120}},
      // A run of three from 0x12 (high nibble first); end of line; absolute
      // (3, 9, 2) in two bytes, no pad; a run of one from 0x10; no end of bitmap.
      {"RLE4", 40, 2, 4, 2, 4, {}, kFour, {3, 0x12, 0, 0, 0, 3, 0x39, 0x20, 1, 0x10},
       {40, 50, 60, 70, 80, 90, 40, 50, 60, 1, 2, 3, 100, 110, 120, 0, 0, 0, 70, 80, 90, 40, 50, 60}},
  };
  for (const Pic& p : pics) {
    SCOPED_TRACE(p.name);
    test::WriteBytes("pic.bmp", FileOf(p));
    RGBImage* image = LoadBMPImage("pic.bmp");
    ASSERT_NE(image, nullptr) << OnlyBox();
    EXPECT_EQ(image->width * image->height, p.width * std::abs(p.height));
    EXPECT_EQ(Pixels(image), p.rgb);
    FreeRGBImage(image);
  }
}

TEST_F(BmpTest, MalformedKindsAreRefusedWithTheirBox) {
  const char* bad = "Image file conversion error.";
  const std::vector<uint8_t> zeros(24);
  const std::vector<Pic> pics = {
      {"RLE delta above the picture", 40, 1, 3, 2, 8, {}, kFour, {0, 2, 0, 2, 0, 1}, {}, bad},
      {"RLE absolute run past the file", 40, 1, 3, 2, 8, {}, kFour, {0, 5, 1, 2}, {}, bad},
      {"zero mask", 40, 3, 3, 2, 16, {0xF800, 0, 0x001F}, {}, zeros, {}, bad},
      {"RLE stored top-down", 40, 1, 3, -2, 8, {}, kFour, {0, 1}, {}, bad},
      {"RLE8 with 4 bits", 40, 1, 3, 2, 4, {}, kFour, {0, 1}, {}, bad},
      {"64-byte header (OS/2 2.x)", 64, 0, 3, 2, 24, {}, {}, zeros, {}, "Unknown DIB file format."},
  };
  for (const Pic& p : pics) {
    SCOPED_TRACE(p.name);
    test::WriteBytes("bad.bmp", FileOf(p));
    EXPECT_EQ(LoadBMPImage("bad.bmp"), nullptr);
    EXPECT_EQ(OnlyBox(), p.box);
  }
}

}  // namespace
}  // namespace vsk
