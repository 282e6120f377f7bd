// Writing pictures as PNG files, so that anyone can look at the game's
// pictures without the client. The file is written under a temporary name
// beside the target and renamed when complete: a failed write never leaves a
// half-made PNG behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/image.h"

namespace vsk::data {

// An 8-bit paletted PNG with all 256 palette entries, no transparency.
// False when the image is empty or inconsistent (pixels.size() !=
// width * height) or the file cannot be written.
bool WritePng(const std::string& path, const IndexedImage& image, const Palette& palette);

// A 24-bit PNG from width * height * 3 bytes (red, green, blue; rows top to
// bottom without padding). False on inconsistent sizes or a write error.
bool WritePngRgb(const std::string& path, uint32_t width, uint32_t height,
                 const std::vector<uint8_t>& rgb);

// A 32-bit PNG with transparency from width * height * 4 bytes (red, green,
// blue, alpha).
bool WritePngRgba(const std::string& path, uint32_t width, uint32_t height,
                  const std::vector<uint8_t>& rgba);

}  // namespace vsk::data
