// Text drawn only where its glyphs lie inside a band of columns and inside
// the rastport's bitmap. The text primitive itself never clips, so the
// requester boxes draw their lines through this: a line wider than its box
// or a glyph reaching left of the pen is cut instead of writing past a row
// or a buffer.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Draws count characters of text with the rastport's font and pen, pen at
// (x, y) (y the baseline row), leaving out every glyph that does not lie
// wholly within columns minX..maxX - 1 of the bitmap; the others keep their
// places. Nothing is drawn when the glyph rows do not fit the bitmap.
void DrawClippedText(RastPort* rp, int32_t x, int32_t y, const char* text, int32_t count, int32_t minX,
                     int32_t maxX);

// The pixel width of one character in the rastport's font (what Text
// advances over it).
uint16_t CharWidth(RastPort* rp, char c);

}  // namespace vsk
