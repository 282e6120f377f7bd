#include "support/screen_fixture.h"

#include <windows.h>
#include <ddraw.h>

#include <cstring>
#include <ostream>

#include "core/dd_objects.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"

namespace vsk::test {

namespace {

const char kWindowClass[] = "VeskariaScreenTest";
int32_t gPreviousPresenter = kPresenterDirectDraw;
bool gClassRegistered = false;

LRESULT CALLBACK ScreenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateTestWindow() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = ScreenWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  gClassRegistered = RegisterClassA(&windowClass) != 0;
  EXPECT_TRUE(gClassRegistered);
  if (!gClassRegistered) return false;
  WindowHandle = CreateWindowExA(WS_EX_APPWINDOW, kWindowClass, "Veskaria / Test",
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, kScreenWidth,
                                 kScreenHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  EXPECT_NE(WindowHandle, nullptr);
  return WindowHandle != nullptr;
}

IDirectDrawSurface7* CreatePlainSurface(DWORD width, DWORD height, DWORD memory) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory;
  desc.dwWidth = width;
  desc.dwHeight = height;
  IDirectDrawSurface7* surface = nullptr;
  if (DDObject->CreateSurface(&desc, &surface, nullptr) != DD_OK) return nullptr;
  return surface;
}

void ClearSurface(IDirectDrawSurface7* surface, DWORD rows) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return;
  std::memset(desc.lpSurface, 0, static_cast<size_t>(desc.lPitch) * rows);
  surface->Unlock(nullptr);
}

// The DirectDraw presenter's objects, in its order.
bool CreateDirectDrawObjects() {
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&DDObject), IID_IDirectDraw7, nullptr), DD_OK);
  if (!DDObject) return false;
  EXPECT_EQ(DDObject->SetCooperativeLevel(WindowHandle, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED),
            DD_OK);
  EXPECT_EQ(DDObject->SetDisplayMode(kScreenWidth, kScreenHeight, 8, 0, 0), DD_OK);

  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  EXPECT_EQ(DDObject->CreateSurface(&desc, &PrimarySurface, nullptr), DD_OK);
  OffscreenSurface = CreatePlainSurface(kScreenWidth, kScreenHeight, DDSCAPS_SYSTEMMEMORY);
  PointerSurface = CreatePlainSurface(32, 27, DDSCAPS_VIDEOMEMORY);
  if (!PointerSurface) PointerSurface = CreatePlainSurface(32, 27, DDSCAPS_SYSTEMMEMORY);
  EXPECT_NE(PrimarySurface, nullptr);
  EXPECT_NE(OffscreenSurface, nullptr);
  EXPECT_NE(PointerSurface, nullptr);
  if (!PrimarySurface || !OffscreenSurface || !PointerSurface) return false;
  DDCOLORKEY key{0, 0};
  PointerSurface->SetColorKey(DDCKEY_SRCBLT, &key);
  // A transparent pointer, so it never hides what a test reads back.
  ClearSurface(PointerSurface, 27);
  ClearSurface(OffscreenSurface, kScreenHeight);
  ClearSurface(PrimarySurface, kScreenHeight);

  EXPECT_EQ(DDObject->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, reinterpret_cast<LPPALETTEENTRY>(ScreenColors),
                                    &DDPalette, nullptr),
            DD_OK);
  if (!DDPalette) return false;
  EXPECT_EQ(PrimarySurface->SetPalette(DDPalette), DD_OK);
  return true;
}

void ReleaseDirectDrawObjects() {
  if (PointerSurface) PointerSurface->Release();
  PointerSurface = nullptr;
  if (OffscreenSurface) OffscreenSurface->Release();
  OffscreenSurface = nullptr;
  if (PrimarySurface) PrimarySurface->Release();
  PrimarySurface = nullptr;
  if (DDPalette) DDPalette->Release();
  DDPalette = nullptr;
  if (DDObject) DDObject->Release();
  DDObject = nullptr;
}

// The screen record as the picture bank makes it: own pixel block, and in
// DirectDraw mode the off-screen surface as the bitmap's surface.
bool CreateScreen() {
  auto* screen = static_cast<Screen*>(AllocVec(sizeof(Screen), MEMF_CLEAR));
  auto* bitmap = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_CLEAR));
  auto* pixels = static_cast<uint8_t*>(AllocVec(kScreenWidth * kScreenHeight, MEMF_CLEAR));
  EXPECT_TRUE(screen && bitmap && pixels);
  if (!screen || !bitmap || !pixels) {
    FreeVec(screen);
    FreeVec(bitmap);
    FreeVec(pixels);
    return false;
  }
  bitmap->BytesPerRow = kScreenWidth;
  bitmap->Rows = kScreenHeight;
  bitmap->Depth = 8;
  bitmap->Flags = 1;
  bitmap->Pixels = pixels;
  bitmap->PixelSize = kScreenWidth * kScreenHeight;
  if (PresenterChoice == kPresenterDirectDraw) bitmap->Surface = OffscreenSurface;
  screen->Colors = ScreenColors;
  screen->BitMap = bitmap;
  InitRastPort(&screen->RastPort);
  screen->RastPort.BitMap = bitmap;
  TheScreen = screen;
  return true;
}

void DestroyScreen() {
  if (!TheScreen) return;
  BitMap* bitmap = TheScreen->BitMap;
  if (bitmap) {
    FreeVec(bitmap->Pixels);
    FreeVec(bitmap->Palette);
    FreeVec(bitmap);
  }
  FreeVec(TheScreen);
  TheScreen = nullptr;
}

bool LockForTest(IDirectDrawSurface7* surface, DDSURFACEDESC2* desc) {
  std::memset(desc, 0, sizeof *desc);
  desc->dwSize = sizeof *desc;
  return surface->Lock(nullptr, desc, DDLOCK_WAIT, nullptr) == DD_OK;
}

}  // namespace

