// Locking a bitmap's DirectDraw surface for one drawing call: the whole
// surface, waiting until it is free, addressed through the address and pitch
// the lock reports (the pitch may exceed the width).
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <cstring>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"

namespace vsk {

struct SurfaceLock {
  uint8_t* base;
  int32_t pitch;
  int32_t width;   // the pixels that may be touched: the surface's, and no
  int32_t height;  // more than its bitmap's
};

// True when the bitmap is drawn through its surface: DirectDraw mode and a
// surface present. A bitmap without a surface is drawn in memory.
inline bool DrawsThroughSurface(const BitMap* bitmap) {
  return PresenterChoice == kPresenterDirectDraw && bitmap->Surface != nullptr;
}

inline bool LockWholeSurface(IDirectDrawSurface7* surface, SurfaceLock* lock, const BitMap* bitmap = nullptr) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
  lock->base = static_cast<uint8_t*>(desc.lpSurface);
  lock->pitch = static_cast<int32_t>(desc.lPitch);
  uint32_t width = desc.dwWidth;
  uint32_t height = desc.dwHeight;
  if (bitmap) {
    width = width < bitmap->BytesPerRow ? width : bitmap->BytesPerRow;
    height = height < bitmap->Rows ? height : bitmap->Rows;
  }
  lock->width = static_cast<int32_t>(width);
  lock->height = static_cast<int32_t>(height);
  return true;
}

// The pixels of a bitmap's own memory that may be touched.
inline int32_t WidthOf(const BitMap* bitmap) { return static_cast<int32_t>(bitmap->BytesPerRow); }
inline int32_t HeightOf(const BitMap* bitmap) { return static_cast<int32_t>(bitmap->Rows); }

inline void UnlockWholeSurface(IDirectDrawSurface7* surface) { surface->Unlock(nullptr); }

// True for the screen's own rastport, whose drawing is reported to the
// screen update.
inline bool IsScreenRastPort(const RastPort* rp) {
  return TheScreen != nullptr && rp == &TheScreen->RastPort;
}

}  // namespace vsk
