// Blits: rectangles of 8-bit pixels copied from bank graphics (by picture
// id) into rastports, and from bitmap to bitmap. In OpenGL mode every bitmap
// is memory; in DirectDraw mode a bitmap may hold its pixels in a surface,
// which is locked for the copy or copied by DirectDraw itself. A blit into
// the screen reports the rectangle to UpdateRectangle.
//
// Copies never touch a byte outside the source or the destination: a
// rectangle reaching past either is cut at its edge (callers keep their
// rectangles inside, so this only guards against damaged data).
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Copies the top-left width x height of graphic id (0 = the graphic's own
// width or height) to (x, y) of the rastport (null = the screen), clipped to
// the destination. A graphic not in the bank is loaded for the blit and
// dropped again. 1 drawn; 0 when the graphic cannot be loaded or (x, y) lies
// beyond the destination.
int32_t BlitObjekt(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                   uint32_t height);

// The same without clipping, leaving the destination unchanged where the
// graphic has the mask colour (above 255: nothing is transparent).
void BlitObjektMask(RastPort* rastPort, uint32_t id, uint16_t mask, uint32_t x, uint32_t y,
                    uint32_t width, uint32_t height);

// A graphic with a label centred over it (gadget buttons): BlitObjekt, or
// BlitObjektMask with colour 0 transparent, then the text in pen 7.
void BlitObjektText(RastPort* rastPort, uint32_t id, const char* text, uint16_t x, uint16_t y,
                    uint16_t width, uint16_t height);
void BlitObjektMaskText(RastPort* rastPort, uint32_t id, const char* text, uint16_t x, uint16_t y,
                        uint16_t width, uint16_t height);

// Copies width x height from (sx, sy) of source to (dx, dy) of destination
// (null = the screen bitmap). Always 1.
uint16_t BltBitMap(BitMap* source, uint16_t sx, uint16_t sy, BitMap* destination, uint16_t dx,
                   uint16_t dy, uint16_t width, uint16_t height);

// The DirectDraw variants, chosen by BlitObjekt, BlitObjektMask and
// BltBitMap in DirectDraw mode. The object variants take the rectangle
// already clipped: M2S copies the graphic's memory into the destination's
// surface, S2M the graphic's surface into memory, M2M memory into memory,
// S2S lets DirectDraw copy surface to surface.
void DXBlitObjektM2S(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height);
void DXBlitObjektS2M(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height);
void DXBlitObjektM2M(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height);
void DXBlitObjektS2S(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height);
void DXBlitObjektMask(RastPort* rastPort, uint32_t id, uint16_t mask, uint32_t x, uint32_t y,
                      uint32_t width, uint32_t height);
uint16_t DXBltBitMap(BitMap* source, uint16_t sx, uint16_t sy, BitMap* destination, uint16_t dx,
                     uint16_t dy, uint16_t width, uint16_t height);

}  // namespace vsk
