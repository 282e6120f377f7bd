// The OpenGL presenter's per-frame conversion of the 640 x 480 8-bit screen
// through GLColors into RGB bytes, beside a memcpy of the 921,600 bytes it
// writes and beside SDL's own conversion of an 8-bit palettised surface into
// an RGB24 one (SDL_BlitSurface). Goal: within 2x of memcpy and faster than
// SDL. Every figure is bytes of RGB written per nanosecond.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "present/gl/convert.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int64_t kRgbBytes = int64_t(kWidth) * kHeight * 3;  // 921,600

// A screen of every colour index in turn and a palette of distinct colours.
std::vector<uint8_t> Screen() {
  std::vector<uint8_t> pixels(size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels[size_t(y) * kWidth + x] = static_cast<uint8_t>(x * 7 + y * 3);
  return pixels;
}

std::vector<uint8_t> Colors() {
  std::vector<uint8_t> colors(256 * 4);
  for (int i = 0; i < 256; ++i) {
    colors[4 * i] = static_cast<uint8_t>(i);
    colors[4 * i + 1] = static_cast<uint8_t>(255 - i);
    colors[4 * i + 2] = static_cast<uint8_t>(i * 5);
  }
  return colors;
}

void BM_ConvertScreen(benchmark::State& state) {
  const std::vector<uint8_t> pixels = Screen(), colors = Colors();
  std::vector<uint8_t> rgb(kRgbBytes);
  for (auto _ : state) {
    vsk::ConvertScreen(pixels.data(), kWidth, colors.data(), rgb.data());
    benchmark::DoNotOptimize(rgb.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kRgbBytes);
}
BENCHMARK(BM_ConvertScreen);

// The plain conversion, which processors without the vector instructions use.
void BM_ConvertScreenPlain(benchmark::State& state) {
  const std::vector<uint8_t> pixels = Screen(), colors = Colors();
  std::vector<uint8_t> rgb(kRgbBytes);
  for (auto _ : state) {
    vsk::ConvertScreenWith(vsk::ScreenConversion::Plain, pixels.data(), kWidth, colors.data(), rgb.data());
    benchmark::DoNotOptimize(rgb.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kRgbBytes);
}
BENCHMARK(BM_ConvertScreenPlain);

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> from(kRgbBytes, 7), to(kRgbBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kRgbBytes);
}
BENCHMARK(BM_MemcpyFrame);

void BM_SdlIndex8ToRgb24(benchmark::State& state) {
  std::vector<uint8_t> pixels = Screen();
  const std::vector<uint8_t> colors = Colors();
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kWidth, kHeight, 8, kWidth, SDL_PIXELFORMAT_INDEX8);
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 24, SDL_PIXELFORMAT_RGB24);
  if (!source || !target) {
    state.SkipWithError(SDL_GetError());
    SDL_FreeSurface(source);
    SDL_FreeSurface(target);
    return;
  }
  SDL_Color palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] = SDL_Color{colors[4 * i], colors[4 * i + 1], colors[4 * i + 2], 255};
  SDL_SetPaletteColors(source->format->palette, palette, 0, 256);
  for (auto _ : state) {
    SDL_BlitSurface(source, nullptr, target, nullptr);
    benchmark::DoNotOptimize(target->pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kRgbBytes);
  SDL_FreeSurface(source);
  SDL_FreeSurface(target);
}
BENCHMARK(BM_SdlIndex8ToRgb24);

}  // namespace

int main(int argc, char** argv) {
  return vsk::bench::RunWithRatios(argc, argv,
                                   {{"ConvertScreen vs memcpy", "BM_ConvertScreen", "BM_MemcpyFrame"},
                                    {"ConvertScreen (plain) vs memcpy", "BM_ConvertScreenPlain", "BM_MemcpyFrame"},
                                    {"SDL INDEX8->RGB24 vs ConvertScreen", "BM_SdlIndex8ToRgb24",
                                     "BM_ConvertScreen"}});
}
