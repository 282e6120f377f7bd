// Bringing changed screen areas to the display, the mouse pointer, and
// setting palette entries.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Reports a changed rectangle of the screen: OpenGL mode posts WM_USER + 1
// (wParam x << 16 | y, lParam w << 16 | h) to the presenter's window;
// DirectDraw mode copies the rectangle from the off-screen to the primary
// surface and draws the pointer over it.
void UpdateRectangle(int32_t x, int32_t y, int32_t width, int32_t height);

// Loads the 32 x 27 pointer image (always "./pics/cursor01.chk").
void GetMouse(const char* fileName);

// Stores the pointer position from a mouse-move lParam (x low, y high) and,
// in DirectDraw mode, moves the pointer on the display.
void MovePointer(int32_t lParam);

// DirectDraw mode: restores lost surfaces (and repaints after a lost primary
// surface). Runs before every DirectDraw lock or blit. OpenGL mode: nothing.
void RestoreSurfaces();

RastPort* NewRastPort(BitMap* bitmap);

void SetRGB8(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue);
// SetRGB8 in two halves: the entry set in the colour table only, and then a
// range of entries handed to the display (DirectDraw palette or GLColors) in
// one call.
void StoreRGB8(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue);
void ShowColors(Screen* screen, uint32_t first, uint32_t count);
void SetRGB4(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue);
// Runs of (u16 count, u16 first, count × three u32), ended by a count of 0.
void LoadRGB32(Screen* screen, const void* table);

}  // namespace vsk
