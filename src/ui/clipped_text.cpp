#include "ui/clipped_text.h"

#include <algorithm>

#include "gfx/rastport.h"

namespace vsk {

namespace {

bool InFont(const TextFont* font, uint8_t c) { return c >= font->LoChar && c <= font->HiChar; }

void DrawRun(RastPort* rp, int32_t x, int32_t y, const char* text, int32_t count) {
  if (count <= 0) return;
  Move(rp, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
  Text(rp, text, count);
}

}  // namespace

void DrawClippedText(RastPort* rp, int32_t x, int32_t y, const char* text, int32_t count, int32_t minX,
                     int32_t maxX) {
  if (!rp || !rp->Font || !rp->BitMap || !text || count <= 0) return;
  const TextFont* font = rp->Font;
  const int32_t top = y - font->Baseline;
  if (top < 0 || top + font->YSize > static_cast<int32_t>(rp->BitMap->Rows)) return;
  minX = std::max<int32_t>(minX, 0);
  maxX = std::min<int32_t>(maxX, static_cast<int32_t>(rp->BitMap->BytesPerRow));
  const bool proportional = font->SpacingTag == kFontTagPROP;

  // Runs of glyphs that fit are drawn with one Text call each; a glyph that
  // does not fit ends the run and is left out.
  int32_t pen = x;
  int32_t runStart = 0;
  int32_t runPen = x;
  for (int32_t n = 0; n < count; ++n) {
    const auto c = static_cast<uint8_t>(text[n]);
    if (!InFont(font, c)) continue;  // draws and advances nothing
    const uint32_t i = c - font->LoChar;
    int32_t left = pen;
    int32_t advance = font->XSize;
    if (proportional) {
      left += font->CharKern[i];
      advance = font->CharSpace[i] + font->CharKern[i];
    }
    const int32_t right = left + font->CharLoc[i].width;
    if (left < minX || right > maxX) {
      DrawRun(rp, runPen, y, text + runStart, n - runStart);
      runStart = n + 1;
      runPen = pen + advance;
    }
    pen += advance;
  }
  DrawRun(rp, runPen, y, text + runStart, count - runStart);
}

uint16_t CharWidth(RastPort* rp, char c) { return TextLength(rp, &c, 1); }

}  // namespace vsk
