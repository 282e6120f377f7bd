// The wide masked row copies against the plain per-byte loop, on random pixels.
#include "pictures/masked_copy.h"

#include <random>

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;

// Random bytes, about a third of them the mask colour.
Pixels RandomPixels(std::mt19937& random, size_t count, uint8_t mask) {
  Pixels pixels(count);
  for (uint8_t& pixel : pixels) pixel = random() % 3 == 0 ? mask : static_cast<uint8_t>(random());
  return pixels;
}

// The plain loop: row after row from the top, byte after byte from the left, each byte written as soon as it is read.
void ReferenceMasked(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                     uint32_t height, uint8_t mask) {
  for (uint32_t row = 0; row < height; ++row)
    for (uint32_t i = 0; i < width; ++i)
      if (from[row * fromStride + i] != mask) to[row * toStride + i] = from[row * fromStride + i];
}

TEST(MaskedRows, EveryWidthAlignmentAndShiftedSelfCopyMatchesThePlainLoop) {
  std::mt19937 random(622);
  std::vector<uint32_t> blends{1, 16};
  if (Has32ByteBlend()) blends.push_back(32);
  for (uint32_t blend : blends) {
    for (uint32_t width = 0; width <= 140; ++width) {
      for (int trial = 0; trial < 6; ++trial) {
        const uint32_t height = 1 + random() % 3, fromAt = random() % 33, toAt = random() % 33;
        const size_t fromStride = width + random() % 3 * (random() % 40);
        const size_t toStride = width + random() % 3 * (random() % 40);
        const uint8_t mask = trial == 0 ? 0 : static_cast<uint8_t>(random());
        // Room around both: the guard bytes must come out untouched.
        const Pixels source = RandomPixels(random, fromAt + fromStride * height + 64, mask);
        Pixels got = RandomPixels(random, toAt + toStride * height + 64, mask), want = got;
        CopyMaskedRowsIn(blend, source.data() + fromAt, fromStride, got.data() + toAt, toStride, width, height, mask);
        ReferenceMasked(source.data() + fromAt, fromStride, want.data() + toAt, toStride, width, height, mask);
        ASSERT_EQ(got, want) << blend << ": " << width << "x" << height << " " << fromStride << "," << toStride;
      }
    }
    // A rectangle copied onto itself, shifted left or right by a few bytes
    // and up or down by a row or none, comes out as the plain loop made it.
    for (int trial = 0; trial < 400; ++trial) {
      const uint32_t width = 1 + random() % 100, height = 1 + random() % 4;
      const size_t stride = width + random() % 50, base = stride * 2 + 64;
      const uint8_t mask = static_cast<uint8_t>(random() % 4);
      const ptrdiff_t shift = static_cast<ptrdiff_t>(random() % 81) - 40 +
                              (static_cast<ptrdiff_t>(random() % 3) - 1) * static_cast<ptrdiff_t>(stride);
      Pixels got = RandomPixels(random, base * 2 + stride * height + 64, mask), want = got;
      CopyMaskedRowsIn(blend, got.data() + base, stride, got.data() + base + shift, stride, width, height, mask);
      ReferenceMasked(want.data() + base, stride, want.data() + base + shift, stride, width, height, mask);
      ASSERT_EQ(got, want) << blend << ": " << width << "x" << height << " shifted " << shift;
    }
  }
}

}  // namespace
}  // namespace vsk
