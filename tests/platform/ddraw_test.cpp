// DirectDraw on the emulated 640 x 480 x 8 display: surfaces, blits, palettes, losses, memory, COM, blanks.
#include "platform_test.h"

namespace {

IDirectDraw7* CreateDirectDraw() {
  IDirectDraw7* dd = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  return dd;
}

uint8_t Pixel(IDirectDrawSurface7* surface, DWORD x, DWORD y) {
  DDSURFACEDESC2 desc = SurfaceDesc();
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  uint8_t value = static_cast<uint8_t*>(desc.lpSurface)[y * desc.lPitch + x];
  surface->Unlock(nullptr);
  return value;
}

class DirectDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dd_ = CreateDirectDraw(), nullptr);
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

  // An off-screen plain surface (memory: DDSCAPS_SYSTEMMEMORY, _VIDEOMEMORY
  // or 0), released by TearDown; nullptr when refused with `expected`.
  IDirectDrawSurface7* Offscreen(DWORD width, DWORD height, DWORD memory = DDSCAPS_SYSTEMMEMORY,
                                 HRESULT expected = DD_OK) {
    DDSURFACEDESC2 desc = SurfaceDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | memory;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), expected);
    if (surface) owned_.push_back(surface);
    return surface;
  }
  IDirectDrawSurface7* Primary() {
    IDirectDrawSurface7* surface = CreatePrimary(dd_);
    if (surface) owned_.push_back(surface);
    return surface;
  }

  IDirectDraw7* dd_ = nullptr;
  std::vector<IUnknown*> owned_;
};

