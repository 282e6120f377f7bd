// Fills and text against the plain memory operations they stand for: a
// RectFill of the whole 640 x 480 screen in memory beside a memset of the
// same bytes, and Text of a 60-character line beside memcpy of the same
// glyph rows. Prints bytes per nanosecond and the ratios (the goal: within
// 2x of memset/memcpy).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/presenter_state.h"
#include "gfx/font.h"
#include "ratio_reporter.h"
#include "services/memory.h"

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;
constexpr int kLine = 60;
constexpr uint16_t kGlyphWidth = 7;
constexpr uint16_t kGlyphRows = 12;

// A proportional single-colour font ' '..'~' made in memory: every glyph
// 7 x 12 with a pattern of set and clear pixels, advancing 8.
vsk::TextFont* MakeFont() {
  const int count = '~' - ' ' + 1;
  auto* font = static_cast<vsk::TextFont*>(vsk::AllocVec(sizeof(vsk::TextFont), vsk::MEMF_CLEAR));
  font->ColorTag = 0;
  font->SpacingTag = vsk::kFontTagPROP;
  font->LoChar = ' ';
  font->HiChar = '~';
  font->YSize = kGlyphRows;
  font->Baseline = 9;
  font->Modulo = static_cast<uint16_t>(count * kGlyphWidth);
  font->CharLoc = static_cast<vsk::CharLocEntry*>(vsk::AllocVec(count * 4, vsk::MEMF_CLEAR));
  font->CharSpace = static_cast<uint16_t*>(vsk::AllocVec(count * 2, vsk::MEMF_CLEAR));
  font->CharKern = static_cast<int16_t*>(vsk::AllocVec(count * 2, vsk::MEMF_CLEAR));
  font->CharData = static_cast<uint8_t*>(vsk::AllocVec(uint32_t{font->Modulo} * kGlyphRows, vsk::MEMF_CLEAR));
  for (int i = 0; i < count; ++i) {
    font->CharLoc[i] = {static_cast<uint16_t>(i * kGlyphWidth), kGlyphWidth};
    font->CharSpace[i] = kGlyphWidth + 1;
  }
  for (uint32_t at = 0; at < uint32_t{font->Modulo} * kGlyphRows; ++at)
    font->CharData[at] = static_cast<uint8_t>((at * 7 + at / 5) % 3 == 0);
  return font;
}

struct Screen {
  vsk::BitMap* bitmap;
  vsk::RastPort rp;
  Screen() {
    vsk::PresenterChoice = vsk::kPresenterOpenGL;  // pixels in memory
    bitmap = vsk::AllocBitMap(kWidth, kHeight, 8, 1);
    vsk::InitRastPort(&rp);
    rp.BitMap = bitmap;
  }
  ~Screen() { vsk::FreeBitMap(bitmap); }
};

void BM_RectFillScreen(benchmark::State& state) {
  Screen screen;
  uint16_t pen = 0;
  for (auto _ : state) {
    vsk::SetAPen(&screen.rp, static_cast<uint8_t>(++pen));
    vsk::RectFill(&screen.rp, 0, 0, kWidth - 1, kHeight - 1);
    benchmark::DoNotOptimize(screen.bitmap->Pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_RectFillScreen);

void BM_MemsetScreen(benchmark::State& state) {
  std::vector<uint8_t> pixels(kWidth * kHeight);
  int value = 0;
  for (auto _ : state) {
    std::memset(pixels.data(), ++value, pixels.size());
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_MemsetScreen);

const char kText[kLine + 1] = "Die Stadt Kadun liegt am Fluss; ihre Mauern sind alt und ho";

void BM_TextLine(benchmark::State& state) {
  Screen screen;
  vsk::TextFont* font = MakeFont();
  vsk::SetFont(&screen.rp, font);
  vsk::SetABPenDrMd(&screen.rp, 5, 0, static_cast<uint8_t>(state.range(0)));
  vsk::Move(&screen.rp, 20, 100);
  for (auto _ : state) {
    vsk::Text(&screen.rp, kText, kLine);
    benchmark::DoNotOptimize(screen.bitmap->Pixels);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kLine * kGlyphWidth * kGlyphRows);
  vsk::CloseFont(font);
}
BENCHMARK(BM_TextLine)->Arg(vsk::JAM1)->Arg(vsk::JAM2);

// The same glyph boxes copied with memcpy, row by row, as a blit would: the
// width is known only at run time, as a glyph's is.
void BM_MemcpyGlyphRows(benchmark::State& state) {
  std::vector<uint8_t> strip(kLine * kGlyphWidth * kGlyphRows, 1);
  std::vector<uint8_t> pixels(kWidth * kHeight);
  volatile uint16_t glyphWidth = kGlyphWidth;
  for (auto _ : state) {
    const size_t width = glyphWidth;
    for (int c = 0; c < kLine; ++c)
      for (int row = 0; row < kGlyphRows; ++row)
        std::memcpy(pixels.data() + (91 + row) * kWidth + 20 + c * (width + 1),
                    strip.data() + (row * kLine + c) * width, width);
    benchmark::DoNotOptimize(pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kLine * kGlyphWidth * kGlyphRows);
}
BENCHMARK(BM_MemcpyGlyphRows);

}  // namespace

int main(int argc, char** argv) {
  return vsk::bench::RunWithRatios(argc, argv, {
      {"RectFill 640x480 / memset", "BM_RectFillScreen", "BM_MemsetScreen"},
      {"Text JAM1 / memcpy", "BM_TextLine/0", "BM_MemcpyGlyphRows"},
      {"Text JAM2 / memcpy", "BM_TextLine/1", "BM_MemcpyGlyphRows"},
  });
}
