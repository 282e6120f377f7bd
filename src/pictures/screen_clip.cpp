#include "pictures/screen_clip.h"

#include <ddraw.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "core/presenter_state.h"
#include "gfx/screen_update.h"
#include "pictures/blit.h"
#include "services/memory.h"

namespace vsk {

namespace {

constexpr uint32_t kSavedPaletteBytes = 768;  // the screen picture's palette

bool DirectDrawMode() { return PresenterChoice == kPresenterDirectDraw; }

}  // namespace

BitMap* ScreenSaveClip(uint16_t x, uint16_t y, uint16_t width, uint16_t height) {
  BitMap* screen = TheScreen ? TheScreen->BitMap : nullptr;
  if (!screen) return nullptr;
  const uint32_t size = static_cast<uint32_t>(width) * height;
  auto* saved = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_CLEAR));
  if (!saved) return nullptr;
  saved->Ident = screen->Ident;
  saved->Depth = screen->Depth;
  saved->Flags = screen->Flags;
  saved->PaletteSize = screen->PaletteSize;
  saved->BytesPerRow = width;
  saved->Rows = height;
  saved->PixelSize = size;
  saved->Pixels = static_cast<uint8_t*>(AllocVec(size, MEMF_CLEAR));
  saved->Palette = static_cast<uint8_t*>(AllocVec(kSavedPaletteBytes, MEMF_CLEAR));
  if (!saved->Pixels || !saved->Palette) {
    FreeBitMap(saved);
    return nullptr;
  }
  if (screen->Palette) std::memcpy(saved->Palette, screen->Palette, kSavedPaletteBytes);

  const uint8_t* source = nullptr;
  uint32_t stride = 0;
  uint32_t sourceWidth = 0;
  uint32_t sourceRows = 0;
  const bool locked = DirectDrawMode() && screen->Surface;
  DDSURFACEDESC2 description{};
  if (locked) {
    RestoreSurfaces();
    description.dwSize = sizeof(description);
    if (FAILED(screen->Surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr))) {
      std::printf("ScreenSaveClip:Konnte Surface nicht locken!");
      FreeBitMap(saved);
      return nullptr;
    }
    source = static_cast<const uint8_t*>(description.lpSurface);
    stride = static_cast<uint32_t>(description.lPitch);
    sourceWidth = description.dwWidth;
    sourceRows = description.dwHeight;
  } else {
    source = screen->Pixels;
    stride = screen->BytesPerRow;
    sourceWidth = screen->BytesPerRow;
    sourceRows = screen->Rows;
  }
  // Only the part of the area that lies on the screen is copied; the rest
  // of the saved area stays 0.
  if (source && x < sourceWidth && y < sourceRows) {
    const uint32_t columns = std::min<uint32_t>(width, sourceWidth - x);
    const uint32_t rows = std::min<uint32_t>(height, sourceRows - y);
    for (uint32_t row = 0; row < rows; ++row)
      std::memcpy(saved->Pixels + row * width, source + (y + row) * stride + x, columns);
  }
  if (locked) screen->Surface->Unlock(nullptr);
  return saved;
}

void RestoreScreenClip(BitMap* saved, uint16_t x, uint16_t y, uint16_t width, uint16_t height) {
  if (!saved) return;
  BltBitMap(saved, 0, 0, nullptr, x, y, width, height);
  FreeBitMap(saved);
}

}  // namespace vsk
