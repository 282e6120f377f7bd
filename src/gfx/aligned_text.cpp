#include "gfx/aligned_text.h"

#include <cstring>

#include "gfx/rastport.h"

namespace vsk {

namespace {

// Coordinates wrap as the 16-bit values they are; differences are signed so
// that halves are truncated toward zero.
int32_t Diff16(int32_t a, int32_t b) { return static_cast<int16_t>(a - b); }

void TextAt(RastPort* rastPort, int32_t x, int32_t y, const char* text, int32_t length) {
  Move(rastPort, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
  Text(rastPort, text, length);
}

}  // namespace

void DrawAlignedText(RastPort* rastPort, uint16_t left, uint16_t top, uint16_t right,
                     uint16_t bottom, const char* text, uint8_t backPen, uint8_t textPen,
                     uint16_t flags) {
  if (!rastPort) rastPort = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rastPort) return;
  if (flags & kAlignFill) {
    SetAPen(rastPort, backPen);
    RectFill(rastPort, left, top, right, bottom);
  }
  // Without a font there is nothing to measure or draw with.
  if (!text || !rastPort->Font) return;
  const int32_t length = static_cast<int32_t>(std::strlen(text));
  const int32_t width = TextLength(rastPort, text, length);
  const int32_t height = rastPort->Font->YSize;
  const int32_t baseline = rastPort->Font->Baseline;

  int32_t x = left;
  if (flags & kAlignCentreX) x = left + Diff16(right, left) / 2 - width / 2;
  if (flags & kAlignRight) x = right - width;

  int32_t y = top;
  if (flags & kAlignTopBaseline) y = top + baseline;
  if (flags & kAlignBottom) y = bottom;
  if (flags & kAlignCentreY) y = top + static_cast<int16_t>(bottom - top - height) / 2 + 1;
  if (flags & kAlignAddBaseline) y += baseline;
  if (flags & kAlignRaise) y -= 2;

  SetDrMd(rastPort, JAM1);
  if (flags & kAlignShadow) {
    SetAPen(rastPort, 0);
    TextAt(rastPort, x, y + 1, text, length);
  }
  if (flags & kAlignOutline) {
    SetAPen(rastPort, 0);
    TextAt(rastPort, x, y - 1, text, length);
    TextAt(rastPort, x + 1, y, text, length);
    TextAt(rastPort, x, y + 1, text, length);
    TextAt(rastPort, x - 1, y, text, length);
  }
  SetAPen(rastPort, textPen);
  TextAt(rastPort, x, y, text, length);
}

}  // namespace vsk
