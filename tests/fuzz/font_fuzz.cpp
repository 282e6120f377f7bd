// Font files of any content: the loader, and for a font it accepts the
// measure and the drawing of all 256 character codes into a memory bitmap
// wide enough for every glyph the string places.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/font.h"
#include "present/state.h"
#include "services/memory.h"

namespace {

char gDirectory[] = "/tmp/vsk-font-fuzz-XXXXXX";
std::string gName;

void RemoveDirectory() {
  std::remove(gName.c_str());
  rmdir(gDirectory);
}

// Drawing happens without clipping, so the bitmap must hold every column
// the string touches: the leftmost and rightmost glyph column, with the
// pen's x placed so that the leftmost lands on column 0.
void DrawAllCodes(vsk::TextFont* font, const char* codes) {
  const bool proportional = font->SpacingTag == vsk::kFontTagPROP;
  int64_t x = 0, left = 0, right = 0;
  for (int n = 0; n < 256; ++n) {
    const auto c = static_cast<uint8_t>(codes[n]);
    if (c < font->LoChar || c > font->HiChar) continue;
    const uint32_t i = c - font->LoChar;
    int64_t glyphX = x;
    if (proportional) {
      glyphX += font->CharKern[i];
      x += font->CharSpace[i] + font->CharKern[i];
    } else {
      x += font->XSize;
    }
    left = std::min(left, glyphX);
    right = std::max(right, glyphX + font->CharLoc[i].width);
  }
  const int64_t width = right - left;
  if (-left > 0xFFFF || width * std::max<int64_t>(font->YSize, 1) > (int64_t{1} << 20)) return;

  vsk::BitMap* bitmap = vsk::AllocBitMap(static_cast<uint32_t>(width), font->YSize, 8, 1);
  if (!bitmap) return;
  vsk::RastPort rp;
  vsk::InitRastPort(&rp);
  rp.BitMap = bitmap;
  vsk::SetFont(&rp, font);
  vsk::SetABPenDrMd(&rp, 1, 2, vsk::JAM2);
  vsk::Move(&rp, static_cast<uint16_t>(-left), font->Baseline);  // top row 0
  vsk::Text(&rp, codes, 256);
  vsk::SetDrMd(&rp, vsk::JAM1);
  vsk::Text(&rp, codes, 256);
  vsk::FreeBitMap(bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(gDirectory)) std::abort();
  gName = std::string(gDirectory) + "/input.fnt";
  std::atexit(RemoveDirectory);
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();  // the log goes nowhere
  vsk::PresenterChoice = vsk::kPresenterOpenGL;                // bitmaps in memory
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FILE* file = std::fopen(gName.c_str(), "wb");
  if (!file) std::abort();
  if (size) std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  vsk::TextFont* font = vsk::OpenDiskFont(gName.c_str());
  if (!font) return 0;
  char codes[256];
  for (int c = 0; c < 256; ++c) codes[c] = static_cast<char>(c);
  vsk::RastPort rp;
  vsk::InitRastPort(&rp);
  vsk::SetFont(&rp, font);
  volatile uint16_t length = vsk::TextLength(&rp, codes, 256);
  (void)length;
  DrawAllCodes(font, codes);
  vsk::CloseFont(font);
  return 0;
}
