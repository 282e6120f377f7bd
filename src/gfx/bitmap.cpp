// Bitmaps and rastports: allocation, release, pens, draw mode and font.
#include "gfx/bitmap.h"

#include <windows.h>
#include <ddraw.h>

#include <cstdio>
#include <cstring>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/font.h"
#include "gfx/surface_lock.h"
#include "services/memory.h"

namespace vsk {

namespace {

// DirectDraw mode: the pixels go into an off-screen plain surface in system
// memory; its address, reported by one lock, stays valid between locks.
bool AttachSurface(BitMap* bitmap, uint32_t width, uint32_t height) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.dwWidth = width;
  desc.dwHeight = height;
  IDirectDrawSurface7* surface = nullptr;
  if (!DDObject || DDObject->CreateSurface(&desc, &surface, nullptr) != DD_OK || !surface) {
    std::printf("AllocBitmap: konnte Surface f" "\xfc" "r Objekt nicht anlegen.\n");
    return false;
  }
  SurfaceLock lock;
  if (!LockWholeSurface(surface, &lock)) {
    std::printf("AllocBitmap: konnte Speicheradresse des Surfaces nicht bekommen.\n");
    surface->Release();
    return false;
  }
  bitmap->Pixels = lock.base;
  UnlockWholeSurface(surface);
  bitmap->Surface = surface;
  return true;
}

}  // namespace

BitMap* AllocBitMap(uint32_t width, uint32_t height, uint32_t depth, uint32_t flags) {
  auto* bitmap = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_CLEAR));
  if (!bitmap) return nullptr;
  bitmap->BytesPerRow = width;
  bitmap->Rows = height;
  bitmap->Depth = depth;
  bitmap->Flags = flags;

  if (PresenterChoice == kPresenterDirectDraw) {
    if (!AttachSurface(bitmap, width, height)) {
      FreeVec(bitmap);
      return nullptr;
    }
    return bitmap;
  }

  // A size beyond 32 bits can never be had; it fails like any allocation.
  uint64_t size = uint64_t{width} * height;
  if (size <= 0xFFFFFFFFu) bitmap->Pixels = static_cast<uint8_t*>(AllocVec(static_cast<uint32_t>(size), MEMF_CLEAR));
  if (!bitmap->Pixels) {
    std::printf("AllocBitMap: GL -> Konnte keinen Speicher f" "\xfc" "r Grafik bekommen.\n");
    FreeVec(bitmap);
    return nullptr;
  }
  return bitmap;
}

void FreeBitMap(BitMap* bitmap) {
  if (!bitmap) return;
  if (bitmap->Surface) {
    bitmap->Surface->Release();
  } else {
    FreeVec(bitmap->Pixels);
  }
  FreeVec(bitmap->Palette);
  FreeVec(bitmap);
}

void InitRastPort(RastPort* rp) {
  rp->FgPen = 1;
  rp->BgPen = 0;
  rp->cp_x = 0;
  rp->cp_y = 0;
  rp->DrawMode = JAM2;
  rp->TxHeight = 0;
  rp->Font = nullptr;
  rp->BitMap = nullptr;
}

void FreeRastPort(RastPort* rp) { FreeVec(rp); }

void SetAPen(RastPort* rp, uint8_t pen) { rp->FgPen = pen; }

void SetBPen(RastPort* rp, uint8_t pen) { rp->BgPen = pen; }

void SetDrMd(RastPort* rp, uint8_t mode) { rp->DrawMode = mode; }

void SetABPenDrMd(RastPort* rp, uint8_t fgPen, uint8_t bgPen, uint8_t mode) {
  SetAPen(rp, fgPen);
  SetBPen(rp, bgPen);
  SetDrMd(rp, mode);
}

void SetFont(RastPort* rp, TextFont* font) {
  rp->Font = font;
  rp->TxHeight = font ? font->YSize : 0;
  rp->TxBaseline = font ? font->Baseline : 0;
}

void WaitTOF() {
  if (PresenterChoice != kPresenterDirectDraw || !DDObject) return;
  DDObject->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

}  // namespace vsk