void PrintTo(const UpdateRect& rect, std::ostream* os) {
  *os << "(" << rect.x << ", " << rect.y << ", " << rect.width << ", " << rect.height << ")";
}

bool SetUpScreen(int32_t presenter) {
  gPreviousPresenter = PresenterChoice;
  PresenterChoice = presenter;
  for (ColorEntry& entry : ScreenColors) entry = ColorEntry{};
  std::memcpy(GLColors, ScreenColors, sizeof GLColors);
  // Out of the way in the bottom right corner (and transparent anyway).
  PointerX = static_cast<int32_t>(kScreenWidth) - 32;
  PointerY = static_cast<int32_t>(kScreenHeight) - 27;
  if (!CreateTestWindow()) return false;
  if (presenter == kPresenterDirectDraw && !CreateDirectDrawObjects()) return false;
  if (!CreateScreen()) return false;
  (void)TakeUpdates();
  return true;
}

void TearDownScreen() {
  FailAllocVecAt(0);
  DestroyScreen();
  ReleaseDirectDrawObjects();
  platform::testing::ResetDirectDraw();
  if (WindowHandle) DestroyWindow(WindowHandle);
  WindowHandle = nullptr;
  if (gClassRegistered) UnregisterClassA(kWindowClass, GetModuleHandleA(nullptr));
  gClassRegistered = false;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  PresenterChoice = gPreviousPresenter;
}

std::vector<UpdateRect> TakeUpdates() {
  std::vector<UpdateRect> rects;
  if (!WindowHandle) return rects;
  MSG msg;
  while (PeekMessageA(&msg, WindowHandle, WM_USER + 1, WM_USER + 1, PM_REMOVE)) {
    const auto position = static_cast<uint32_t>(msg.wParam);
    const auto size = static_cast<uint32_t>(msg.lParam);
    rects.push_back({static_cast<int32_t>(position >> 16), static_cast<int32_t>(position & 0xFFFF),
                     static_cast<int32_t>(size >> 16), static_cast<int32_t>(size & 0xFFFF)});
  }
  return rects;
}

uint8_t BitmapPixel(const BitMap* bitmap, int32_t x, int32_t y) {
  if (PresenterChoice == kPresenterDirectDraw && bitmap->Surface) {
    DDSURFACEDESC2 desc;
    if (!LockForTest(bitmap->Surface, &desc)) {
      ADD_FAILURE() << "surface lock failed";
      return 0;
    }
    uint8_t value = static_cast<uint8_t*>(desc.lpSurface)[static_cast<ptrdiff_t>(y) * desc.lPitch + x];
    bitmap->Surface->Unlock(nullptr);
    return value;
  }
  return bitmap->Pixels[static_cast<ptrdiff_t>(y) * bitmap->BytesPerRow + x];
}

std::vector<uint8_t> BitmapPixels(const BitMap* bitmap) {
  std::vector<uint8_t> pixels(static_cast<size_t>(bitmap->BytesPerRow) * bitmap->Rows);
  if (PresenterChoice == kPresenterDirectDraw && bitmap->Surface) {
    DDSURFACEDESC2 desc;
    if (!LockForTest(bitmap->Surface, &desc)) {
      ADD_FAILURE() << "surface lock failed";
      return pixels;
    }
    for (uint32_t row = 0; row < bitmap->Rows; ++row)
      std::memcpy(pixels.data() + static_cast<size_t>(row) * bitmap->BytesPerRow,
                  static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(row) * desc.lPitch,
                  bitmap->BytesPerRow);
    bitmap->Surface->Unlock(nullptr);
    return pixels;
  }
  std::memcpy(pixels.data(), bitmap->Pixels, pixels.size());
  return pixels;
}

void FillBitmap(BitMap* bitmap, uint8_t value) {
  if (PresenterChoice == kPresenterDirectDraw && bitmap->Surface) {
    DDSURFACEDESC2 desc;
    if (!LockForTest(bitmap->Surface, &desc)) {
      ADD_FAILURE() << "surface lock failed";
      return;
    }
    for (uint32_t row = 0; row < bitmap->Rows; ++row)
      std::memset(static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(row) * desc.lPitch, value,
                  bitmap->BytesPerRow);
    bitmap->Surface->Unlock(nullptr);
    return;
  }
  std::memset(bitmap->Pixels, value, static_cast<size_t>(bitmap->BytesPerRow) * bitmap->Rows);
}

uint8_t ScreenPixel(int32_t x, int32_t y) { return BitmapPixel(TheScreen->BitMap, x, y); }

uint8_t DisplayPixel(int32_t x, int32_t y) {
  if (PresenterChoice != kPresenterDirectDraw) return ScreenPixel(x, y);
  static std::vector<uint8_t> display(kScreenWidth * kScreenHeight);
  if (!platform::testing::PrimarySurfacePixels(display.data())) {
    ADD_FAILURE() << "no primary surface";
    return 0;
  }
  return display[static_cast<size_t>(y) * kScreenWidth + x];
}

std::string PresenterName(const ::testing::TestParamInfo<int32_t>& info) {
  return info.param == kPresenterDirectDraw ? "DirectDraw" : "OpenGL";
}

void ScreenTest::SetUp() {
  GameDirTest::SetUp();
  ASSERT_TRUE(SetUpScreen(Presenter()));
  blocksBefore_ = LiveAllocVecBlocks();
}

void ScreenTest::TearDown() {
  TearDownScreen();
  EXPECT_EQ(platform::testing::LiveDirectDrawObjects(), 0) << "a surface or palette was not released";
  GameDirTest::TearDown();
}

}  // namespace vsk::test
