// 8-bit chunky bitmaps, the drawing contexts over them (rastports) and the
// one screen the presenters show. Every pixel is one byte, an index into the
// 256-entry colour table.
#pragma once

#include <cstdint>

struct IDirectDrawSurface7;

namespace vsk {

struct TextFont;

struct BitMap {
  uint32_t Ident;        // first word of a picture header; 0 from AllocBitMap
  uint32_t BytesPerRow;  // width in pixels, the row stride of Pixels in memory
  uint32_t Rows;
  uint32_t Depth;        // always 8
  uint32_t Flags;        // as given to AllocBitMap or read from a picture
  uint8_t* Pixels;       // row after row; in DirectDraw mode the surface address
  uint32_t PixelSize;    // size of a picture's pixel data, else 0
  uint8_t* Palette;      // a picture's colour table, released with the bitmap
  uint32_t PaletteSize;
  IDirectDrawSurface7* Surface;  // DirectDraw mode: the surface holding the pixels
};

constexpr uint8_t JAM1 = 0;  // text background pixels are not written
constexpr uint8_t JAM2 = 1;  // text background painted with BgPen

struct RastPort {
  uint16_t FgPen;
  uint16_t BgPen;
  uint16_t TxHeight;
  uint16_t cp_x;
  uint16_t cp_y;  // for text: the baseline row
  uint8_t DrawMode;
  TextFont* Font;   // not owned
  vsk::BitMap* BitMap;  // not owned
  uint16_t TxBaseline;
};

// One colour-table entry: the layout a DirectDraw palette takes.
struct ColorEntry {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t flags;
};

struct Screen {
  ColorEntry* Colors;  // ScreenColors
  vsk::RastPort RastPort;  // the screen's drawing context
  vsk::BitMap* BitMap;     // the 640 x 480 screen bitmap, also RastPort.BitMap
};

constexpr uint32_t kScreenWidth = 640;
constexpr uint32_t kScreenHeight = 480;

// The screen, null until the first screen picture is opened.
extern Screen* TheScreen;
// The screen colour table, and the OpenGL presenter's copy of it (the fourth
// byte of each entry is skipped by the conversion).
extern ColorEntry ScreenColors[256];
extern ColorEntry GLColors[256];

// ---- bitmaps and rastports ----------------------------------------------------
// In OpenGL mode a bitmap's pixels are an AllocVec block of width x height
// bytes (cleared); in DirectDraw mode they live in a system-memory off-screen
// surface whose address is kept in Pixels. Null on failure, with a log line.
BitMap* AllocBitMap(uint32_t width, uint32_t height, uint32_t depth, uint32_t flags);
// Releases the surface (or else the pixels), the palette and the record.
void FreeBitMap(BitMap* bitmap);

// Pens 1 and 0, pen at (0, 0), JAM2, no font, no bitmap.
void InitRastPort(RastPort* rp);
// Frees the record only; bitmap and font stay with their owners.
void FreeRastPort(RastPort* rp);

void SetAPen(RastPort* rp, uint8_t pen);
void SetBPen(RastPort* rp, uint8_t pen);
void SetDrMd(RastPort* rp, uint8_t mode);
void SetABPenDrMd(RastPort* rp, uint8_t fgPen, uint8_t bgPen, uint8_t mode);
// Attaches a font and copies its height and baseline.
void SetFont(RastPort* rp, TextFont* font);

// ---- pixel primitives -----------------------------------------------------------
// A null rastport given to Draw means the screen's rastport. Nothing clips:
// coordinates must lie inside the target bitmap. Drawing on the screen's
// rastport reports the changed rectangle to UpdateRectangle. A bitmap with a
// Surface is drawn through the surface in DirectDraw mode (the DX variants).
void Move(RastPort* rp, uint16_t x, uint16_t y);
// A line in FgPen from the pen position to (x, y), both ends included; the
// pen then stands at (x, y).
void Draw(RastPort* rp, uint16_t x, uint16_t y);
void DXDraw(RastPort* rp, uint16_t x, uint16_t y);
// Draw to each of count (x, y) pairs in turn.
void PolyDraw(RastPort* rp, int32_t count, const uint16_t* points);
// Fills the rectangle between two corners (in either order), both included.
void RectFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1);
void DXRectFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1);
void WritePixel(RastPort* rp, int32_t x, int32_t y);
void DXWritePixel(RastPort* rp, int32_t x, int32_t y);
// The colour index at (x, y); 0 when the rastport, its bitmap or the surface
// lock is missing.
uint8_t ReadPixel(RastPort* rp, int32_t x, int32_t y);
uint8_t DXReadPixel(RastPort* rp, int32_t x, int32_t y);

// DirectDraw mode: waits for the start of the next vertical blank. OpenGL
// mode: returns at once.
void WaitTOF();

}  // namespace vsk
