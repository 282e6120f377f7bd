// DirectDraw over the emulated 640 x 480 x 8 display: surfaces with a pitch,
// Blt and BltFast with rectangles and colour keys, palettes, lost surfaces,
// the video-memory budget, reference counts, the device enumeration and
// IDirectDraw2 through COM, and the vertical blank.
#include <windows.h>
#include <ddraw.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing.h"

namespace {

using namespace std::chrono_literals;
namespace hooks = vsk::platform::testing;

class DirectDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd_), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  }

  void TearDown() override {
    for (IUnknown* object : owned_) object->Release();
    if (dd_) dd_->Release();
    EXPECT_EQ(hooks::LiveDirectDrawObjects(), 0);
    EXPECT_EQ(hooks::VideoMemoryInUse(), 0u);
    hooks::ResetDirectDraw();
    hooks::FailDisplayModeChanges(false);
  }

  // An off-screen plain surface; memory: DDSCAPS_SYSTEMMEMORY, _VIDEOMEMORY or 0.
  HRESULT Offscreen(DWORD width, DWORD height, DWORD memory, IDirectDrawSurface7** out) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory;
    HRESULT result = dd_->CreateSurface(&desc, out, nullptr);
    if (result == DD_OK) owned_.push_back(*out);
    return result;
  }
  IDirectDrawSurface7* Offscreen(DWORD width, DWORD height) {
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(Offscreen(width, height, DDSCAPS_SYSTEMMEMORY, &surface), DD_OK);
    return surface;
  }
  IDirectDrawSurface7* Primary() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface) owned_.push_back(surface);
    return surface;
  }

  // Every pixel (x, y) := f(x, y), through the lock's address and pitch.
  template <typename F>
  void Fill(IDirectDrawSurface7* surface, F f) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    auto* base = static_cast<uint8_t*>(desc.lpSurface);
    for (DWORD y = 0; y < desc.dwHeight; ++y)
      for (DWORD x = 0; x < desc.dwWidth; ++x) base[y * desc.lPitch + x] = static_cast<uint8_t>(f(x, y));
    ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
  }
  uint8_t Pixel(IDirectDrawSurface7* surface, DWORD x, DWORD y) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    uint8_t value = static_cast<uint8_t*>(desc.lpSurface)[y * desc.lPitch + x];
    surface->Unlock(nullptr);
    return value;
  }

  IDirectDraw7* dd_ = nullptr;
  std::vector<IUnknown*> owned_;
};