TEST_F(DirectDraw, LockReportsAddressPitchAndFormat) {
  IDirectDrawSurface7* surface = Offscreen(13, 5);
  DDSURFACEDESC2 desc = SurfaceDesc();
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_NE(desc.lpSurface, nullptr);
  EXPECT_EQ(std::make_pair(desc.dwWidth, desc.dwHeight), std::make_pair(DWORD{13}, DWORD{5}));
  EXPECT_GT(desc.lPitch, 13) << "rows are padded: code must use the pitch";
  EXPECT_TRUE(desc.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);

  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
  desc.dwSize = sizeof desc - 4;
  EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);

  // Content stays between locks; a rectangle lock starts at its corner.
  FillSurface(surface, [](DWORD x, DWORD y) { return y * 16 + x; });
  RECT part{2, 3, 5, 5}, outside{10, 0, 14, 1};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(&part, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(*static_cast<uint8_t*>(desc.lpSurface), 3 * 16 + 2);
  EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED) << "a rectangle lock is undone by its rectangle";
  EXPECT_EQ(surface->Unlock(&part), DD_OK);
  EXPECT_EQ(surface->Lock(&outside, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DirectDraw, BltFastCopiesRectanglesAndHonoursTheSourceKey) {
  IDirectDrawSurface7* target = Offscreen(20, 10);
  IDirectDrawSurface7* source = Offscreen(5, 3);
  FillSurface(target, [](DWORD, DWORD) { return 9; });
  FillSurface(source, [](DWORD x, DWORD) { return x % 2 ? 0 : 7; });  // columns 1 and 3 are 0

  RECT part{0, 0, 5, 3};
  ASSERT_EQ(target->BltFast(2, 4, source, &part, DDBLTFAST_WAIT), DD_OK);
  EXPECT_EQ(target->BltFast(10, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
  DDCOLORKEY key{0, 0}, read{1, 1};
  ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  ASSERT_EQ(target->BltFast(10, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
  // (x, y, value): the opaque copy at (2, 4), then the keyed one at (10, 0)
  // where key colour 0 is transparent.
  const struct { DWORD x, y; uint8_t value; } pixels[] = {
      {3, 4, 0}, {2, 6, 7}, {7, 4, 9}, {2, 7, 9}, {10, 0, 7}, {11, 0, 9}, {13, 2, 9}, {14, 2, 7}};
  for (const auto& p : pixels) EXPECT_EQ(Pixel(target, p.x, p.y), p.value) << p.x << "," << p.y;
  ASSERT_EQ(source->GetColorKey(DDCKEY_SRCBLT, &read), DD_OK);
  EXPECT_EQ(read.dwColorSpaceLowValue, 0u);
  EXPECT_EQ(read.dwColorSpaceHighValue, 0u);
}

TEST_F(DirectDraw, BltCopiesWholeSurfacesAndIgnoresEffectFlags) {
  IDirectDrawSurface7* primary = Primary();
  DDSURFACEDESC2 desc = SurfaceDesc();
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* second = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS) << "one primary surface";
  EXPECT_EQ(second, nullptr);
  IDirectDrawSurface7* screen = Offscreen(640, 480);
  FillSurface(screen, [](DWORD x, DWORD y) { return x + 3 * y; });
  // The repaint after a lost primary surface: no rectangles, flags 0x10.
  ASSERT_EQ(primary->Blt(nullptr, screen, nullptr, 0x10, nullptr), DD_OK);
  std::vector<uint8_t> shown(640 * 480);
  ASSERT_TRUE(hooks::PrimarySurfacePixels(shown.data()));
  EXPECT_EQ(shown[100 * 640 + 17], static_cast<uint8_t>(17 + 300));

  FillSurface(primary, [](DWORD, DWORD) { return 1; });
  RECT rect{600, 400, 640, 480};
  ASSERT_EQ(primary->Blt(&rect, screen, &rect, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Pixel(primary, 599, 479), 1);
  EXPECT_EQ(Pixel(primary, 639, 479), static_cast<uint8_t>(639 + 3 * 479));

  // Overlapping copies within one surface read the source first.
  IDirectDrawSurface7* strip = Offscreen(8, 1);
  FillSurface(strip, [](DWORD x, DWORD) { return x; });
  RECT from{0, 0, 6, 1}, to{2, 0, 8, 1};
  ASSERT_EQ(strip->Blt(&to, strip, &from, DDBLT_WAIT, nullptr), DD_OK);
  for (DWORD x = 2; x < 8; ++x) EXPECT_EQ(Pixel(strip, x, 0), x - 2);
}

TEST_F(DirectDraw, RectanglesOutsideTheSurfacesAreRefused) {
  IDirectDrawSurface7* target = Offscreen(16, 8);
  IDirectDrawSurface7* source = Offscreen(4, 4);
  FillSurface(target, [](DWORD, DWORD) { return 5; });
  FillSurface(source, [](DWORD, DWORD) { return 6; });
  RECT beyondSource{2, 2, 5, 4}, empty{1, 1, 1, 3}, negative{-1, 0, 3, 4}, beyondTarget{14, 6, 18, 10};
  EXPECT_EQ(target->BltFast(0, 0, source, &beyondSource, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(13, 0, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(0, 5, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->BltFast(0, 0, source, &empty, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  EXPECT_EQ(target->Blt(&negative, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(target->Blt(&beyondTarget, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(target->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
  for (DWORD y = 0; y < 8; ++y)
    for (DWORD x = 0; x < 16; ++x) ASSERT_EQ(Pixel(target, x, y), 5) << "nothing drawn";
  EXPECT_EQ(target->BltFast(12, 4, source, nullptr, DDBLTFAST_WAIT), DD_OK) << "exactly at the edge fits";
  EXPECT_EQ(Pixel(target, 15, 7), 6);
}

TEST_F(DirectDraw, PalettesHoldEntriesAndShowOnThePrimarySurface) {
  IDirectDrawSurface7* primary = Primary();
  PALETTEENTRY colors[256], read[256];
  IDirectDrawPalette* palette = AttachPalette(dd_, primary, colors, [](int i) {
    return PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
  });
  ASSERT_EQ(palette->GetEntries(0, 0, 256, read), DD_OK);
  EXPECT_EQ(std::memcmp(read, colors, sizeof read), 0);
  EXPECT_EQ(palette->Release(), 1u) << "the surface keeps a reference";
  PALETTEENTRY change[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  ASSERT_EQ(palette->SetEntries(0, 254, 2, change), DD_OK);
  EXPECT_EQ(palette->SetEntries(0, 255, 2, change), DDERR_INVALIDPARAMS);
  EXPECT_EQ(palette->GetEntries(0, 256, 1, read), DDERR_INVALIDPARAMS);
  uint8_t shown[1024];
  ASSERT_TRUE(hooks::PrimarySurfacePalette(shown));
  EXPECT_EQ(shown[4 * 10 + 1], 245);
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
  IDirectDrawSurface7* pointer = Offscreen(32, 27, DDSCAPS_VIDEOMEMORY);
  FillSurface(primary, [](DWORD, DWORD) { return 3; });

  hooks::LoseDisplaySurfaces();
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(pointer->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(screen->IsLost(), DD_OK) << "system memory is never lost";
  DDSURFACEDESC2 desc = SurfaceDesc();
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
  IDirectDrawSurface7* video = Offscreen(32, 27, DDSCAPS_VIDEOMEMORY);
  DDSCAPS2 caps{};
  ASSERT_EQ(video->GetCaps(&caps), DD_OK);
  EXPECT_TRUE(caps.dwCaps & DDSCAPS_VIDEOMEMORY);
  EXPECT_EQ(hooks::VideoMemoryInUse(), 32u * 27u);

  hooks::SetVideoMemoryBudget(0);
  EXPECT_EQ(Offscreen(32, 27, DDSCAPS_VIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY), nullptr);
  // The presenter's fallback, and a surface that names no memory.
  ASSERT_NE(Offscreen(32, 27, DDSCAPS_SYSTEMMEMORY), nullptr);
  ASSERT_EQ(Offscreen(8, 8, 0)->GetCaps(&caps), DD_OK);
  EXPECT_TRUE(caps.dwCaps & DDSCAPS_SYSTEMMEMORY);

  hooks::SetVideoMemoryBudget(hooks::kDefaultVideoMemoryBudget);
  EXPECT_EQ(Offscreen(1024, 1025, DDSCAPS_VIDEOMEMORY, DDERR_OUTOFVIDEOMEMORY), nullptr);
  owned_.erase(std::find(owned_.begin(), owned_.end(), video));
  EXPECT_EQ(video->Release(), 0u);
  EXPECT_EQ(hooks::VideoMemoryInUse(), 0u) << "released surfaces give their memory back";
}

TEST_F(DirectDraw, ReferenceCountsDecideLifetimes) {
  IDirectDrawSurface7* surface = Offscreen(4, 4);
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

  // A mode needs a level, exclusive mode a window; a refused mode change.
  IDirectDraw7* other = CreateDirectDraw();
  EXPECT_EQ(other->SetDisplayMode(640, 480, 8, 0, 0), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(other->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
  ASSERT_EQ(other->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(other->SetDisplayMode(640, 480, 8, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&other), IID_IDirectDraw2, nullptr),
            DDERR_INVALIDPARAMS);
  GUID unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DirectDrawCreateEx(&unknown, reinterpret_cast<void**>(&other), IID_IDirectDraw7, nullptr),
            DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(other, nullptr);
}

TEST_F(DirectDraw, EnumerationNamesThePrimaryDisplay) {
  std::vector<std::string> seen;  // per call: null GUID?, description, name
  auto callback = [](GUID* guid, LPSTR description, LPSTR name, LPVOID context) -> BOOL {
    auto* out = static_cast<std::vector<std::string>*>(context);
    out->insert(out->end(), {guid ? "guid" : "null", description, name});
    return DDENUMRET_OK;
  };
  ASSERT_EQ(DirectDrawEnumerateA(callback, &seen), DD_OK);
  EXPECT_EQ(seen, (std::vector<std::string>{"null", "Primary Display Driver", "display"}));
}

TEST_F(DirectDraw, MachineReportObjectThroughCom) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  IDirectDraw2* dd2 = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_ALL, IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)),
            S_OK);
  DDCAPS driver{}, emulation{};
  driver.dwSize = emulation.dwSize = 380;
  EXPECT_EQ(dd2->GetCaps(&driver, &emulation), DDERR_NOTINITIALIZED);
  ASSERT_EQ(dd2->Initialize(nullptr), DD_OK);
  EXPECT_EQ(dd2->Initialize(nullptr), DDERR_ALREADYINITIALIZED);
  ASSERT_EQ(dd2->GetCaps(&driver, &emulation), DD_OK);
  EXPECT_EQ(driver.dwVidMemFree, hooks::kDefaultVideoMemoryBudget);
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
  auto start = Clock::now();
  for (int i = 0; i < 6; ++i) ASSERT_EQ(dd_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
  auto took = Clock::now() - start;
  // Six waits end on six ticks 16.7 ms apart; the clock starts when the
  // first wait has returned, which a busy machine may make late, so at least
  // five whole refreshes lie between start and end.
  EXPECT_GE(took, 83ms) << "six refreshes of 16.7 ms";
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

TEST(DirectDrawDeathTest, UnsupportedCallsEndLoudly) {
  IDirectDraw7* dd = CreateDirectDraw();
  ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  EXPECT_DEATH(dd->SetDisplayMode(800, 600, 16, 0, 0), "not provided by the compatibility layer");
  dd->Release();
}

}  // namespace
