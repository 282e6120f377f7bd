// The OpenGL presenter's BMP loader and its screen conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "present/gl/bmp.h"
#include "present/gl/convert.h"
#include "support/bytes.h"
#include "support/gamedir.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;

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
};

// A picture: masks (if any) at header offset 40, colours BGR0 (core header: BGR, no count).
struct Pic {
  const char* name;
  uint32_t header, compression;
  int32_t width, height;
  uint16_t bits;
  std::vector<uint32_t> masks;
  std::vector<uint8_t> colours, pixels, rgb;  // rgb expected, bottom row first
  const char* box = nullptr;                  // expected instead of rgb
};

void Le16(test::Bytes& b, uint32_t v) { b.u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }

std::vector<uint8_t> FileOf(const Pic& p) {
  if (p.header == 12) {  // a core header: 16-bit sides, 3-byte colours
    test::Bytes c;
    const auto offset = static_cast<uint32_t>(26 + p.colours.size());
    c.text("BM").le32(offset + static_cast<uint32_t>(p.pixels.size())).le32(0).le32(offset).le32(12);
    for (uint32_t v : {static_cast<uint32_t>(p.width), static_cast<uint32_t>(p.height), 1u, uint32_t{p.bits}})
      Le16(c, v);
    return c.append(test::Bytes{p.colours}).append(test::Bytes{p.pixels}).data;
  }
  const auto end = static_cast<uint32_t>(14 + std::max<size_t>(p.header, 40 + 4 * p.masks.size()));
  const auto offset = end + static_cast<uint32_t>(p.colours.size());
  test::Bytes f;
  f.text("BM").le32(offset + static_cast<uint32_t>(p.pixels.size())).le32(0).le32(offset).le32(p.header);
  f.le32(static_cast<uint32_t>(p.width)).le32(static_cast<uint32_t>(p.height));
  Le16(f, 1);
  Le16(f, p.bits);
  f.le32(p.compression).le32(0).le32(0).le32(0).le32(static_cast<uint32_t>(p.colours.size() / 4)).le32(0);
  for (uint32_t m : p.masks) f.le32(m);
  f.zeros(end - f.size()).append(test::Bytes{p.colours}).append(test::Bytes{p.pixels});
  return f.data;
}

// Little-endian pixels of `bytes` bytes each.
std::vector<uint8_t> Words(std::initializer_list<uint32_t> values, int bytes) {
  std::vector<uint8_t> out;
  for (uint32_t v : values)
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

// Four colours: (1, 2, 3), (40, 50, 60), (70, 80, 90), (100, 110, 120).
const std::vector<uint8_t> kFour = {3, 2, 1, 0, 60, 50, 40, 0, 90, 80, 70, 0, 120, 110, 100, 0};
// 3 x 2 at 24 bits, rows padded to 12 bytes, BGR; handed out bottom row first.
const std::vector<uint8_t> kRgb24 = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16};

