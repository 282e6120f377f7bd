#include "ui/clipped_text.h"

#include "gfx/font.h"
#include "gfx/rastport.h"

namespace vsk {

void DrawClippedText(RastPort* rp, int32_t x, int32_t y, const char* text, int32_t count, int32_t minX,
                     int32_t maxX) {
  if (!rp || !rp->Font || !rp->BitMap || !text || count <= 0) return;
  Move(rp, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
  TextInColumns(rp, text, count, minX, maxX);
}

uint16_t CharWidth(RastPort* rp, char c) { return TextLength(rp, &c, 1); }

}  // namespace vsk