TEST_F(DirectDraw, LockReportsAddressPitchAndFormat) {
  IDirectDrawSurface7* surface = Offscreen(13, 5);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_NE(desc.lpSurface, nullptr);
  EXPECT_EQ(desc.dwWidth, 13u);
  EXPECT_EQ(desc.dwHeight, 5u);
  EXPECT_GT(desc.lPitch, 13) << "rows are padded: code must use the pitch";
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u);
  EXPECT_TRUE(desc.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
  EXPECT_TRUE(desc.dwFlags & DDSD_LPSURFACE);
  EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);

  DDSURFACEDESC2 again{};
  again.dwSize = sizeof again;
  EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
  again.dwSize = sizeof again - 4;
  EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);

  // Content stays between locks; a rectangle lock starts at its corner.
  Fill(surface, [](DWORD x, DWORD y) { return y * 16 + x; });
  RECT part{2, 3, 5, 5};
  again.dwSize = sizeof again;
  ASSERT_EQ(surface->Lock(&part, &again, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(*static_cast<uint8_t*>(again.lpSurface), 3 * 16 + 2);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED) << "a rectangle lock is undone by its rectangle";
  EXPECT_EQ(surface->Unlock(&part), DD_OK);
  RECT outside{10, 0, 14, 1};
  EXPECT_EQ(surface->Lock(&outside, &again, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DirectDraw, OnePrimarySurfaceThatTheHooksRead) {
  IDirectDrawSurface7* primary = Primary();
  ASSERT_NE(primary, nullptr);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* second = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  EXPECT_EQ(second, nullptr);

  Fill(primary, [](DWORD x, DWORD y) { return x ^ y; });
  std::vector<uint8_t> shown(640 * 480);
  ASSERT_TRUE(hooks::PrimarySurfacePixels(shown.data()));
  EXPECT_EQ(shown[0], 0);
  EXPECT_EQ(shown[479 * 640 + 639], (639 ^ 479) & 0xFF);
  EXPECT_EQ(shown[7 * 640 + 300], (300 ^ 7) & 0xFF);
  uint8_t entries[1024];
  EXPECT_FALSE(hooks::PrimarySurfacePalette(entries)) << "no palette attached yet";
}

TEST_F(DirectDraw, BltFastCopiesRectanglesAndHonoursTheSourceKey) {
  IDirectDrawSurface7* target = Offscreen(20, 10);
  IDirectDrawSurface7* source = Offscreen(5, 3);
  Fill(target, [](DWORD, DWORD) { return 9; });
  Fill(source, [](DWORD x, DWORD) { return x % 2 ? 0 : 7; });  // columns 1 and 3 are 0

  RECT part{0, 0, 5, 3};
  ASSERT_EQ(target->BltFast(2, 4, source, &part, DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(Pixel(target, 3, 4), 0) << "opaque copy";
  EXPECT_EQ(Pixel(target, 2, 6), 7);
  EXPECT_EQ(Pixel(target, 7, 4), 9) << "right of the rectangle";
  EXPECT_EQ(Pixel(target, 2, 7), 9) << "below the rectangle";

  EXPECT_EQ(target->BltFast(10, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
  DDCOLORKEY key{0, 0};
  ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  ASSERT_EQ(target->BltFast(10, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(Pixel(target, 10, 0), 7);
  EXPECT_EQ(Pixel(target, 11, 0), 9) << "key colour 0 is transparent";
  EXPECT_EQ(Pixel(target, 13, 2), 9);
  EXPECT_EQ(Pixel(target, 14, 2), 7);
  DDCOLORKEY read{};
  ASSERT_EQ(source->GetColorKey(DDCKEY_SRCBLT, &read), DD_OK);
  EXPECT_EQ(read.dwColorSpaceLowValue, 0u);
  EXPECT_EQ(read.dwColorSpaceHighValue, 0u);
}

TEST_F(DirectDraw, BltCopiesWholeSurfacesAndIgnoresEffectFlags) {
  IDirectDrawSurface7* primary = Primary();
  IDirectDrawSurface7* screen = Offscreen(640, 480);
  Fill(screen, [](DWORD x, DWORD y) { return x + 3 * y; });
  // The repaint after a lost primary surface: no rectangles, flags 0x10.
  ASSERT_EQ(primary->Blt(nullptr, screen, nullptr, 0x10, nullptr), DD_OK);
  std::vector<uint8_t> shown(640 * 480);
  ASSERT_TRUE(hooks::PrimarySurfacePixels(shown.data()));
  EXPECT_EQ(shown[100 * 640 + 17], static_cast<uint8_t>(17 + 300));

  Fill(primary, [](DWORD, DWORD) { return 1; });
  RECT rect{600, 400, 640, 480};
  ASSERT_EQ(primary->Blt(&rect, screen, &rect, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Pixel(primary, 599, 479), 1);
  EXPECT_EQ(Pixel(primary, 639, 479), static_cast<uint8_t>(639 + 3 * 479));

  // Overlapping copies within one surface read the source first.
  IDirectDrawSurface7* strip = Offscreen(8, 1);
  Fill(strip, [](DWORD x, DWORD) { return x; });
  RECT from{0, 0, 6, 1}, to{2, 0, 8, 1};
  ASSERT_EQ(strip->Blt(&to, strip, &from, DDBLT_WAIT, nullptr), DD_OK);
  for (DWORD x = 2; x < 8; ++x) EXPECT_EQ(Pixel(strip, x, 0), x - 2);
}

TEST_F(DirectDraw, RectanglesOutsideTheSurfacesAreRefused) {
  IDirectDrawSurface7* target = Offscreen(16, 8);
  IDirectDrawSurface7* source = Offscreen(4, 4);
  Fill(target, [](DWORD, DWORD) { return 5; });
  Fill(source, [](DWORD, DWORD) { return 6; });
  RECT beyondSource{2, 2, 5, 4};
  EXPECT_EQ(target->BltFast(0, 0, source, &beyondSource, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(13, 0, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(0, 5, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  RECT empty{1, 1, 1, 3};
  EXPECT_EQ(target->BltFast(0, 0, source, &empty, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  RECT negative{-1, 0, 3, 4};
  EXPECT_EQ(target->Blt(&negative, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  RECT beyondTarget{14, 6, 18, 10};
  EXPECT_EQ(target->Blt(&beyondTarget, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(target->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
  for (DWORD y = 0; y < 8; ++y)
    for (DWORD x = 0; x < 16; ++x) ASSERT_EQ(Pixel(target, x, y), 5) << "nothing drawn";
  // Exactly at the edge fits.
  EXPECT_EQ(target->BltFast(12, 4, source, nullptr, DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(Pixel(target, 15, 7), 6);
}

TEST_F(DirectDraw, PalettesHoldEntriesAndShowOnThePrimarySurface) {
  PALETTEENTRY colors[256];
  for (int i = 0; i < 256; ++i) colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, colors, &palette, nullptr), DD_OK);
  PALETTEENTRY read[256];
  ASSERT_EQ(palette->GetEntries(0, 0, 256, read), DD_OK);
  EXPECT_EQ(std::memcmp(read, colors, sizeof read), 0);

  IDirectDrawSurface7* primary = Primary();
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  EXPECT_EQ(palette->Release(), 1u) << "the surface keeps a reference";
  PALETTEENTRY change[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  ASSERT_EQ(palette->SetEntries(0, 254, 2, change), DD_OK);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, change), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 256, 1, read), DDERR_INVALIDPARAMS);
  uint8_t shown[1024];
  ASSERT_TRUE(hooks::PrimarySurfacePalette(shown));
  EXPECT_EQ(shown[4 * 10 + 0], 10);
  EXPECT_EQ(shown[4 * 10 + 1], 245);
  EXPECT_EQ(shown[4 * 254 + 2], 3);
  EXPECT_EQ(shown[4 * 255 + 0], 4);

  IDirectDrawPalette* attached = nullptr;
  ASSERT_EQ(primary->GetPalette(&attached), DD_OK);
  EXPECT_EQ(attached, palette);
  attached->Release();
  ASSERT_EQ(primary->SetPalette(nullptr), DD_OK);
  EXPECT_EQ(primary->GetPalette(&attached), DDERR_NOPALETTEATTACHED);
  EXPECT_FALSE(hooks::PrimarySurfacePalette(shown));
}

TEST_F(DirectDraw, LostSurfacesRefuseWorkUntilRestored) {
  IDirectDrawSurface7* primary = Primary();
  IDirectDrawSurface7* screen = Offscreen(640, 480);
  IDirectDrawSurface7* pointer = nullptr;
  ASSERT_EQ(Offscreen(32, 27, DDSCAPS_VIDEOMEMORY, &pointer), DD_OK);
  Fill(primary, [](DWORD, DWORD) { return 3; });

  hooks::LoseDisplaySurfaces();
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(pointer->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(screen->IsLost(), DD_OK) << "system memory is never lost";
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  EXPECT_EQ(primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(primary->BltFast(0, 0, screen, nullptr, DDBLTFAST_WAIT), DDERR_SURFACELOST);
  EXPECT_EQ(screen->BltFast(0, 0, pointer, nullptr, DDBLTFAST_WAIT), DDERR_SURFACELOST);

  ASSERT_EQ(primary->Restore(), DD_OK);
  EXPECT_EQ(primary->IsLost(), DD_OK);
  EXPECT_EQ(pointer->IsLost(), DDERR_SURFACELOST) << "each surface is restored by itself";
  EXPECT_EQ(Pixel(primary, 5, 5), 0) << "the memory is back, not its content";
  EXPECT_EQ(primary->Restore(), DD_OK);

  hooks::LoseSurface(screen);
  EXPECT_EQ(screen->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(screen->Restore(), DD_OK);
}

TEST_F(DirectDraw, VideoMemoryComesFromABudget) {
  IDirectDrawSurface7* video = nullptr;
  ASSERT_EQ(Offscreen(32, 27, DDSCAPS_VIDEOMEMORY, &video), DD_OK);
  DDSCAPS2 caps{};
  ASSERT_EQ(video->GetCaps(&caps), DD_OK);
  EXPECT_TRUE(caps.dwCaps & DDSCAPS_VIDEOMEMORY);
  EXPECT_EQ(hooks::VideoMemoryInUse(), 32u * 27u);

  hooks::SetVideoMemoryBudget(0);
  IDirectDrawSurface7* refused = nullptr;
  EXPECT_EQ(Offscreen(32, 27, DDSCAPS_VIDEOMEMORY, &refused), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(refused, nullptr);
  // The presenter's fallback, and a surface that names no memory.
  IDirectDrawSurface7* fallback = nullptr;
  ASSERT_EQ(Offscreen(32, 27, DDSCAPS_SYSTEMMEMORY, &fallback), DD_OK);
  IDirectDrawSurface7* anywhere = nullptr;
  ASSERT_EQ(Offscreen(8, 8, 0, &anywhere), DD_OK);
  ASSERT_EQ(anywhere->GetCaps(&caps), DD_OK);
  EXPECT_TRUE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY);

  hooks::SetVideoMemoryBudget(hooks::kDefaultVideoMemoryBudget);
  IDirectDrawSurface7* big = nullptr;
  EXPECT_EQ(Offscreen(1024, 1025, DDSCAPS_VIDEOMEMORY, &big), DDERR_OUTOFVIDEOMEMORY);
  owned_.erase(std::find(owned_.begin(), owned_.end(), video));
  EXPECT_EQ(video->Release(), 0u);
  EXPECT_EQ(hooks::VideoMemoryInUse(), 0u) << "released surfaces give their memory back";
}

TEST_F(DirectDraw, ReferenceCountsDecideLifetimes) {
  IDirectDrawSurface7* surface = nullptr;
  ASSERT_EQ(Offscreen(4, 4, DDSCAPS_SYSTEMMEMORY, &surface), DD_OK);
  owned_.clear();
  int live = hooks::LiveDirectDrawObjects();
  EXPECT_EQ(surface->AddRef(), 2u);
  EXPECT_EQ(surface->Release(), 1u);
  void* same = nullptr;
  ASSERT_EQ(surface->QueryInterface(IID_IDirectDrawSurface7, &same), S_OK);
  EXPECT_EQ(same, surface);
  EXPECT_EQ(surface->Release(), 1u);
  EXPECT_EQ(surface->Release(), 0u);
  EXPECT_EQ(hooks::LiveDirectDrawObjects(), live - 1);

  IDirectDraw7* other = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&other), IID_IDirectDraw7, nullptr), DD_OK);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&other), IID_IDirectDraw2, nullptr),
            DDERR_INVALIDPARAMS);
  GUID unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DirectDrawCreateEx(&unknown, reinterpret_cast<void**>(&other), IID_IDirectDraw7, nullptr),
            DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(other, nullptr);
}

TEST_F(DirectDraw, DisplayModeAndCooperativeLevelAreChecked) {
  IDirectDraw7* fresh = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&fresh), IID_IDirectDraw7, nullptr), DD_OK);
  owned_.push_back(fresh);
  EXPECT_EQ(fresh->SetDisplayMode(640, 480, 8, 0, 0), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS)
      << "exclusive mode needs a window";
  EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  ASSERT_EQ(fresh->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(fresh->SetDisplayMode(640, 480, 8, 0, 0), DDERR_INVALIDMODE);
}

TEST_F(DirectDraw, EnumerationNamesThePrimaryDisplay) {
  struct Seen {
    int calls = 0;
    bool nullGuid = false;
    std::string description, name;
  } seen;
  auto callback = [](GUID* guid, LPSTR description, LPSTR name, LPVOID context) -> BOOL {
    auto* out = static_cast<Seen*>(context);
    ++out->calls;
    out->nullGuid = guid == nullptr;
    out->description = description;
    out->name = name;
    return DDENUMRET_OK;
  };
  ASSERT_EQ(DirectDrawEnumerateA(callback, &seen), DD_OK);
  EXPECT_EQ(seen.calls, 1);
  EXPECT_TRUE(seen.nullGuid);
  EXPECT_EQ(seen.description, "Primary Display Driver");
  EXPECT_EQ(seen.name, "display");
}

TEST_F(DirectDraw, MachineReportObjectThroughCom) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IDirectDraw2* dd2 = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_ALL, IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)),
            S_OK);
  DDCAPS driver, emulation;
  std::memset(&driver, 0, sizeof driver);
  std::memset(&emulation, 0, sizeof emulation);
  driver.dwSize = emulation.dwSize = 380;
  EXPECT_EQ(dd2->GetCaps(&driver, &emulation), DDERR_NOTINITIALIZED);
  ASSERT_EQ(dd2->Initialize(nullptr), DD_OK);
  EXPECT_EQ(dd2->Initialize(nullptr), DDERR_ALREADYINITIALIZED);
  ASSERT_EQ(dd2->GetCaps(&driver, &emulation), DD_OK);
  EXPECT_EQ(driver.dwSize, 380u);
  EXPECT_TRUE(driver.dwPalCaps & DDPCAPS_8BIT);
  EXPECT_TRUE(driver.dwCKeyCaps & DDCKEYCAPS_SRCBLT);
  EXPECT_EQ(driver.dwVidMemFree, hooks::kDefaultVideoMemoryBudget);
  EXPECT_TRUE(emulation.dwCaps & DDCAPS_NOHARDWARE);
  driver.dwSize = 100;
  EXPECT_EQ(dd2->GetCaps(&driver, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(dd2->Release(), 0u);

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(IID_IDirectDraw7, nullptr, CLSCTX_ALL, IID_IDirectDraw2, &none), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(none, nullptr);
  CoUninitialize();
}

TEST_F(DirectDraw, VerticalBlankFollowsA60HzDisplay) {
  ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 6; ++i) ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 95ms) << "six refreshes of 16.7 ms";
  EXPECT_LT(took, 400ms);
  EXPECT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGINEVENT, nullptr), DDERR_UNSUPPORTED);
}

TEST_F(DirectDraw, BlitsFromSeveralThreadsWhileSurfacesAreLostAndRestored) {
  IDirectDrawSurface7* primary = Primary();
  IDirectDrawSurface7* screen = Offscreen(640, 480);
  std::atomic<bool> stop{false};
  std::atomic<int> copied{0};
  std::thread game([&] {
    RECT rect{10, 10, 200, 100};
    while (!stop) {
      HRESULT result = primary->BltFast(10, 10, screen, &rect, DDBLTFAST_WAIT);
      ASSERT_TRUE(result == DD_OK || result == DDERR_SURFACELOST);
      if (result == DD_OK) ++copied;
    }
  });
  for (int i = 0; i < 200; ++i) {
    hooks::LoseDisplaySurfaces();
    if (primary->IsLost() == DDERR_SURFACELOST) primary->Restore();
    std::this_thread::yield();
  }
  while (copied == 0) std::this_thread::yield();
  stop = true;
  game.join();
  EXPECT_EQ(primary->IsLost(), DD_OK);
}

// A window that holds the display exclusively loses its surfaces when it is
// deactivated, and restoring them works only once it is active again.
TEST(DirectDrawWindow, DeactivationLosesTheDisplaySurfaces) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "VeskariaDDTest";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaDDTest", "Veskaria / DirectX", WS_POPUP, 0, 0, 640, 480,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  EXPECT_TRUE(hooks::IsFullScreenScaled(window));
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);

  MSG msg;
  ASSERT_TRUE(hooks::PushFocus(false));
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE) << "the display is someone else's";
  ASSERT_TRUE(hooks::PushFocus(true));
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(primary->Restore(), DD_OK);
  EXPECT_EQ(primary->IsLost(), DD_OK);

  primary->Release();
  dd->Release();
  EXPECT_FALSE(hooks::IsFullScreenScaled(window)) << "releasing the object gives the display back";
  DestroyWindow(window);
  UnregisterClassA("VeskariaDDTest", nullptr);
  EXPECT_EQ(hooks::LiveDirectDrawObjects(), 0);
}

// The window shows the primary surface through its palette: a frame when
// the bytes or the colours change, none while nothing does.
TEST(DirectDrawWindow, TheWindowShowsThePrimarySurfaceThroughItsPalette) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "VeskariaDDShow";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaDDShow", "Veskaria / DirectX", WS_POPUP, 0, 0, 640, 480,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
  PALETTEENTRY colors[256];
  for (int i = 0; i < 256; ++i) colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 40, 0};
  IDirectDrawPalette* palette = nullptr;
  ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, colors, &palette, nullptr), DD_OK);
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  ASSERT_EQ(primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  for (DWORD y = 0; y < 480; ++y)
    for (DWORD x = 0; x < 640; ++x)
      static_cast<uint8_t*>(desc.lpSurface)[y * desc.lPitch + x] = static_cast<uint8_t>((x / 8 + y) & 0xFF);
  ASSERT_EQ(primary->Unlock(nullptr), DD_OK);
  hooks::CaptureDisplayFrames(true);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);

  // Peeks until the count of shown frames passes `count`, at most `limit`.
  MSG msg;
  auto shownAfter = [&](uint64_t count, std::chrono::milliseconds limit = 2000ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (hooks::DisplayFramesShown() <= count && std::chrono::steady_clock::now() < until)
      PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    return hooks::DisplayFramesShown() > count;
  };
  // The window's picture, read back per display pixel, against the bytes
  // written through the palette as it is now: every pixel, so that a part
  // left out of a partial redraw shows.
  std::vector<uint8_t> bytes(640 * 480);
  for (DWORD y = 0; y < 480; ++y)
    for (DWORD x = 0; x < 640; ++x) bytes[y * 640 + x] = static_cast<uint8_t>((x / 8 + y) & 0xFF);
  auto wrongPixels = [&] {
    std::vector<uint8_t> rgb(640 * 480 * 3);
    if (hooks::LastDisplayFrame(rgb.data(), rgb.size()) != rgb.size()) return size_t{640 * 480};
    size_t wrong = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const PALETTEENTRY& c = colors[bytes[i]];
      wrong += rgb[3 * i] != c.peRed || rgb[3 * i + 1] != c.peGreen || rgb[3 * i + 2] != c.peBlue;
    }
    return wrong;
  };
  const uint64_t before = hooks::DisplayFramesShown();
  ASSERT_TRUE(shownAfter(before));
  EXPECT_EQ(wrongPixels(), 0u);

  // Nothing changes: looking at the queue for a while shows no new frame.
  const uint64_t settled = hooks::DisplayFramesShown();
  EXPECT_FALSE(shownAfter(settled, 300ms)) << "an unchanged display is not drawn again";

  // A palette change alone is a new frame.
  colors[0] = {255, 0, 0, 0};
  ASSERT_EQ(palette->SetEntries(0, 0, 1, &colors[0]), DD_OK);
  ASSERT_TRUE(shownAfter(settled));
  EXPECT_EQ(wrongPixels(), 0u) << "palette entry 0 changed";

  // New bytes in a small block, then a change of the entry only they (and
  // the stripes that had it before) use.
  ASSERT_EQ(primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  for (DWORD y = 100; y < 105; ++y)
    for (DWORD x = 100; x < 110; ++x)
      static_cast<uint8_t*>(desc.lpSurface)[y * desc.lPitch + x] = bytes[y * 640 + x] = 200;
  ASSERT_EQ(primary->Unlock(nullptr), DD_OK);
  const uint64_t written = hooks::DisplayFramesShown();
  ASSERT_TRUE(shownAfter(written));
  EXPECT_EQ(wrongPixels(), 0u) << "a block of new bytes";
  const uint64_t blockShown = hooks::DisplayFramesShown();
  colors[200] = {1, 2, 3, 0};
  ASSERT_EQ(palette->SetEntries(0, 200, 1, &colors[200]), DD_OK);
  ASSERT_TRUE(shownAfter(blockShown));
  EXPECT_EQ(wrongPixels(), 0u) << "palette entry 200 changed";

  hooks::CaptureDisplayFrames(false);
  palette->Release();
  primary->Release();
  dd->Release();
  DestroyWindow(window);
  UnregisterClassA("VeskariaDDShow", nullptr);
  EXPECT_EQ(hooks::LiveDirectDrawObjects(), 0);
}

TEST(DirectDrawDeathTest, UnsupportedCallsEndLoudly) {
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_DEATH(dd->SetDisplayMode(800, 600, 16, 0, 0), "not provided by the compatibility layer");
  dd->Release();
}

}  // namespace
