// Windows BMP files: the 24-bit picture of the OpenGL backdrop
// ("data/vsk.bmp", bottom-up rows padded to 4 bytes, 40-byte info header).
#pragma once

#include <cstdint>
#include <vector>

#include "vsk-data/write_file.h"

namespace vsk::data {

// rgb: width × height × 3 bytes, red, green, blue, rows top to bottom.
ByteBuffer BuildBmp24(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

}  // namespace vsk::data