// Every kind it reads, and the files it refuses with their box.
TEST_F(BmpTest, EveryKindGivesItsPixelsAndBadFilesTheirBox) {
  const char* bad = "Image file conversion error.";
  const std::vector<uint8_t> zeros(24);
  const std::vector<Pic> pics = {
      {"24-bit bottom-up", 40, 0, 3, 2, 24, {}, {},
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}, kRgb24},
      {"24-bit top-down", 40, 0, 3, -2, 24, {}, {},
       {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}, kRgb24},
      // Black, then (0, 128, 255) in 3-byte entries; 1010 0000 01 in 1-bit pixels.
      {"core header, 1 bit", 12, 0, 10, 1, 1, {}, {0, 0, 0, 255, 128, 0}, {0xA0, 0x40, 0, 0},
       {0, 128, 255, 0, 0, 0, 0, 128, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128, 255}},
      // Two colours in the table; index 7 lies outside it and is black.
      {"8-bit", 40, 0, 3, 1, 8, {}, {30, 20, 10, 0, 60, 50, 40, 0}, {1, 0, 7, 0}, {40, 50, 60, 10, 20, 30, 0, 0, 0}},
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
      // Absolute (2, 9, 1) and pad; delta up one row to x = 3; a run of three,
      // one fitting; end of line; end of bitmap. Unreached: c0; index 9: black.
      {"RLE8", 40, 1, 4, 2, 8, {}, kFour, {0, 3, 2, 9, 1, 0, 0, 2, 0, 1, 3, 3, 0, 0, 0, 1},
       {70, 80, 90, 0, 0, 0, 40, 50, 60, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 100, 110, 120}},
      // Run of three from 0x12; end of line; absolute (3, 9, 2), no pad; run of one; no end.
      {"RLE4", 40, 2, 4, 2, 4, {}, kFour, {3, 0x12, 0, 0, 0, 3, 0x39, 0x20, 1, 0x10},
       {40, 50, 60, 70, 80, 90, 40, 50, 60, 1, 2, 3, 100, 110, 120, 0, 0, 0, 70, 80, 90, 40, 50, 60}},
      // Nothing is read past the file, whatever the headers claim.
      {"pixels cut short", 40, 0, 4, 4, 24, {}, {}, std::vector<uint8_t>(47), {}, bad},
      {"a 256-colour table beyond the end", 40, 0, 2, 1, 8, {}, {}, std::vector<uint8_t>(100), {}, bad},
      {"enormous", 40, 0, 1 << 20, 1 << 20, 24, {}, {}, std::vector<uint8_t>(16), {}, bad},
      {"RLE delta above the picture", 40, 1, 3, 2, 8, {}, kFour, {0, 2, 0, 2, 0, 1}, {}, bad},
      {"RLE absolute run past the file", 40, 1, 3, 2, 8, {}, kFour, {0, 5, 1, 2}, {}, bad},
      {"zero mask", 40, 3, 3, 2, 16, {0xF800, 0, 0x001F}, {}, zeros, {}, bad},
      {"RLE stored top-down", 40, 1, 3, -2, 8, {}, kFour, {0, 1}, {}, bad},
      {"RLE8 with 4 bits", 40, 1, 3, 2, 4, {}, kFour, {0, 1}, {}, bad},
      {"64-byte header (OS/2 2.x)", 64, 0, 3, 2, 24, {}, {}, zeros, {}, "Unknown DIB file format."},
  };
  for (const Pic& p : pics) {
    SCOPED_TRACE(p.name);
    test::WriteBytes("pic.bmp", FileOf(p));
    RGBImage* image = LoadBMPImage("pic.bmp");
    if (p.box) {
      EXPECT_EQ(image, nullptr);
      EXPECT_EQ(OnlyBox(), p.box);
      continue;
    }
    ASSERT_NE(image, nullptr) << OnlyBox();
    EXPECT_EQ(image->width, p.width);
    EXPECT_EQ(image->height, std::abs(p.height));
    EXPECT_EQ(std::vector<uint8_t>(image->data, image->data + size_t{3} * image->width * image->height), p.rgb);
    FreeRGBImage(image);
  }
  EXPECT_EQ(LoadBMPImage("Data/none.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Failed to open DIB file Data/none.bmp.\n");
  test::WriteBytes("short.bmp", {'B', 'M', 1, 2});
  EXPECT_EQ(LoadBMPImage("short.bmp"), nullptr);
  EXPECT_EQ(OnlyBox(), "Failed to open DIB file short.bmp.\n");
}

// Each conversion this processor has, at the plain, a padded and an odd row pitch; nothing past the frame.
TEST(GLConvertScreen, EveryPixelThroughItsColourAndTheRowPitch) {
  constexpr uint32_t kWidth = 640, kHeight = 480;
  std::mt19937 random(7);
  for (auto conversion : {ScreenConversion::Plain, ScreenConversion::Avx2, ScreenConversion::Avx512Vbmi}) {
    if (!ScreenConversionAvailable(conversion)) continue;
    for (const uint32_t pitch : {640u, 648u, 701u}) {
      SCOPED_TRACE("conversion " + std::to_string(static_cast<int>(conversion)) + ", pitch " + std::to_string(pitch));
      std::vector<uint8_t> colors(1024);
      for (auto& c : colors) c = static_cast<uint8_t>(random());
      std::vector<uint8_t> pixels(pitch * kHeight);
      for (auto& p : pixels) p = static_cast<uint8_t>(random());
      // Every index at the row ends, where the vector loops hand over to the tail.
      for (uint32_t y = 0; y < kHeight; ++y) pixels[y * pitch + kWidth - 1] = static_cast<uint8_t>(y);
      std::vector<uint8_t> rgb(kWidth * kHeight * 3 + 64, 0xEE);
      ConvertScreenWith(conversion, pixels.data(), pitch, colors.data(), rgb.data());
      for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
          ASSERT_EQ(std::memcmp(&rgb[(y * kWidth + x) * 3], &colors[4 * pixels[y * pitch + x]], 3), 0) << x << "," << y;
      for (size_t i = kWidth * kHeight * 3; i < rgb.size(); ++i)
        ASSERT_EQ(rgb[i], 0xEE) << "written past the frame at byte " << i;
    }
  }
}

}  // namespace
}  // namespace vsk
