// The wide row copies against the plain per-byte loops they stand for, on
// random pixels of every width up to a few blocks, at every misalignment
// and with gaps between the rows, rows copied onto themselves shifted; then
// BlitObjektMask and BlitObjekt through the picture bank at random sizes,
// positions and clips in both presenter modes, against a per-pixel model.
#include "pictures/masked_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "pictures/bank.h"
#include "pictures/bank_files.h"
#include "pictures/blit.h"
#include "services/memory.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

// Random bytes, about a third of them the mask colour.
std::vector<uint8_t> RandomPixels(std::mt19937& random, size_t count, uint8_t mask) {
  std::vector<uint8_t> pixels(count);
  for (uint8_t& pixel : pixels) pixel = random() % 3 == 0 ? mask : static_cast<uint8_t>(random());
  return pixels;
}

// The plain loop: row after row from the top, byte after byte from the
// left, each byte written as soon as it is read (mask -1: every byte).
void Reference(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
               uint32_t height, int mask) {
  for (uint32_t row = 0; row < height; ++row) {
    if (mask < 0) std::memmove(to + row * toStride, from + row * fromStride, width);
    else
      for (uint32_t i = 0; i < width; ++i)
        if (from[row * fromStride + i] != mask) to[row * toStride + i] = from[row * fromStride + i];
  }
}

std::vector<uint32_t> BlendWidths() {
  std::vector<uint32_t> widths{1, 16};
  if (Has32ByteBlend()) widths.push_back(32);
  return widths;
}

TEST(MaskedRows, EveryWidthAndAlignmentMatchesThePlainLoop) {
  std::mt19937 random(622);
  for (uint32_t blend : BlendWidths()) {
    for (uint32_t width = 0; width <= 140; ++width) {
      for (int trial = 0; trial < 6; ++trial) {
        const uint32_t height = 1 + random() % 3;
        const uint32_t fromAt = random() % 33, toAt = random() % 33;
        const size_t fromStride = width + random() % 3 * (random() % 40);
        const size_t toStride = width + random() % 3 * (random() % 40);
        const uint8_t mask = trial == 0 ? 0 : static_cast<uint8_t>(random());
        // Room around both: the guard bytes must come out untouched.
        const std::vector<uint8_t> source = RandomPixels(random, fromAt + fromStride * height + 64, mask);
        std::vector<uint8_t> got = RandomPixels(random, toAt + toStride * height + 64, mask), want = got;
        CopyMaskedRowsIn(blend, source.data() + fromAt, fromStride, got.data() + toAt, toStride, width, height,
                         mask);
        Reference(source.data() + fromAt, fromStride, want.data() + toAt, toStride, width, height, mask);
        ASSERT_EQ(got, want) << "blend " << blend << " width " << width << " height " << height << " offsets "
                             << fromAt << "," << toAt << " strides " << fromStride << "," << toStride;
      }
    }
  }
  // The picked variant is one of them.
  std::vector<uint8_t> source = RandomPixels(random, 1000, 5), got(1000, 9), want(1000, 9);
  CopyMaskedRows(source.data(), 100, got.data(), 100, 99, 10, 5);
  Reference(source.data(), 100, want.data(), 100, 99, 10, 5);
  EXPECT_EQ(got, want);
}

// Rows copied onto themselves, shifted by a few bytes and rows, come out as
// the plain loop made them: masked in every blend width, and opaque (mask
// -1) with gapless and gapped rows apart, shifted down or up.
TEST(MaskedRows, ARectangleCopiedOntoItselfShiftedComesOutAsThePlainLoopMadeIt) {
  std::mt19937 random(48);
  std::vector<int> variants;  // blend widths, then 0 for the opaque copy
  for (uint32_t blend : BlendWidths()) variants.push_back(static_cast<int>(blend));
  variants.push_back(0);
  for (int variant : variants) {
    for (int trial = 0; trial < 500; ++trial) {
      const uint32_t width = 1 + random() % 100, height = 1 + random() % 5;
      const size_t stride = variant == 0 && trial % 2 == 0 ? width : width + random() % 50;
      const int mask = variant == 0 ? -1 : static_cast<int>(random() % 4);
      ptrdiff_t shift = static_cast<ptrdiff_t>(random() % 81) - 40 +
                        (static_cast<ptrdiff_t>(random() % 3) - 1) * static_cast<ptrdiff_t>(stride);
      if (variant == 0) {
        switch (trial % 6) {
          case 0: case 1: shift = static_cast<ptrdiff_t>(stride * height + random() % 20); break;  // apart
          case 2: case 3: shift = static_cast<ptrdiff_t>(stride * (1 + random() % height)); break;  // rows down
          default: shift = -static_cast<ptrdiff_t>(stride * (random() % height)) - random() % 5; break;  // up
        }
      }
      const size_t base = stride * 6 + 64;
      std::vector<uint8_t> got = RandomPixels(random, base * 2 + stride * height + 64, static_cast<uint8_t>(mask));
      std::vector<uint8_t> want = got;
      if (variant == 0) {
        CopyOpaqueRows(got.data() + base, stride, got.data() + base + shift, stride, width, height);
      } else {
        CopyMaskedRowsIn(static_cast<uint32_t>(variant), got.data() + base, stride, got.data() + base + shift, stride,
                         width, height, static_cast<uint8_t>(mask));
      }
      Reference(want.data() + base, stride, want.data() + base + shift, stride, width, height, mask);
      ASSERT_EQ(got, want) << "variant " << variant << " width " << width << " height " << height << " stride "
                           << stride << " shift " << shift;
    }
  }
}

