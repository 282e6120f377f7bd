// Text: glyphs of the rastport's font copied straight into the destination
// rows, in memory or through the bitmap's DirectDraw surface.
#include <windows.h>
#include <ddraw.h>

#include <cstddef>
#include <cstdio>

#include "gfx/font.h"
#include "gfx/surface_lock.h"
#include "pictures/update.h"

namespace vsk {

namespace {

bool InRange(const TextFont* font, uint8_t c) { return c >= font->LoChar && c <= font->HiChar; }

bool Proportional(const TextFont* font) { return font->SpacingTag == kFontTagPROP; }

// One glyph box, rows by the glyph's width, with its top-left pixel at dest.
// Zero pixels are painted with the background pen in JAM2 only; set pixels
// take the pen, or their own colour in a multi-colour font. Every value the
// loops need is a local, so the byte writes cannot force reloads, and each
// pixel is a select rather than a branch.
template <bool kPaintBackground, bool kMultiColour>
void DrawGlyphRows(const uint8_t* source, uint16_t modulo, uint16_t rows, uint16_t width, uint8_t* dest,
                   ptrdiff_t stride, uint8_t fgPen, uint8_t bgPen) {
  for (uint16_t row = 0; row < rows; ++row, source += modulo, dest += stride) {
    for (uint16_t i = 0; i < width; ++i) {
      const uint8_t v = source[i];
      const uint8_t set = kMultiColour ? v : fgPen;
      const uint8_t clear = kPaintBackground ? bgPen : dest[i];
      dest[i] = v ? set : clear;
    }
  }
}

void DrawGlyph(const TextFont* font, const CharLocEntry& loc, uint8_t* dest, ptrdiff_t stride,
               uint8_t fgPen, uint8_t bgPen, bool paintBackground, bool multiColour) {
  const uint8_t* source = font->CharData + loc.offset;
  const uint16_t modulo = font->Modulo;
  const uint16_t rows = font->YSize;
  const uint16_t width = loc.width;
  if (multiColour) {
    if (paintBackground) {
      DrawGlyphRows<true, true>(source, modulo, rows, width, dest, stride, fgPen, bgPen);
    } else {
      DrawGlyphRows<false, true>(source, modulo, rows, width, dest, stride, fgPen, bgPen);
    }
  } else if (paintBackground) {
    DrawGlyphRows<true, false>(source, modulo, rows, width, dest, stride, fgPen, bgPen);
  } else {
    DrawGlyphRows<false, false>(source, modulo, rows, width, dest, stride, fgPen, bgPen);
  }
}

// Draws the string into pixels with the given row stride; the glyphs' top
// row lies Baseline rows above the pen's y.
void DrawString(const RastPort* rp, const char* string, int32_t count, uint8_t* pixels, ptrdiff_t stride) {
  const TextFont* font = rp->Font;
  const bool paintBackground = rp->DrawMode == JAM2;
  const bool multiColour = font->ColorTag == kFontTagCOLO;
  const bool proportional = Proportional(font);
  const auto fgPen = static_cast<uint8_t>(rp->FgPen);
  const auto bgPen = static_cast<uint8_t>(rp->BgPen);
  uint8_t* top = pixels + (static_cast<ptrdiff_t>(rp->cp_y) - font->Baseline) * stride;
  ptrdiff_t x = rp->cp_x;
  for (int32_t n = 0; n < count; ++n) {
    const auto c = static_cast<uint8_t>(string[n]);
    if (!InRange(font, c)) continue;
    const uint32_t i = c - font->LoChar;
    ptrdiff_t glyphX = x;
    if (proportional) {
      glyphX += font->CharKern[i];
      x += font->CharSpace[i] + font->CharKern[i];
    } else {
      x += font->XSize;
    }
    DrawGlyph(font, font->CharLoc[i], top + glyphX, stride, fgPen, bgPen, paintBackground, multiColour);
  }
}

void ReportText(RastPort* rp, const char* string, int32_t count) {
  if (!IsScreenRastPort(rp)) return;
  UpdateRectangle(rp->cp_x, int32_t{rp->cp_y} - rp->Font->Baseline, TextLength(rp, string, count),
                  rp->Font->YSize);
}

}  // namespace

void Text(RastPort* rp, const char* string, int32_t count) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->Font || !rp->BitMap) return;
  if (DrawsThroughSurface(rp->BitMap)) {
    DXText(rp, string, count);
    return;
  }
  DrawString(rp, string, count, rp->BitMap->Pixels, rp->BitMap->BytesPerRow);
  ReportText(rp, string, count);
}

void DXText(RastPort* rp, const char* string, int32_t count) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->Font || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock)) {
    DrawString(rp, string, count, lock.base, lock.pitch);
    UnlockWholeSurface(surface);
  } else {
    std::printf("DXText:Konnte Surface nicht locken!");
  }
  ReportText(rp, string, count);
}

uint16_t TextLength(RastPort* rp, const char* string, int32_t count) {
  if (!rp || !rp->Font) return 0;
  const TextFont* font = rp->Font;
  uint16_t length = 0;
  for (int32_t n = 0; n < count; ++n) {
    const auto c = static_cast<uint8_t>(string[n]);
    if (!InRange(font, c)) continue;
    const uint32_t i = c - font->LoChar;
    if (Proportional(font)) {
      length = static_cast<uint16_t>(length + font->CharSpace[i] + font->CharKern[i]);
    } else {
      length = static_cast<uint16_t>(length + font->XSize);
    }
  }
  return length;
}

}  // namespace vsk
