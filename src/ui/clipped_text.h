// Text drawn only inside a band of columns and inside the rastport's bitmap:
// the requester boxes draw their lines through this, so a line wider than
// its box is cut at the box's edge, and a glyph across an edge draws the
// part that lies inside.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Draws count characters of text with the rastport's font and pen, pen at
// (x, y) (y the baseline row), only into columns minX..maxX - 1 of the
// bitmap and its rows.
void DrawClippedText(RastPort* rp, int32_t x, int32_t y, const char* text, int32_t count, int32_t minX,
                     int32_t maxX);

// The pixel width of one character in the rastport's font (what Text
// advances over it).
uint16_t CharWidth(RastPort* rp, char c);

}  // namespace vsk
