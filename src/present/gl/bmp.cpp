#include "present/gl/bmp.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace vsk {

namespace {

constexpr uint32_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr int32_t kLargestSide = 16384;

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }

RGBImage* Refuse(const char* text) {
  MessageBoxA(nullptr, text, "Error", MB_OK);
  return nullptr;
}

}  // namespace

RGBImage* LoadBMPImage(const char* fileName) {
  FILE* file = platform::OpenFile(fileName, "rb");
  char message[512];
  if (!file) {
    std::snprintf(message, sizeof message, "Failed to open DIB file %s.\n", fileName);
    return Refuse(message);
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  const size_t size = bytes.size();
  if (size < kFileHeader + 4 || bytes[0] != 'B' || bytes[1] != 'M') {
    std::snprintf(message, sizeof message, "Failed to open DIB file %s.\n", fileName);
    return Refuse(message);
  }
  const uint8_t* b = bytes.data();
  const uint32_t header = U32(b + kFileHeader);
  if (header != kCoreHeader && header != kInfoHeader) return Refuse("Unknown DIB file format.");
  if (kFileHeader + uint64_t{header} > size) return Refuse("Image file conversion error.");
  const uint8_t* h = b + kFileHeader;
  int32_t width, height;
  uint32_t bits, compression = 0, colours = 0, entry;
  if (header == kCoreHeader) {
    width = static_cast<int32_t>(U16(h + 4));
    height = static_cast<int32_t>(static_cast<int16_t>(U16(h + 6)));
    bits = U16(h + 10);
    entry = 3;
  } else {
    width = static_cast<int32_t>(U32(h + 4));
    height = static_cast<int32_t>(U32(h + 8));
    bits = U16(h + 14);
    compression = U32(h + 16);
    colours = U32(h + 32);
    entry = 4;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide || compression != 0 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return Refuse("Image file conversion error.");
  if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
  if (bits > 8) colours = 0;
  const uint64_t palette = kFileHeader + uint64_t{header};
  if (palette + uint64_t{colours} * entry > size) return Refuse("Image file conversion error.");
  const uint64_t stride = ((uint64_t{static_cast<uint32_t>(width)} * bits + 31) / 32) * 4;
  uint64_t pixels = U32(b + 10);
  if (pixels < palette + uint64_t{colours} * entry) pixels = palette + uint64_t{colours} * entry;
  if (pixels + stride * static_cast<uint64_t>(height) > size) return Refuse("Image file conversion error.");

  auto* image = static_cast<RGBImage*>(std::malloc(sizeof(RGBImage)));
  uint8_t* data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height * 3));
  if (!image || !data) {
    std::free(image);
    std::free(data);
    return Refuse("Out of memory.");
  }
  for (int32_t row = 0; row < height; ++row) {
    // Rows go out bottom row first, as a bottom-up file stores them.
    const int32_t stored = topDown ? height - 1 - row : row;
    const uint8_t* in = b + pixels + stride * static_cast<uint64_t>(stored);
    uint8_t* out = data + static_cast<size_t>(row) * width * 3;
    for (int32_t x = 0; x < width; ++x, out += 3) {
      if (bits >= 24) {
        const uint8_t* p = in + static_cast<size_t>(x) * (bits / 8);
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        continue;
      }
      const uint32_t bit = static_cast<uint32_t>(x) * bits;
      const uint32_t index = (in[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      if (index >= colours) {
        out[0] = out[1] = out[2] = 0;
        continue;
      }
      const uint8_t* c = b + palette + uint64_t{index} * entry;
      out[0] = c[2];
      out[1] = c[1];
      out[2] = c[0];
    }
  }
  image->width = width;
  image->height = height;
  image->data = data;
  return image;
}

void FreeRGBImage(RGBImage* image) {
  if (!image) return;
  std::free(image->data);
  std::free(image);
}

}  // namespace vsk
