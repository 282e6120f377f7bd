// 24-bit BMP files.
#include "vsk-data/write_bmp.h"

namespace vsk::data {

ByteBuffer BuildBmp24(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb) {
  uint32_t rowBytes = (width * 3 + 3) & ~3u;
  uint32_t imageSize = rowBytes * height;
  ByteBuffer out;
  out.reserve(54 + imageSize);
  PutTag(out, "BM");
  out.resize(2);
  PutLE32(out, 54 + imageSize);
  PutLE32(out, 0);
  PutLE32(out, 54);
  PutLE32(out, 40);
  PutLE32(out, width);
  PutLE32(out, height);  // positive: bottom row first
  PutLE16(out, 1);
  PutLE16(out, 24);
  PutLE32(out, 0);  // no compression
  PutLE32(out, imageSize);
  PutLE32(out, 2835);  // 72 dots per inch
  PutLE32(out, 2835);
  PutLE32(out, 0);
  PutLE32(out, 0);
  for (uint32_t row = height; row-- > 0;) {
    const uint8_t* src = rgb.data() + size_t{row} * width * 3;
    for (uint32_t x = 0; x < width; ++x) {
      out.push_back(src[x * 3 + 2]);
      out.push_back(src[x * 3 + 1]);
      out.push_back(src[x * 3]);
    }
    for (uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace vsk::data
