// Pixel primitives: pen moves, lines, filled rectangles and single pixels,
// each in memory or through the bitmap's DirectDraw surface. Coordinates may
// come from game data: whatever falls outside the bitmap is left out, pixel
// by pixel, and what lies inside is drawn as if nothing had been cut.
#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "gfx/screen_update.h"
#include "gfx/surface_lock.h"

namespace vsk {

namespace {

// Where a primitive may write: pixels, their row stride, and the width and
// height that lie inside the bitmap.
struct Target {
  uint8_t* pixels;
  int32_t stride;
  int32_t width;
  int32_t height;
};

Target MemoryTarget(const BitMap* bitmap) {
  return {bitmap->Pixels, static_cast<int32_t>(bitmap->BytesPerRow), WidthOf(bitmap), HeightOf(bitmap)};
}
Target LockedTarget(const SurfaceLock& lock) { return {lock.base, lock.pitch, lock.width, lock.height}; }

bool Inside(const Target& target, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < target.width && y < target.height;
}

// Integer stepping from the start pixel: one byte sideways per x step, one
// row (stride taken modulo 65,536) per y step. The error starts at 0 and the
// test is strictly greater, so (0,0)->(3,1) sets (0,0) (1,0) (2,1) (3,1).
// With kClip the pixels that fall outside the bitmap are skipped (the line
// keeps its course); without, both ends lie inside and so does every pixel.
template <bool kClip>
void StepLine(const Target& target, int32_t x, int32_t y, int32_t dx, int32_t dy, uint8_t pen) {
  const ptrdiff_t sx = dx < 0 ? -1 : 1;
  const ptrdiff_t rowStep = target.stride & 0xFFFF;
  const ptrdiff_t sy = dy < 0 ? -rowStep : rowStep;
  const int32_t stepX = dx < 0 ? -1 : 1;
  const int32_t stepY = dy < 0 ? -1 : 1;
  const int32_t a = std::abs(dx);
  const int32_t b = std::abs(dy);
  uint8_t* const start = target.pixels + static_cast<ptrdiff_t>(y) * target.stride + x;
  int32_t e = 0;
  ptrdiff_t at = 0;
  auto plot = [&] {
    if (!kClip || Inside(target, x, y)) start[at] = pen;
  };
  if (a < b) {
    for (int32_t i = 0; i <= b; ++i) {
      plot();
      at += sy;
      y += stepY;
      e += 2 * a;
      if (e > b) {
        e -= 2 * b;
        at += sx;
        x += stepX;
      }
    }
  } else {
    for (int32_t i = 0; i <= a; ++i) {
      plot();
      at += sx;
      x += stepX;
      e += 2 * b;
      if (e > a) {
        e -= 2 * a;
        at += sy;
        y += stepY;
      }
    }
  }
}

void LineFromPen(RastPort* rp, const Target& target, uint16_t x, uint16_t y) {
  const int32_t dx = int32_t{x} - rp->cp_x;
  const int32_t dy = int32_t{y} - rp->cp_y;
  const auto pen = static_cast<uint8_t>(rp->FgPen);
  if (Inside(target, rp->cp_x, rp->cp_y) && Inside(target, x, y))
    StepLine<false>(target, rp->cp_x, rp->cp_y, dx, dy, pen);
  else
    StepLine<true>(target, rp->cp_x, rp->cp_y, dx, dy, pen);
}

// A rectangle reported to the screen update, cut to the screen: what lies
// outside was never drawn.
void ReportClipped(RastPort* rp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const BitMap* bitmap = rp->BitMap;
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, WidthOf(bitmap) - 1);
  y1 = std::min(y1, HeightOf(bitmap) - 1);
  if (x0 <= x1 && y0 <= y1) UpdateRectangle(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
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
    ReportClipped(rp, x0, y0, x1, y1);
  }
  Move(rp, x, y);
}

// The rows of the rectangle that lie inside the bitmap.
void FillRows(const Target& target, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t pen) {
  x1 = std::min(x1, target.width - 1);
  y1 = std::min(y1, target.height - 1);
  if (x0 > x1 || y0 > y1) return;
  const size_t width = static_cast<size_t>(x1 - x0) + 1;
  uint8_t* row = target.pixels + static_cast<ptrdiff_t>(y0) * target.stride + x0;
  for (int32_t y = y0; y <= y1; ++y, row += target.stride) std::memset(row, pen, width);
}

void ReportFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1) {
  if (IsScreenRastPort(rp)) ReportClipped(rp, x0, y0, x1, y1);
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
  LineFromPen(rp, MemoryTarget(rp->BitMap), x, y);
  ReportLine(rp, x, y);
}

void DXDraw(RastPort* rp, uint16_t x, uint16_t y) {
  if (!rp) rp = TheScreen ? &TheScreen->RastPort : nullptr;
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock, rp->BitMap)) {
    LineFromPen(rp, LockedTarget(lock), x, y);
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
  FillRows(MemoryTarget(rp->BitMap), x0, y0, x1, y1, static_cast<uint8_t>(rp->FgPen));
  ReportFill(rp, x0, y0, x1, y1);
}

void DXRectFill(RastPort* rp, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  Order(x0, x1);
  Order(y0, y1);
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock, rp->BitMap)) {
    FillRows(LockedTarget(lock), x0, y0, x1, y1, static_cast<uint8_t>(rp->FgPen));
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
  const Target target = MemoryTarget(rp->BitMap);
  if (!Inside(target, x, y)) return;
  target.pixels[static_cast<ptrdiff_t>(y) * target.stride + x] = static_cast<uint8_t>(rp->FgPen);
  if (IsScreenRastPort(rp)) UpdateRectangle(x, y, 1, 1);
}

void DXWritePixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (LockWholeSurface(surface, &lock, rp->BitMap)) {
    const bool inside = Inside(LockedTarget(lock), x, y);
    if (inside) lock.base[static_cast<ptrdiff_t>(y) * lock.pitch + x] = static_cast<uint8_t>(rp->FgPen);
    UnlockWholeSurface(surface);
    if (!inside) return;
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
  const Target target = MemoryTarget(rp->BitMap);
  if (!Inside(target, x, y)) return 0;
  return target.pixels[static_cast<ptrdiff_t>(y) * target.stride + x];
}

uint8_t DXReadPixel(RastPort* rp, int32_t x, int32_t y) {
  if (!rp || !rp->BitMap || !rp->BitMap->Surface) return 0;
  IDirectDrawSurface7* surface = rp->BitMap->Surface;
  RestoreSurfaces();
  SurfaceLock lock;
  if (!LockWholeSurface(surface, &lock, rp->BitMap)) return 0;
  const uint8_t value = Inside(LockedTarget(lock), x, y) ? lock.base[static_cast<ptrdiff_t>(y) * lock.pitch + x] : 0;
  UnlockWholeSurface(surface);
  return value;
}

}  // namespace vsk
