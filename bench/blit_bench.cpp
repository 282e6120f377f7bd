// Blits against the plain memory copies they stand for: BlitObjekt of a
// 640 x 480 picture in memory beside memcpy of the same bytes, and
// BlitObjektMask of a 100 x 100 graphic (a quarter of it transparent) beside
// memcpy of its rows, and those masked rows with 16-byte blends only. Prints
// bytes per nanosecond and the ratios (the goal: within 2x of memcpy).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "pictures/bank.h"
#include "pictures/blit.h"
#include "pictures/masked_copy.h"
#include "ratio_reporter.h"
#include "services/memory.h"

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;
constexpr uint32_t kSprite = 100;
constexpr uint32_t kPictureId = 1;
constexpr uint32_t kSpriteId = 2;

// A bank entry made in memory, so no file is involved: value (x + y) % 200,
// with colour 0 in every fourth column (the transparent pixels of a mask).
vsk::BitMap* MakeGraphic(uint32_t width, uint32_t height) {
  auto* bitmap = static_cast<vsk::BitMap*>(vsk::AllocVec(sizeof(vsk::BitMap), vsk::MEMF_CLEAR));
  bitmap->BytesPerRow = width;
  bitmap->Rows = height;
  bitmap->Depth = 8;
  bitmap->PixelSize = width * height;
  bitmap->Pixels = static_cast<uint8_t*>(vsk::AllocVec(width * height, vsk::MEMF_CLEAR));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      bitmap->Pixels[y * width + x] = x % 4 == 0 ? 0 : static_cast<uint8_t>((x + y) % 200 + 1);
  return bitmap;
}

// The bank holding the two graphics and a 640 x 480 destination in memory
// (not the screen, so no update rectangle is posted).
struct Stage {
  vsk::BitMap* destination;
  vsk::RastPort rp;
  Stage() {
    vsk::PresenterChoice = vsk::kPresenterOpenGL;  // pixels in memory
    vsk::PictureBank[kPictureId - 1] = MakeGraphic(kWidth, kHeight);
    vsk::PictureBank[kSpriteId - 1] = MakeGraphic(kSprite, kSprite);
    destination = vsk::AllocBitMap(kWidth, kHeight, 8, 1);
    vsk::InitRastPort(&rp);
    rp.BitMap = destination;
  }
  ~Stage() {
    vsk::ReleaseGfx(kPictureId);
    vsk::ReleaseGfx(kSpriteId);
    vsk::FreeBitMap(destination);
  }
};

void BM_BlitObjektScreenPicture(benchmark::State& state) {
  Stage stage;
  for (auto _ : state) {
    vsk::BlitObjekt(&stage.rp, kPictureId, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(stage.destination->Pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_BlitObjektScreenPicture);

void BM_MemcpyScreenPicture(benchmark::State& state) {
  std::vector<uint8_t> from(kWidth * kHeight, 7);
  std::vector<uint8_t> to(kWidth * kHeight);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_MemcpyScreenPicture);

void BM_BlitObjektMaskSprite(benchmark::State& state) {
  Stage stage;
  for (auto _ : state) {
    vsk::BlitObjektMask(&stage.rp, kSpriteId, 0, 270, 190, 0, 0);
    benchmark::DoNotOptimize(stage.destination->Pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSprite * kSprite);
}
BENCHMARK(BM_BlitObjektMaskSprite);

// The sprite's rows copied with memcpy into a 640-wide destination; the
// width is known only at run time, as a graphic's is.
void BM_MemcpySpriteRows(benchmark::State& state) {
  std::vector<uint8_t> from(kSprite * kSprite, 7);
  std::vector<uint8_t> to(kWidth * kHeight);
  volatile uint32_t spriteWidth = kSprite;
  for (auto _ : state) {
    const size_t width = spriteWidth;
    for (uint32_t row = 0; row < kSprite; ++row)
      std::memcpy(to.data() + (190 + row) * kWidth + 270, from.data() + row * width, width);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSprite * kSprite);
}
BENCHMARK(BM_MemcpySpriteRows);

// The masked rows alone with 16-byte blends, as on a processor without
// 32-byte ones.
void BM_MaskedRows16Sprite(benchmark::State& state) {
  Stage stage;
  const vsk::BitMap* sprite = vsk::PictureBank[kSpriteId - 1];
  for (auto _ : state) {
    vsk::CopyMaskedRowsIn(16, sprite->Pixels, kSprite, stage.destination->Pixels + 190 * kWidth + 270, kWidth,
                          kSprite, kSprite, 0);
    benchmark::DoNotOptimize(stage.destination->Pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSprite * kSprite);
}
BENCHMARK(BM_MaskedRows16Sprite);

}  // namespace

int main(int argc, char** argv) {
  return vsk::bench::RunWithRatios(argc, argv, {
      {"BlitObjekt 640x480 / memcpy", "BM_BlitObjektScreenPicture", "BM_MemcpyScreenPicture"},
      {"BlitObjektMask 100x100 / memcpy", "BM_BlitObjektMaskSprite", "BM_MemcpySpriteRows"},
      {"masked rows, 16-byte blends / memcpy", "BM_MaskedRows16Sprite", "BM_MemcpySpriteRows"},
  });
}
