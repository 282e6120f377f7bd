// Text: glyphs of the rastport's font copied straight into the destination
// rows, in memory or through the bitmap's DirectDraw surface. Fonts come
// from files: a glyph that reaches outside the bitmap (kerning left of 0, a
// baseline above the pen, a width past the edge) is cut pixel by pixel,
// never dropped and never written past the bitmap.
#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "gfx/font.h"
#include "gfx/screen_update.h"
#include "gfx/surface_lock.h"

namespace vsk {

namespace {

bool InRange(const TextFont* font, uint8_t c) { return c >= font->LoChar && c <= font->HiChar; }

bool Proportional(const TextFont* font) { return font->SpacingTag == kFontTagPROP; }

// The columns and rows a text may write: the bitmap, cut further to a band
// of columns where a caller asks for it. Right and bottom are exclusive.
struct ClipBox {
  ptrdiff_t left, top, right, bottom;
};

// The part of one glyph box that lies inside the clip box, rows by columns,
// with its top-left pixel at dest. Zero pixels are painted with the
// background pen in JAM2 only; set pixels take the pen, or their own colour
// in a multi-colour font. Every value the loops need is a local, so the
// byte writes cannot force reloads, and each pixel is a select rather than
// a branch.
template <bool kPaintBackground, bool kMultiColour>
void DrawGlyphRows(const uint8_t* source, uint16_t modulo, ptrdiff_t rows, ptrdiff_t width, uint8_t* dest,
                   ptrdiff_t stride, uint8_t fgPen, uint8_t bgPen) {
  for (ptrdiff_t row = 0; row < rows; ++row, source += modulo, dest += stride) {
    for (ptrdiff_t i = 0; i < width; ++i) {
      const uint8_t v = source[i];
      const uint8_t set = kMultiColour ? v : fgPen;
      const uint8_t clear = kPaintBackground ? bgPen : dest[i];
      dest[i] = v ? set : clear;
    }
  }
}

// Draws the glyph whose box has its top-left corner at (x, y), leaving out
// the columns and rows outside the clip box.
void DrawGlyph(const TextFont* font, const CharLocEntry& loc, uint8_t* pixels, ptrdiff_t stride,
               const ClipBox& clip, ptrdiff_t x, ptrdiff_t y, uint8_t fgPen, uint8_t bgPen,
               bool paintBackground, bool multiColour) {
  const ptrdiff_t left = std::max(x, clip.left);
  const ptrdiff_t right = std::min<ptrdiff_t>(x + loc.width, clip.right);
  const ptrdiff_t top = std::max(y, clip.top);
  const ptrdiff_t bottom = std::min<ptrdiff_t>(y + font->YSize, clip.bottom);
  if (left >= right || top >= bottom) return;
  const uint16_t modulo = font->Modulo;
  const uint8_t* source = font->CharData + loc.offset + (top - y) * modulo + (left - x);
  uint8_t* dest = pixels + top * stride + left;
  const ptrdiff_t rows = bottom - top;
  const ptrdiff_t width = right - left;
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
// row lies Baseline rows above the pen's y. Whatever the font's kerning,
// widths and baseline, only pixels inside the clip box are written.
void DrawString(const RastPort* rp, const char* string, int32_t count, uint8_t* pixels, ptrdiff_t stride,
                const ClipBox& clip) {
  const TextFont* font = rp->Font;
  const bool paintBackground = rp->DrawMode == JAM2;
  const bool multiColour = font->ColorTag == kFontTagCOLO;
  const bool proportional = Proportional(font);
  const auto fgPen = static_cast<uint8_t>(rp->FgPen);
  const auto bgPen = static_cast<uint8_t>(rp->BgPen);
  const ptrdiff_t top = static_cast<ptrdiff_t>(rp->cp_y) - font->Baseline;
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
    DrawGlyph(font, font->CharLoc[i], pixels, stride, clip, glyphX, top, fgPen, bgPen, paintBackground,
              multiColour);
  }
}

// The text's box reported to the screen update; a box reaching outside the
// screen is cut to it (nothing was drawn there).
void ReportText(RastPort* rp, const char* string, int32_t count) {
  if (!IsScreenRastPort(rp)) return;
  int32_t x0 = rp->cp_x;
  int32_t y0 = int32_t{rp->cp_y} - rp->Font->Baseline;
  int32_t x1 = x0 + TextLength(rp, string, count);
  int32_t y1 = y0 + rp->Font->YSize;
  const int32_t width = WidthOf(rp->BitMap);
  const int32_t height = HeightOf(rp->BitMap);
  if (x0 < 0 || y0 < 0 || x1 > width || y1 > height) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    if (x0 >= x1 || y0 >= y1) return;
  }
  UpdateRectangle(x0, y0, x1 - x0, y1 - y0);
}

// Text cut to columns minX .. maxX - 1 of the bitmap, drawn in its memory
// or through its surface.
void TextIn(RastPort* rp, const char* string, int32_t count, ptrdiff_t minX, ptrdiff_t maxX, bool throughSurface) {
  BitMap* bitmap = rp->BitMap;
  if (throughSurface) {
    IDirectDrawSurface7* surface = bitmap->Surface;
    SurfaceLock lock;
    if (LockWholeSurface(surface, &lock, bitmap)) {
      const ClipBox clip{std::max<ptrdiff_t>(minX, 0), 0, std::min<ptrdiff_t>(maxX, lock.width), lock.height};
      DrawString(rp, string, count, lock.base, lock.pitch, clip);
      UnlockWholeSurface(surface);
    } else {
      std::printf("DXText:Konnte Surface nicht locken!");
    }
  } else {
    const ClipBox clip{std::max<ptrdiff_t>(minX, 0), 0, std::min<ptrdiff_t>(maxX, WidthOf(bitmap)),
                       HeightOf(bitmap)};
    DrawString(rp, string, count, bitmap->Pixels, bitmap->BytesPerRow, clip);
  }
  ReportText(rp, string, count);
}

}  // namespace

void Text(RastPort* rp, const char* string, int32_t count) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->Font || !rp->BitMap) return;
  if (DrawsThroughSurface(rp->BitMap)) {
    DXText(rp, string, count);
    return;
  }
  TextIn(rp, string, count, 0, PTRDIFF_MAX, false);
}

void DXText(RastPort* rp, const char* string, int32_t count) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->Font || !rp->BitMap || !rp->BitMap->Surface) return;
  TextIn(rp, string, count, 0, PTRDIFF_MAX, true);
}

void TextInColumns(RastPort* rp, const char* string, int32_t count, int32_t minX, int32_t maxX) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->Font || !rp->BitMap) return;
  TextIn(rp, string, count, minX, maxX, DrawsThroughSurface(rp->BitMap));
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
