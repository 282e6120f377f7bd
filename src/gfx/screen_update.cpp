// Changed screen areas to the display, the mouse pointer and palette
// entries.
//
// OpenGL mode: the presenter redraws the whole screen every frame, so an
// update is only a posted message, the pointer is PointerImage and colours go
// to GLColors. DirectDraw mode: the screen lives in OffscreenSurface; every
// update copies its rectangle to PrimarySurface and paints the pointer from
// PointerSurface on top (the pointer never enters the off-screen surface).
#include "gfx/screen_update.h"

#include <ddraw.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

constexpr int32_t kPointerWidth = 32;
constexpr int32_t kPointerHeight = 27;
constexpr uint32_t kPointerBytes = kPointerWidth * kPointerHeight;  // 864
const char kPointerFile[] = "./pics/cursor01.chk";

bool DirectDrawMode() { return PresenterChoice == kPresenterDirectDraw; }

ColorEntry* ColorsOf(Screen* screen) {
  return screen && screen->Colors ? screen->Colors : ScreenColors;
}

// Paints the pointer at its position on the primary surface, cut off at the
// right and bottom edges of the display. A failing blit is ignored.
void DrawPointer() {
  if (!PrimarySurface || !PointerSurface) return;
  const int32_t x = PointerX.load();
  const int32_t y = PointerY.load();
  const int32_t width = x + kPointerWidth >= static_cast<int32_t>(kScreenWidth)
                            ? static_cast<int32_t>(kScreenWidth) - x
                            : kPointerWidth;
  const int32_t height = y + kPointerHeight >= static_cast<int32_t>(kScreenHeight)
                             ? static_cast<int32_t>(kScreenHeight) - y
                             : kPointerHeight;
  RECT source{0, 0, width, height};
  PrimarySurface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), PointerSurface, &source,
                          DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
}

// Hands entries of the colour table to the display palette (DirectDraw) or
// to the OpenGL presenter's copy. False when DirectDraw refused them.
bool ShowEntries(ColorEntry* colors, uint32_t first, uint32_t count) {
  if (DirectDrawMode()) {
    if (!DDPalette) return true;
    return SUCCEEDED(DDPalette->SetEntries(0, first, count, reinterpret_cast<LPPALETTEENTRY>(colors + first)));
  }
  std::memcpy(GLColors + first, colors + first, count * sizeof(ColorEntry));
  return true;
}

}  // namespace

void UpdateRectangle(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!DirectDrawMode()) {
    // 32-bit words as the presenter unpacks them: x and width high, y and
    // height low.
    const DWORD position = static_cast<DWORD>(x) * 65536u + static_cast<DWORD>(y);
    const DWORD size = static_cast<DWORD>(width) * 65536u + static_cast<DWORD>(height);
    PostMessageA(WindowHandle, WM_USER + 1, static_cast<WPARAM>(position), static_cast<LPARAM>(size));
    return;
  }
  RestoreSurfaces();
  if (!PrimarySurface || !OffscreenSurface) return;
  RECT area{x, y, x + width, y + height};
  if (FAILED(PrimarySurface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), OffscreenSurface, &area,
                                     DDBLTFAST_WAIT)) &&
      FAILED(PrimarySurface->Blt(&area, OffscreenSurface, &area, DDBLT_WAIT, nullptr))) {
    std::printf("UpdateRectangle: 000 .\n");
    return;
  }
  DrawPointer();
}

void GetMouse(const char* fileName) {
  uint32_t length = 0;
  auto* image = static_cast<uint8_t*>(LoadFile(fileName, MEMF_PUBLIC, &length));
  // The image is 27 rows of 32 indexes without a header; a shorter file
  // has no pointer in it.
  if (!image || length < kPointerBytes) {
    std::printf("GetMouse: Konnte Mouse Grafik nicht laden!\n");
    FreeVec(image);
    return;
  }
  if (DirectDrawMode()) {
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof(description);
    if (!PointerSurface || FAILED(PointerSurface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr))) {
      std::printf("GetMouse:Konnte Surface nicht locken!\n");
      FreeVec(image);
      return;
    }
    auto* row = static_cast<uint8_t*>(description.lpSurface);
    for (int32_t y = 0; y < kPointerHeight; ++y) {
      std::memcpy(row, image + y * kPointerWidth, kPointerWidth);
      row += description.lPitch;
    }
    PointerSurface->Unlock(nullptr);
  } else if (PointerImage) {
    std::memcpy(PointerImage, image, kPointerBytes);
  }
  FreeVec(image);
}

