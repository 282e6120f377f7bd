#include "pictures/blit.h"

#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/presenter_state.h"
#include "gfx/aligned_text.h"
#include "gfx/rastport.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/masked_copy.h"

namespace vsk {

namespace {

constexpr const char* kPicturePathList = "./data/path";
constexpr int32_t kOpaque = -1;  // no transparent colour

RastPort* ScreenRastPort() { return TheScreen ? &TheScreen->RastPort : nullptr; }
bool IsScreenRastPort(const RastPort* rastPort) {
  return TheScreen && rastPort == &TheScreen->RastPort;
}
BitMap* ScreenBitMap() { return TheScreen ? TheScreen->RastPort.BitMap : nullptr; }

// Pixels to copy from or into: a bitmap's own memory or a locked surface.
struct Plane {
  uint8_t* base;
  uint32_t stride;
  uint32_t width;
  uint32_t height;
};

Plane MemoryPlane(const BitMap* bitmap) {
  if (!bitmap) return {nullptr, 0, 0, 0};
  return {bitmap->Pixels, bitmap->BytesPerRow, bitmap->BytesPerRow, bitmap->Rows};
}

// Locks the bitmap's whole surface, waiting while it is busy. The address is
// used for this call only; Pixels keeps its value.
bool LockPlane(const BitMap* bitmap, Plane* plane) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  if (bitmap->Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
  plane->base = static_cast<uint8_t*>(desc.lpSurface);
  plane->stride = static_cast<uint32_t>(desc.lPitch);
  plane->width = std::min<uint32_t>(desc.dwWidth, bitmap->BytesPerRow);
  plane->height = std::min<uint32_t>(desc.dwHeight, bitmap->Rows);
  return true;
}

void UnlockPlane(const BitMap* bitmap) { bitmap->Surface->Unlock(nullptr); }

uint32_t Room(uint32_t extent, uint32_t at) { return at < extent ? extent - at : 0; }

// Copies width x height from (sx, sy) of source to (dx, dy) of destination,
// row by row from the top, leaving destination bytes alone where the source
// has the mask colour (kOpaque: none). The rectangle is cut where it leaves
// either plane.
void CopyRect(const Plane& source, uint32_t sx, uint32_t sy, const Plane& destination,
              uint32_t dx, uint32_t dy, uint32_t width, uint32_t height, int32_t mask) {
  if (!source.base || !destination.base) return;
  width = std::min({width, Room(source.width, sx), Room(destination.width, dx)});
  height = std::min({height, Room(source.height, sy), Room(destination.height, dy)});
  if (width == 0 || height == 0) return;
  const uint8_t* from = source.base + size_t{sy} * source.stride + sx;
  uint8_t* to = destination.base + size_t{dy} * destination.stride + dx;
  // A mask colour above 255 never matches a pixel: the copy is opaque.
  if (mask < 0 || mask > 255) {
    CopyOpaqueRows(from, source.stride, to, destination.stride, width, height);
    return;
  }
  CopyMaskedRows(from, source.stride, to, destination.stride, width, height, static_cast<uint8_t>(mask));
}

// The graphic of id, loading it when the slot is empty; *loadedHere tells
// whether the caller has to drop it again.
BitMap* FetchGraphic(uint32_t id, bool* loadedHere) {
  *loadedHere = false;
  if (BitMap* graphic = PictureOf(id)) return graphic;
  if (!OpenKadunGfx(kPicturePathList, id)) return nullptr;
  *loadedHere = true;
  return PictureOf(id);
}

void DropGraphic(uint32_t id, bool loadedHere) {
  if (loadedHere) ReleaseGfx(id);
}

// The destination bitmap of an object blit's rastport (null = the screen).
BitMap* DestinationOf(RastPort* rastPort) {
  if (!rastPort) rastPort = ScreenRastPort();
  return rastPort ? rastPort->BitMap : nullptr;
}

// The surface-to-surface copy of DirectDraw: no transparent colour.
void SurfaceBlt(BitMap* source, uint32_t sx, uint32_t sy, BitMap* destination, uint32_t dx,
                uint32_t dy, uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return;
  RECT to = {static_cast<LONG>(dx), static_cast<LONG>(dy), static_cast<LONG>(dx + width),
             static_cast<LONG>(dy + height)};
  RECT from = {static_cast<LONG>(sx), static_cast<LONG>(sy), static_cast<LONG>(sx + width),
               static_cast<LONG>(sy + height)};
  destination->Surface->Blt(&to, source->Surface, &from, DDBLT_WAIT, nullptr);
}

}  // namespace

void DXBlitObjektM2S(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height) {
  BitMap* graphic = PictureOf(id);
  BitMap* destination = DestinationOf(rastPort);
  if (!graphic || !destination) return;
  if (!destination->Surface) {
    CopyRect(MemoryPlane(graphic), 0, 0, MemoryPlane(destination), x, y, width, height, kOpaque);
    return;
  }
  RestoreSurfaces();
  Plane to;
  if (!LockPlane(destination, &to)) {
    std::printf("DXBlitObjektM2S:Konnte Surface nicht locken!");
    return;
  }
  CopyRect(MemoryPlane(graphic), 0, 0, to, x, y, width, height, kOpaque);
  UnlockPlane(destination);
}

void DXBlitObjektS2M(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height) {
  BitMap* graphic = PictureOf(id);
  BitMap* destination = DestinationOf(rastPort);
  if (!graphic || !destination) return;
  if (!graphic->Surface) {
    CopyRect(MemoryPlane(graphic), 0, 0, MemoryPlane(destination), x, y, width, height, kOpaque);
    return;
  }
  RestoreSurfaces();
  Plane from;
  if (!LockPlane(graphic, &from)) {
    std::printf("DXBlitObjektS2M:Konnte Surface nicht locken!");
    return;
  }
  CopyRect(from, 0, 0, MemoryPlane(destination), x, y, width, height, kOpaque);
  UnlockPlane(graphic);
}

void DXBlitObjektM2M(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height) {
  BitMap* graphic = PictureOf(id);
  BitMap* destination = DestinationOf(rastPort);
  if (!graphic || !destination) return;
  CopyRect(MemoryPlane(graphic), 0, 0, MemoryPlane(destination), x, y, width, height, kOpaque);
}

void DXBlitObjektS2S(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                     uint32_t height) {
  BitMap* graphic = PictureOf(id);
  BitMap* destination = DestinationOf(rastPort);
  if (!graphic || !destination) return;
  if (!graphic->Surface || !destination->Surface) {
    DXBlitObjektM2M(rastPort, id, x, y, width, height);
    return;
  }
  RestoreSurfaces();
  SurfaceBlt(graphic, 0, 0, destination, x, y, width, height);
}

int32_t BlitObjekt(RastPort* rastPort, uint32_t id, uint32_t x, uint32_t y, uint32_t width,
                   uint32_t height) {
  bool loadedHere;
  BitMap* graphic = FetchGraphic(id, &loadedHere);
  if (!graphic) {
    std::printf("BlitObjekt: Konnte die Grafik nicht direkt laden!\n");
    return 0;
  }
  if (!rastPort) rastPort = ScreenRastPort();
  BitMap* destination = rastPort ? rastPort->BitMap : nullptr;
  if (!destination) {  // no screen (or a rastport without bitmap): nowhere to draw
    DropGraphic(id, loadedHere);
    return 0;
  }
  if (width == 0) width = graphic->BytesPerRow;
  if (height == 0) height = graphic->Rows;
  if (x > destination->BytesPerRow || y > destination->Rows) {
    std::printf("BlitObjekt: Parameter " "\xdc" "ber" "\xfc" "rufen !");
    DropGraphic(id, loadedHere);
    return 0;
  }
  if (uint64_t{x} + width > destination->BytesPerRow) width = destination->BytesPerRow - x;
  if (uint64_t{y} + height > destination->Rows) height = destination->Rows - y;

  const bool toScreen = IsScreenRastPort(rastPort);
  if (PresenterChoice == kPresenterDirectDraw) {
    if (toScreen || (destination->Surface && !graphic->Surface)) {
      DXBlitObjektM2S(rastPort, id, x, y, width, height);
    } else if (destination->Surface) {
      DXBlitObjektS2S(rastPort, id, x, y, width, height);
    } else if (graphic->Surface) {
      DXBlitObjektS2M(rastPort, id, x, y, width, height);
    } else {
      DXBlitObjektM2M(rastPort, id, x, y, width, height);
    }
  } else {
    CopyRect(MemoryPlane(graphic), 0, 0, MemoryPlane(destination), x, y, width, height, kOpaque);
  }
  if (toScreen) {
    UpdateRectangle(static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(width),
                    static_cast<int32_t>(height));
  }
  DropGraphic(id, loadedHere);
  return 1;
}

void DXBlitObjektMask(RastPort* rastPort, uint32_t id, uint16_t mask, uint32_t x, uint32_t y,
                      uint32_t width, uint32_t height) {
  BitMap* graphic = PictureOf(id);
  BitMap* destination = DestinationOf(rastPort);
  if (!graphic || !destination) return;
  if (graphic->Surface && destination->Surface) {
    RestoreSurfaces();
    SurfaceBlt(graphic, 0, 0, destination, x, y, width, height);
    return;
  }
  if (graphic->Surface || destination->Surface) RestoreSurfaces();
  Plane from = MemoryPlane(graphic);
  if (graphic->Surface && !LockPlane(graphic, &from)) {
    std::printf("DXBlitObjektMask:Konnte Source Surface nicht locken.\n");
    return;
  }
  Plane to = MemoryPlane(destination);
  if (destination->Surface && !LockPlane(destination, &to)) {
    std::printf("DXBlitObjektMask:Konnte Destination Surface nicht locken.\n");
    if (graphic->Surface) UnlockPlane(graphic);
    return;
  }
  CopyRect(from, 0, 0, to, x, y, width, height, mask);
  if (destination->Surface) UnlockPlane(destination);
  if (graphic->Surface) UnlockPlane(graphic);
}

void BlitObjektMask(RastPort* rastPort, uint32_t id, uint16_t mask, uint32_t x, uint32_t y,
                    uint32_t width, uint32_t height) {
  bool loadedHere;
  BitMap* graphic = FetchGraphic(id, &loadedHere);
  if (!graphic) return;
  if (!rastPort) rastPort = ScreenRastPort();
  if (width == 0) width = graphic->BytesPerRow;
  if (height == 0) height = graphic->Rows;
  if (rastPort && rastPort->BitMap) {
    if (PresenterChoice == kPresenterDirectDraw) {
      DXBlitObjektMask(rastPort, id, mask, x, y, width, height);
    } else {
      CopyRect(MemoryPlane(graphic), 0, 0, MemoryPlane(rastPort->BitMap), x, y, width, height,
               mask);
    }
  }
  DropGraphic(id, loadedHere);
  if (IsScreenRastPort(rastPort)) {
    UpdateRectangle(static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(width),
                    static_cast<int32_t>(height));
  }
}

namespace {

// The label of a gadget graphic: centred both ways in the graphic's
// rectangle, background transparent, pen 7.
void DrawLabel(RastPort* rastPort, uint16_t x, uint16_t y, uint16_t width, uint16_t height,
               const char* text) {
  if (!text) return;
  DrawAlignedText(rastPort, x, y, static_cast<uint16_t>(x + width),
                  static_cast<uint16_t>(y + height), text, 0, 7, 37);
}

void BlitWithLabel(RastPort* rastPort, uint32_t id, const char* text, uint16_t x, uint16_t y,
                   uint16_t width, uint16_t height, bool masked) {
  if (!rastPort) rastPort = ScreenRastPort();
  if (!rastPort) return;
  bool loadedHere;
  BitMap* graphic = FetchGraphic(id, &loadedHere);
  if (!graphic) return;
  if (!masked) BlitObjekt(rastPort, id, x, y, width, height);
  SetDrMd(rastPort, JAM1);
  if (width == 0) width = static_cast<uint16_t>(graphic->BytesPerRow);
  if (height == 0) height = static_cast<uint16_t>(graphic->Rows);
  if (masked) BlitObjektMask(rastPort, id, 0, x, y, width, height);
  DrawLabel(rastPort, x, y, width, height, text);
  SetDrMd(rastPort, JAM2);
  DropGraphic(id, loadedHere);
}

}  // namespace

void BlitObjektText(RastPort* rastPort, uint32_t id, const char* text, uint16_t x, uint16_t y,
                    uint16_t width, uint16_t height) {
  BlitWithLabel(rastPort, id, text, x, y, width, height, false);
}

void BlitObjektMaskText(RastPort* rastPort, uint32_t id, const char* text, uint16_t x, uint16_t y,
                        uint16_t width, uint16_t height) {
  BlitWithLabel(rastPort, id, text, x, y, width, height, true);
}

uint16_t DXBltBitMap(BitMap* source, uint16_t sx, uint16_t sy, BitMap* destination, uint16_t dx,
                     uint16_t dy, uint16_t width, uint16_t height) {
  if (!destination) destination = ScreenBitMap();
  if (!source || !destination) return 1;
  if (source->Surface && destination->Surface) {
    RestoreSurfaces();
    SurfaceBlt(source, sx, sy, destination, dx, dy, width, height);
  } else if (source->Surface) {
    std::printf("RICHTIGER ZWEIG!");
    RestoreSurfaces();
    Plane from;
    if (!LockPlane(source, &from)) {
      std::printf("DXBltBitMap:Konnte Surface nicht locken!");
      return 1;
    }
    CopyRect(from, sx, sy, MemoryPlane(destination), dx, dy, width, height, kOpaque);
    UnlockPlane(source);
  } else if (destination->Surface) {
    RestoreSurfaces();
    Plane to;
    if (!LockPlane(destination, &to)) {
      std::printf("DXBltBitMap:Konnte Surface nicht locken!");
      return 1;
    }
    CopyRect(MemoryPlane(source), sx, sy, to, dx, dy, width, height, kOpaque);
    UnlockPlane(destination);
  } else {
    CopyRect(MemoryPlane(source), sx, sy, MemoryPlane(destination), dx, dy, width, height, kOpaque);
  }
  return 1;
}

uint16_t BltBitMap(BitMap* source, uint16_t sx, uint16_t sy, BitMap* destination, uint16_t dx,
                   uint16_t dy, uint16_t width, uint16_t height) {
  if (!destination) destination = ScreenBitMap();
  if (source && destination) {
    if (PresenterChoice == kPresenterDirectDraw) {
      DXBltBitMap(source, sx, sy, destination, dx, dy, width, height);
    } else {
      CopyRect(MemoryPlane(source), sx, sy, MemoryPlane(destination), dx, dy, width, height,
               kOpaque);
    }
  }
  if (destination && destination == ScreenBitMap()) UpdateRectangle(dx, dy, width, height);
  return 1;
}

}  // namespace vsk
