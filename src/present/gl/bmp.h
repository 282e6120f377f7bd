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

// Reads an uncompressed Windows BMP (core or information header; 1, 4, 8,
// 24 or 32 bits). Null after a box with caption "Error" when it cannot be
// read; a file whose pixels or colours lie outside it is refused.
RGBImage* LoadBMPImage(const char* fileName);
void FreeRGBImage(RGBImage* image);

}  // namespace vsk
