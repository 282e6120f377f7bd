// The wide row copies against the plain per-byte loops they stand for, on
// random pixels at every width, misalignment, gap and shift; then the blits
// at random sizes, positions and clips against a per-pixel model.
#include "pictures/masked_copy.h"

#include <random>

#include "pictures/blit.h"
#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using Pixels = std::vector<uint8_t>;

// Random bytes, about a third of them the mask colour.
Pixels RandomPixels(std::mt19937& random, size_t count, uint8_t mask) {
  Pixels pixels(count);
  for (uint8_t& pixel : pixels) pixel = random() % 3 == 0 ? mask : static_cast<uint8_t>(random());
  return pixels;
}

// The plain loop: row after row from the top, byte after byte from the
// left, each byte written as soon as it is read.
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
        CopyMaskedRowsIn(blend, source.data() + fromAt, fromStride, got.data() + toAt, toStride, width, height,
                         mask);
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

TEST(OpaqueRows, GaplessAndGappedRowsAndShiftedSelfCopiesMatchRowByRowCopies) {
  std::mt19937 random(139);
  for (int trial = 0; trial < 600; ++trial) {
    const uint32_t width = 1 + random() % 90, height = 1 + random() % 5;
    const size_t stride = trial % 2 == 0 ? width : width + 1 + random() % 30, base = stride * 6 + 64;
    Pixels got = RandomPixels(random, base * 2 + stride * height + 64, 0), want = got;
    ptrdiff_t shift;
    switch (trial % 6) {
      case 0: case 1: shift = static_cast<ptrdiff_t>(stride * height + random() % 20); break;  // apart
      case 2: case 3: shift = static_cast<ptrdiff_t>(stride * (1 + random() % height)); break;  // rows down
      default: shift = -static_cast<ptrdiff_t>(stride * (random() % height)) - random() % 5; break;  // up
    }
    CopyOpaqueRows(got.data() + base, stride, got.data() + base + shift, stride, width, height);
    for (uint32_t row = 0; row < height; ++row)
      std::memmove(want.data() + base + shift + row * stride, want.data() + base + row * stride, width);
    ASSERT_EQ(got, want) << width << "x" << height << " stride " << stride << " shifted " << shift;
  }
}

class RandomBlitTest : public test::ScreenModeTest {};

// Graphics put into the bank by hand (plain memory, as the bank holds
// them), blitted onto the screen at random.
TEST_P(RandomBlitTest, MaskedAndOpaqueBlitsAtRandomSizesPositionsAndClipsMatchThePixelModel) {
  constexpr uint32_t kId = 7;
  test::ResetBank();
  test::FillBitmap(TheScreen->BitMap, 3);
  std::mt19937 random(155);
  // Rectangles reaching past the screen make the DirectDraw update complain;
  // that is not what is looked at here.
  test::LogCapture log;
  for (int trial = 0; trial < 150; ++trial) {
    const uint32_t graphicWidth = 1 + random() % 120, graphicHeight = 1 + random() % 12;
    const int32_t mask = trial % 10 == 9 ? 0x100 : static_cast<int32_t>(random() % 3);
    const Pixels pixels = RandomPixels(random, size_t{graphicWidth} * graphicHeight, static_cast<uint8_t>(mask));
    ReleaseGfx(kId);
    auto* graphic = PictureBank[kId - 1] = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_CLEAR));
    graphic->BytesPerRow = graphicWidth;
    graphic->Rows = graphicHeight;
    graphic->Pixels = static_cast<uint8_t*>(AllocVec(graphicWidth * graphicHeight, MEMF_CLEAR));
    std::copy(pixels.begin(), pixels.end(), graphic->Pixels);
    // Inside, across the right or bottom edge, or just at it; the graphic's
    // size asked (0) or another.
    const uint32_t x = trial % 3 == 0 ? 640 - random() % 130 : random() % 520;
    const uint32_t y = trial % 4 == 0 ? 480 - random() % 14 : random() % 460;
    uint32_t width = random() % 3 == 0 ? 0 : 1 + random() % (graphicWidth + 20);
    uint32_t height = random() % 3 == 0 ? 0 : 1 + random() % (graphicHeight + 4);
    Pixels want = test::BitmapPixels(TheScreen->BitMap);
    const bool opaque = trial % 7 == 6;
    if (opaque) {
      BlitObjekt(ScreenRp(), kId, x, y, width, height);
    } else {
      BlitObjektMask(ScreenRp(), kId, static_cast<uint16_t>(mask), x, y, width, height);
    }
    // The model: cut at the graphic's and the screen's edges.
    width = std::min(width ? width : graphicWidth, graphicWidth);
    height = std::min(height ? height : graphicHeight, graphicHeight);
    for (uint32_t gy = 0; gy < height && y + gy < 480; ++gy)
      for (uint32_t gx = 0; gx < width && x + gx < 640; ++gx) {
        const uint8_t pixel = pixels[gy * graphicWidth + gx];
        if (opaque || pixel != mask) want[(y + gy) * 640 + x + gx] = pixel;
      }
    ASSERT_EQ(test::BitmapPixels(TheScreen->BitMap), want)
        << (opaque ? "BlitObjekt" : "BlitObjektMask") << " of " << graphicWidth << "x" << graphicHeight << " at "
        << x << "," << y << " cut to " << width << "x" << height << " mask " << mask;
    (void)test::TakeUpdates();
  }
  test::ResetBank();
}

INSTANTIATE_TEST_SUITE_P(Presenters, RandomBlitTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
