// The BMP loader of the OpenGL presenter's backdrop.
#pragma once

#include <cstdint>

namespace vsk {

// Pixels red, green, blue, rows without padding, bottom row first.
struct RGBImage {
  int32_t width;
  int32_t height;
  uint8_t* data;
};

// Reads a Windows BMP with a core, information, V4 or V5 header: 1, 4, 8,
// 16 (5-5-5), 24 or 32 bits uncompressed; 16 or 32 bits with colour masks;
// 8- or 4-bit run-length encoded (bottom-up only; pixels the stream skips
// take colour 0, and a stream may end with the file). Rows may be stored
// top-down. An index beyond a short colour table is black. Null after a box
// with caption "Error" when it cannot be read; a file whose pixels, colours
// or masks lie outside it, or whose run-length stream leaves the picture,
// is refused.
RGBImage* LoadBMPImage(const char* fileName);
void FreeRGBImage(RGBImage* image);

}  // namespace vsk
