// Font files of any content, and what a font makes the text code do: the
// loader; for a font it accepts, the measure, and texts drawn into a small
// bitmap with Text (both draw modes), word wrap and aligned text, at pen
// positions inside, on and far beyond every edge. The input's last four bytes
// choose one more pen position (x, y as two 16-bit numbers); the rest is the
// font file. Drawing never writes outside its bitmap, so AddressSanitizer
// sees any glyph that does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/presenter_state.h"
#include "gfx/aligned_text.h"
#include "gfx/font.h"
#include "services/memory.h"
#include "ui/text_box.h"

namespace {

constexpr uint32_t kWidth = 48;
constexpr uint32_t kHeight = 20;

char gDirectory[] = "/tmp/vsk-font-fuzz-XXXXXX";
std::string gName;

void RemoveDirectory() {
  std::remove(gName.c_str());
  rmdir(gDirectory);
}

void Draw(vsk::TextFont* font, uint16_t fuzzedX, uint16_t fuzzedY) {
  vsk::BitMap* bitmap = vsk::AllocBitMap(kWidth, kHeight, 8, 1);
  if (!bitmap) return;
  vsk::RastPort rp;
  vsk::InitRastPort(&rp);
  rp.BitMap = bitmap;
  vsk::SetFont(&rp, font);

  // Every character code, then the codes backwards, and a short word.
  char codes[256];
  char backwards[256];
  for (int c = 0; c < 256; ++c) {
    codes[c] = static_cast<char>(c);
    backwards[c] = static_cast<char>(255 - c);
  }
  const uint16_t positions[][2] = {
      {fuzzedX, fuzzedY}, {0, 0},           {0, font->Baseline}, {kWidth - 1, kHeight - 1},
      {kWidth, kHeight},  {kWidth / 2, 0},  {0, kHeight},        {0xFFFF, 0xFFFF},
      {0x8000, 5},        {5, 0x8000},
  };
  for (const auto& at : positions) {
    for (uint8_t mode : {vsk::JAM1, vsk::JAM2}) {
      vsk::SetABPenDrMd(&rp, 1, 2, mode);
      vsk::Move(&rp, at[0], at[1]);
      vsk::Text(&rp, codes, 256);
      vsk::Text(&rp, backwards, 256);
      vsk::Text(&rp, "you", 3);
    }
  }

  // Word wrap and aligned text take their text zero-terminated.
  char text[256];
  std::memcpy(text, codes + 1, 255);
  text[255] = '\0';
  vsk::DrawWrappedText(&rp, text, fuzzedX, fuzzedY, vsk::kNoLimit, 40, kWidth);
  vsk::DrawWrappedText(&rp, text, 0, 0, 8, vsk::kNoLimit, 20);
  const uint16_t flags[] = {37, vsk::kAlignRight | vsk::kAlignBottom | vsk::kAlignShadow,
                            vsk::kAlignFill | vsk::kAlignOutline | vsk::kAlignRaise | vsk::kAlignTopBaseline};
  for (uint16_t flag : flags) {
    vsk::DrawAlignedText(&rp, 0, 0, kWidth - 1, kHeight - 1, text, 3, 4, flag);
    vsk::DrawAlignedText(&rp, fuzzedX, fuzzedY, static_cast<uint16_t>(fuzzedX + 10),
                         static_cast<uint16_t>(fuzzedY + 4), "Kadun", 3, 4, flag);
  }
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
  uint16_t x = 0, y = 0;
  if (size >= 4) {
    size -= 4;
    x = static_cast<uint16_t>(bytes[size] | bytes[size + 1] << 8);
    y = static_cast<uint16_t>(bytes[size + 2] | bytes[size + 3] << 8);
  }
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
  Draw(font, x, y);
  vsk::CloseFont(font);
  return 0;
}