void MovePointer(int32_t lParam) {
  const int32_t x = static_cast<int32_t>(static_cast<uint32_t>(lParam) & 0xFFFFu);
  const int32_t y = static_cast<int32_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFFu);
  if (!DirectDrawMode()) {
    PointerX = x;
    PointerY = y;
    return;
  }
  RestoreSurfaces();
  const int32_t oldX = PointerX.load();
  const int32_t oldY = PointerY.load();
  if (PrimarySurface && OffscreenSurface) {
    // Put the screen back where the pointer was.
    RECT old{oldX, oldY, std::min(oldX + kPointerWidth, static_cast<int32_t>(kScreenWidth)),
             std::min(oldY + kPointerHeight, static_cast<int32_t>(kScreenHeight))};
    PrimarySurface->BltFast(static_cast<DWORD>(oldX), static_cast<DWORD>(oldY), OffscreenSurface, &old,
                            DDBLTFAST_WAIT);
  }
  PointerX = x;
  PointerY = y;
  RestoreSurfaces();
  DrawPointer();
}

void RestoreSurfaces() {
  if (!DirectDrawMode()) return;
  if (PointerSurface && PointerSurface->IsLost() == DDERR_SURFACELOST) {
    PointerSurface->Restore();
    GetMouse(kPointerFile);
  }
  if (PrimarySurface && PrimarySurface->IsLost() == DDERR_SURFACELOST) {
    PrimarySurface->Restore();
    if (DDObject) DDObject->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    // The whole screen again, then the whole pointer over it.
    if (OffscreenSurface) PrimarySurface->Blt(nullptr, OffscreenSurface, nullptr, 0x10, nullptr);
    if (PointerSurface)
      PrimarySurface->BltFast(static_cast<DWORD>(PointerX.load()), static_cast<DWORD>(PointerY.load()),
                              PointerSurface, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
  }
}

RastPort* NewRastPort(BitMap* bitmap) {
  auto* port = static_cast<RastPort*>(AllocVec(sizeof(RastPort), MEMF_CLEAR));
  if (!port) return nullptr;
  InitRastPort(port);
  port->BitMap = bitmap;
  return port;
}

void StoreRGB8(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue) {
  if (color > 255) return;  // the table has 256 entries
  ColorEntry* colors = ColorsOf(screen);
  colors[color].red = static_cast<uint8_t>(red);
  colors[color].green = static_cast<uint8_t>(green);
  colors[color].blue = static_cast<uint8_t>(blue);
}

void ShowColors(Screen* screen, uint32_t first, uint32_t count) {
  if (first > 255 || count == 0) return;
  ShowEntries(ColorsOf(screen), first, std::min<uint32_t>(count, 256 - first));
}

void SetRGB8(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue) {
  if (color > 255) return;
  StoreRGB8(screen, color, red, green, blue);
  ShowEntries(ColorsOf(screen), color, 1);
}

void SetRGB4(Screen* screen, uint32_t color, uint32_t red, uint32_t green, uint32_t blue) {
  SetRGB8(screen, color, red << 4, green << 4, blue << 4);
}

void LoadRGB32(Screen* screen, const void* table) {
  if (!table) return;
  ColorEntry* colors = ColorsOf(screen);
  const auto* at = static_cast<const uint8_t*>(table);
  uint32_t runs = 0;
  uint32_t runFirst = 0;
  uint32_t runCount = 0;
  for (;;) {
    uint16_t count = 0;
    uint16_t first = 0;
    std::memcpy(&count, at, 2);
    if (count == 0) break;
    std::memcpy(&first, at + 2, 2);
    at += 4;
    for (uint32_t i = 0; i < count; ++i, at += 12) {
      // Colours past the end of the table are passed over.
      if (first + i > 255) continue;
      uint32_t rgb[3];
      std::memcpy(rgb, at, sizeof(rgb));
      ColorEntry& entry = colors[first + i];
      entry.red = static_cast<uint8_t>(rgb[0] >> 24);
      entry.green = static_cast<uint8_t>(rgb[1] >> 24);
      entry.blue = static_cast<uint8_t>(rgb[2] >> 24);
      entry.flags = 0;
    }
    ++runs;
    runFirst = first;
    runCount = count;
  }
  bool shown;
  if (DirectDrawMode() && runs == 1) {
    if (runFirst > 255) return;
    shown = ShowEntries(colors, runFirst, std::min<uint32_t>(runCount, 256 - runFirst));
  } else {
    shown = ShowEntries(colors, 0, 256);
  }
  if (!shown) std::printf("LoadRGB32: Konnte Palette nicht setzen.\n");
}

}  // namespace vsk
