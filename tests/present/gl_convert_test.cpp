// The OpenGL screen conversions: each pixel's colour, the row pitch, nothing
// written past the frame.
#include "present/gl/convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vsk {
namespace {

constexpr uint32_t kWidth = 640, kHeight = 480;
const char* const kNames[] = {"Plain", "Avx2", "Avx512Vbmi"};

class GLConvertScreen : public ::testing::TestWithParam<ScreenConversion> {};

TEST_P(GLConvertScreen, EveryPixelThroughItsColourAndTheRowPitch) {
  if (!ScreenConversionAvailable(GetParam())) GTEST_SKIP() << "this processor lacks the instructions";
  std::mt19937 random(7);
  // Pitches of the plain screen, of padded rows and of an odd padding.
  for (const uint32_t pitch : {640u, 648u, 701u}) {
    std::vector<uint8_t> colors(1024);
    for (auto& c : colors) c = static_cast<uint8_t>(random());
    std::vector<uint8_t> pixels(pitch * kHeight);
    for (auto& p : pixels) p = static_cast<uint8_t>(random());
    // Every index at the row ends, where the vector loops hand over to the tail.
    for (uint32_t y = 0; y < kHeight; ++y) pixels[y * pitch + kWidth - 1] = static_cast<uint8_t>(y);
    std::vector<uint8_t> rgb(kWidth * kHeight * 3 + 64, 0xEE);
    ConvertScreenWith(GetParam(), pixels.data(), pitch, colors.data(), rgb.data());
    for (uint32_t y = 0; y < kHeight; ++y)
      for (uint32_t x = 0; x < kWidth; ++x) {
        const uint8_t index = pixels[y * pitch + x];
        const size_t at = (y * kWidth + x) * 3;
        ASSERT_EQ(std::memcmp(&rgb[at], &colors[4 * index], 3), 0) << x << "," << y << " pitch " << pitch;
      }
    for (size_t i = kWidth * kHeight * 3; i < rgb.size(); ++i)
      ASSERT_EQ(rgb[i], 0xEE) << "written past the frame at byte " << i;
  }
}

TEST(GLConvertScreenChoice, TheChosenConversionGivesThePlainBytes) {
  std::mt19937 random(11);
  std::vector<uint8_t> colors(1024), pixels(kWidth * kHeight);
  for (auto& c : colors) c = static_cast<uint8_t>(random());
  for (auto& p : pixels) p = static_cast<uint8_t>(random());
  std::vector<uint8_t> chosen(kWidth * kHeight * 3), plain(kWidth * kHeight * 3);
  ConvertScreen(pixels.data(), kWidth, colors.data(), chosen.data());
  ConvertScreenWith(ScreenConversion::Plain, pixels.data(), kWidth, colors.data(), plain.data());
  EXPECT_EQ(chosen, plain);
}

INSTANTIATE_TEST_SUITE_P(Conversions, GLConvertScreen,
                         ::testing::Values(ScreenConversion::Plain, ScreenConversion::Avx2,
                                           ScreenConversion::Avx512Vbmi),
                         [](const auto& info) { return std::string(kNames[info.index]); });
}  // namespace
}  // namespace vsk
