// Pixel primitives: pen moves, lines, filled rectangles and single pixels,
// each in memory or through the bitmap's DirectDraw surface.
#include <windows.h>
#include <ddraw.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "gfx/bitmap.h"
#include "gfx/surface_lock.h"
#include "pictures/update.h"
#include "present/state.h"

namespace vsk {

namespace {

// Integer stepping from the start pixel: one byte sideways per x step, one
// row (stride taken modulo 65,536) per y step. The error starts at 0 and the
// test is strictly greater, so (0,0)->(3,1) sets (0,0) (1,0) (2,1) (3,1).
void StepLine(uint8_t* start, int32_t stride, int32_t dx, int32_t dy, uint8_t pen) {
  const ptrdiff_t sx = dx < 0 ? -1 : 1;
  const ptrdiff_t rowStep = stride & 0xFFFF;
  const ptrdiff_t sy = dy < 0 ? -rowStep : rowStep;
  const int32_t a = std::abs(dx);
  const int32_t b = std::abs(dy);
  int32_t e = 0;
  ptrdiff_t at = 0;
  if (a < b) {
    for (int32_t i = 0; i <= b; ++i) {
      start[at] = pen;
      at += sy;
      e += 2 * a;
      if (e > b) {
        e -= 2 * b;
        at += sx;
      }
    }
  } else {
    for (int32_t i = 0; i <= a; ++i) {
      start[at] = pen;
      at += sx;
      e += 2 * b;
      if (e > a) {
        e -= 2 * a;
        at += sy;
      }
    }
  }
}

void LineFromPen(RastPort* rp, uint8_t* pixels, int32_t stride, uint16_t x, uint16_t y) {
  uint8_t* start = pixels + static_cast<ptrdiff_t>(rp->cp_y) * stride + rp->cp_x;
  StepLine(start, stride, int32_t{x} - rp->cp_x, int32_t{y} - rp->cp_y, static_cast<uint8_t>(rp->FgPen));
}

// The line's bounding box, widened to two pixels where it has none, so a
// horizontal or vertical line reports a band two pixels thick.
void ReportLine(RastPort* rp, uint16_t x, uint16_t y) {
  if (IsScreenRastPort(rp)) {
    int32_t x0 = rp->cp_x, y0 = rp->cp_y, x1 = x, y1 = y;
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (x0 == x1) ++x1;
    if (y0 == y1) ++y1;
    UpdateRectangle(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
  }
  Move(rp, x, y);
}

void FillRows(uint8_t* pixels, int32_t stride, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1,
              uint8_t pen) {
  const size_t width = static_cast<size_t>(x1 - x0) + 1;
  uint8_t* row = pixels + static_cast<ptrdiff_t>(y0) * stride + x0;
  for (int32_t y = y0; y <= y1; ++y, row += stride) std::memset(row, pen, width);
}

void ReportFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1) {
  if (IsScreenRastPort(rp)) UpdateRectangle(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

void Order(uint16_t& low, uint16_t& high) {
  if (low > high) std::swap(low, high);
}

}  // namespace

void Move(RastPort* rp, uint16_t x, uint16_t y) {
  rp->cp_x = x;
  rp->cp_y = y;
}

void Draw(RastPort* rp, uint16_t x, uint16_t y) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->BitMap) return;
  if (DrawsThroughSurface(rp->BitMap)) {
    DXDraw(rp, x, y);
    return;
  }
  LineFromPen(rp, rp->BitMap->Pixels, static_cast<int32_t>(rp->BitMap->BytesPerRow), x, y);
  ReportLine(rp, x, y);
}

void DXDraw(RastPort* rp, uint16_t x, uint16_t y) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock)) {
    LineFromPen(rp, lock.base, lock.pitch, x, y);
    UnlockWholeSurface(surface);
  } else {
    std::printf("DXDraw:Konnte Surface nicht locken.\n");
  }
  ReportLine(rp, x, y);
}

void PolyDraw(RastPort* rp, int32_t count, const uint16_t* points) {
  for (int32_t i = 0; i < count; ++i) Draw(rp, points[2 * i], points[2 * i + 1]);
}

void RectFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1) {
  if (!rp || !rp->BitMap) return;
  if (DrawsThroughSurface(rp->BitMap)) {
    DXRectFill(rp, x0, y0, x1, y1);
    return;
  }
  Order(x0, x1);
  Order(y0, y1);
  FillRows(rp->BitMap->Pixels, static_cast<int32_t>(rp->BitMap->BytesPerRow), x0, y0, x1, y1,
           static_cast<uint8_t>(rp->FgPen));
  ReportFill(rp, x0, y0, x1, y1);
}

void DXRectFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  Order(x0, x1);
  Order(y0, y1);
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock)) {
    FillRows(lock.base, lock.pitch, x0, y0, x1, y1, static_cast<uint8_t>(rp->FgPen));
    UnlockWholeSurface(surface);
  } else {
    std::printf("DXRectFill:Konnte Surface nicht locken!");
  }
  ReportFill(rp, x0, y0, x1, y1);
}

void WritePixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp) {
    std::printf("WritePixel: \xdc" "bergebener Rastport ist nicht valid.\n");
    return;
  }
  if (!rp->BitMap) {
    std::printf("WritePixel: \xdc" "bergebener RastPort hat keine Bitmap.\n");
    return;
  }
  if (DrawsThroughSurface(rp->BitMap)) {
    DXWritePixel(rp, x, y);
    return;
  }
  rp->BitMap->Pixels[static_cast<ptrdiff_t>(y) * rp->BitMap->BytesPerRow + x] = static_cast<uint8_t>(rp->FgPen);
  if (IsScreenRastPort(rp)) UpdateRectangle(x, y, 1, 1);
}

void DXWritePixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock)) {
    lock.base[static_cast<ptrdiff_t>(y) * lock.pitch + x] = static_cast<uint8_t>(rp->FgPen);
    UnlockWholeSurface(surface);
  }
  if (IsScreenRastPort(rp)) UpdateRectangle(x, y, 1, 1);
}

uint8_t ReadPixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp) {
    std::printf("ReadPixel: RastPort nicht valid.\n");
    return 0;
  }
  if (!rp->BitMap) {
    std::printf("ReadPixel: RastPort besitzt keine BitMap \n");
    return 0;
  }
  if (DrawsThroughSurface(rp->BitMap)) return DXReadPixel(rp, x, y);
  return rp->BitMap->Pixels[static_cast<ptrdiff_t>(y) * rp->BitMap->BytesPerRow + x];
}

uint8_t DXReadPixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return 0;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (!LockWholeSurface(surface, &lock)) return 0;
  uint8_t value = lock.base[static_cast<ptrdiff_t>(y) * lock.pitch + x];
  UnlockWholeSurface(surface);
  return value;
}

}  // namespace vsk
