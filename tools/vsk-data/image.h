// An 8-bit picture as the kit handles it: one byte per pixel, an index into
// a 256-entry palette of 8-bit red, green, blue.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vsk::data {

struct Rgb {
  uint8_t r, g, b;
};

using Palette = std::array<Rgb, 256>;

struct IndexedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height, rows top to bottom

  uint8_t& at(uint32_t x, uint32_t y) { return pixels[y * width + x]; }
  uint8_t at(uint32_t x, uint32_t y) const { return pixels[y * width + x]; }
};

}  // namespace vsk::data
