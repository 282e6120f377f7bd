// Saved screen areas: a box copies the screen under it before it draws and
// puts the copy back when it closes.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// A copy of the screen's rectangle in a new bitmap, or null (no screen, no
// memory, or the DirectDraw surface could not be locked).
BitMap* ScreenSaveClip(uint16_t x, uint16_t y, uint16_t width, uint16_t height);

// Copies the saved area back to the screen at x, y and frees it; a null
// copy does nothing.
void RestoreScreenClip(BitMap* saved, uint16_t x, uint16_t y, uint16_t width, uint16_t height);

}  // namespace vsk