// Graphics put into the bank by hand (plain memory, as the bank holds
// them), blitted onto the screen at random.
class RandomBlitTest : public test::ScreenModeTest {
 protected:
  static constexpr uint32_t kId = 7;

  void SetUp() override {
    ScreenModeTest::SetUp();
    test::ResetBank();
    test::FillBitmap(TheScreen->BitMap, 3);
  }
  void TearDown() override {
    test::ResetBank();
    ScreenModeTest::TearDown();
  }

  void PutGraphic(uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels) {
    ReleaseGfx(kId);
    auto* graphic = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_CLEAR));
    graphic->BytesPerRow = width;
    graphic->Rows = height;
    graphic->Depth = 8;
    graphic->PixelSize = width * height;
    graphic->Pixels = static_cast<uint8_t*>(AllocVec(width * height, MEMF_CLEAR));
    std::memcpy(graphic->Pixels, pixels.data(), pixels.size());
    PictureBank[kId - 1] = graphic;
  }

  // The screen after a blit of the graphic at (x, y), `width` x `height`
  // asked (0: the graphic's), cut at the graphic's and the screen's edges.
  static std::vector<uint8_t> Model(std::vector<uint8_t> screen, const std::vector<uint8_t>& graphic,
                                    uint32_t graphicWidth, uint32_t graphicHeight, uint32_t x, uint32_t y,
                                    uint32_t width, uint32_t height, int32_t mask) {
    if (width == 0) width = graphicWidth;
    if (height == 0) height = graphicHeight;
    for (uint32_t gy = 0; gy < std::min(height, graphicHeight) && y + gy < 480; ++gy)
      for (uint32_t gx = 0; gx < std::min(width, graphicWidth) && x + gx < 640; ++gx) {
        const uint8_t pixel = graphic[gy * graphicWidth + gx];
        if (pixel != mask) screen[(y + gy) * 640 + x + gx] = pixel;
      }
    return screen;
  }
};

TEST_P(RandomBlitTest, MaskedAndOpaqueBlitsAtRandomSizesPositionsAndClipsMatchThePixelModel) {
  std::mt19937 random(155);
  // Rectangles reaching past the screen make the DirectDraw update complain;
  // that is not what is looked at here.
  test::LogCapture log;
  for (int trial = 0; trial < 150; ++trial) {
    const uint32_t graphicWidth = 1 + random() % 120, graphicHeight = 1 + random() % 12;
    const int32_t mask = trial % 10 == 9 ? 0x100 : static_cast<int32_t>(random() % 3);
    const std::vector<uint8_t> pixels =
        RandomPixels(random, size_t{graphicWidth} * graphicHeight, static_cast<uint8_t>(mask));
    PutGraphic(graphicWidth, graphicHeight, pixels);
    // Inside, across the right or bottom edge, or just at it.
    const uint32_t x = trial % 3 == 0 ? 640 - random() % 130 : random() % 520;
    const uint32_t y = trial % 4 == 0 ? 480 - random() % 14 : random() % 460;
    const uint32_t width = random() % 3 == 0 ? 0 : 1 + random() % (graphicWidth + 20);
    const uint32_t height = random() % 3 == 0 ? 0 : 1 + random() % (graphicHeight + 4);
    const std::vector<uint8_t> before = test::BitmapPixels(TheScreen->BitMap);
    const bool opaque = trial % 7 == 6;
    if (opaque) {
      BlitObjekt(ScreenRp(), kId, x, y, width, height);
    } else {
      BlitObjektMask(ScreenRp(), kId, static_cast<uint16_t>(mask), x, y, width, height);
    }
    const std::vector<uint8_t> want = Model(before, pixels, graphicWidth, graphicHeight, x, y, width, height,
                                            opaque ? -1 : mask);
    ASSERT_EQ(test::BitmapPixels(TheScreen->BitMap), want)
        << (opaque ? "BlitObjekt" : "BlitObjektMask") << " of " << graphicWidth << "x" << graphicHeight << " at "
        << x << "," << y << " asked " << width << "x" << height << " mask " << mask;
    (void)test::TakeUpdates();
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, RandomBlitTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
