// The DirectDraw object of the emulated display: cooperative level, the
// 640 x 480 x 8 display mode, surfaces and palettes, the vertical blank and
// the capabilities; DirectDrawCreateEx, DirectDrawEnumerateA and the
// IDirectDraw2 that CoCreateInstance makes for the machine report.
//
// Deactivating the window that holds the display exclusively loses the
// primary surface and every video-memory surface, as on Windows; they stay
// lost until Restore, which works again once the window is active.
#include <cstring>
#include <thread>

#include "ddraw_objects.h"
#include "kernel32_thread.h"
#include "platform/testing.h"
#include "unsupported.h"
#include "user32_window.h"

namespace vsk::platform::ddraw {

std::atomic<int> gLiveObjects{0};

namespace {

// The display, guarded by Registry().
struct Display {
  IDirectDraw7* exclusiveOwner = nullptr;
  HWND exclusiveWindow = nullptr;
  IDirectDraw7* modeOwner = nullptr;  // the object that set 640 x 480 x 8
  size_t videoBudget = testing::kDefaultVideoMemoryBudget;
  size_t videoInUse = 0;
};
Display gDisplay;
std::atomic<bool> gDeactivated{false};

// Loses the primary and the video-memory surfaces; Registry() held.
void LoseDisplaySurfacesLocked() {
  for (Surface* surface : LiveSurfaces())
    if (surface->IsPrimary() || surface->InVideoMemory()) surface->MarkLost();
}

// Whether an 8-bit display mode is set: the primary surface and default
// off-screen surfaces have its format. Registry() held.
bool EightBitDisplayLocked() { return gDisplay.modeOwner != nullptr; }

Surface* PrimaryLocked() {
  for (Surface* surface : LiveSurfaces())
    if (surface->IsPrimary()) return surface;
  return nullptr;
}

void OnActivation(HWND window, bool active) {
  std::lock_guard<std::mutex> guard(Registry());
  if (!gDisplay.exclusiveOwner || window != gDisplay.exclusiveWindow) return;
  gDeactivated = !active;
  if (!active) LoseDisplaySurfacesLocked();
}

// The window layer reports activation changes from the window thread; the
// listener is in place before any thread runs.
const bool gListening = [] {
  AddActivationListener(&OnActivation);
  return true;
}();

// Capabilities of the emulated display (driver) and of the emulation layer
// (HEL), filled as far as the record's size reaches.
HRESULT FillCaps(LPDDCAPS driver, LPDDCAPS emulation) {
  if (!driver && !emulation) return DDERR_INVALIDPARAMS;
  // The DirectX 3, 5 and 6/7 sizes of the record.
  auto sizeKnown = [](LPDDCAPS caps) {
    return !caps || caps->dwSize == 316 || caps->dwSize == 364 || caps->dwSize == sizeof(DDCAPS);
  };
  if (!sizeKnown(driver) || !sizeKnown(emulation)) return DDERR_INVALIDPARAMS;
  size_t budget, inUse;
  {
    std::lock_guard<std::mutex> guard(Registry());
    budget = gDisplay.videoBudget;
    inUse = gDisplay.videoInUse;
  }
  auto fill = [&](LPDDCAPS out, bool hardware) {
    DDCAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.dwCaps = DDCAPS_BLT | DDCAPS_COLORKEY | DDCAPS_PALETTE | DDCAPS_CANBLTSYSMEM;
    caps.dwCaps2 = DDCAPS2_NOPAGELOCKREQUIRED;
    caps.dwCKeyCaps = DDCKEYCAPS_SRCBLT;
    caps.dwPalCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_PRIMARYSURFACE;
    caps.ddsOldCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY |
                             DDSCAPS_PALETTE | DDSCAPS_VISIBLE;
    if (hardware) {
      // The display's memory: the visible 640 x 480 bytes and the budget.
      caps.dwVidMemTotal = static_cast<DWORD>(kDisplayWidth * kDisplayHeight + budget);
      caps.dwVidMemFree = static_cast<DWORD>(budget - inUse);
      caps.ddsOldCaps.dwCaps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
      caps.dwSVBCaps = DDCAPS_BLT | DDCAPS_COLORKEY;
      caps.dwSVBCKeyCaps = DDCKEYCAPS_SRCBLT;
      caps.dwVSBCaps = DDCAPS_BLT | DDCAPS_COLORKEY;
      caps.dwVSBCKeyCaps = DDCKEYCAPS_SRCBLT;
    } else {
      caps.dwCaps |= DDCAPS_NOHARDWARE;
    }
    caps.dwSSBCaps = DDCAPS_BLT | DDCAPS_COLORKEY;
    caps.dwSSBCKeyCaps = DDCKEYCAPS_SRCBLT;
    caps.ddsCaps.dwCaps = caps.ddsOldCaps.dwCaps;
    DWORD size = out->dwSize;
    std::memcpy(out, &caps, size);
    out->dwSize = size;
  };
  if (driver) fill(driver, true);
  if (emulation) fill(emulation, false);
  return DD_OK;
}

// The device a GUID names: null is the primary display, the only one.
HRESULT CheckDevice(GUID* guid) {
  if (!guid) return DD_OK;
  auto special = reinterpret_cast<ULONG_PTR>(guid);
  if (special == DDCREATE_HARDWAREONLY || special == DDCREATE_EMULATIONONLY)
    VSK_UNSUPPORTED("DirectDraw objects for hardware-only or emulation-only devices");
  return DDERR_INVALIDDIRECTDRAWGUID;
}

class DirectDraw7 final : public IDirectDraw7 {
 public:
  DirectDraw7() { ++gLiveObjects; }
  ~DirectDraw7() { --gLiveObjects; }

  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override {
    SuspensionPoint();
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDirectDraw7)
      VSK_UNSUPPORTED("IDirectDraw7::QueryInterface for another interface");
    AddRef();
    *ppvObject = static_cast<IDirectDraw7*>(this);
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return ++refs_; }
  ULONG WINAPI Release() override {
    SuspensionPoint();
    ULONG left = --refs_;
    if (left == 0) {
      // Gives the display back to the desktop.
      LeaveExclusiveMode();
      delete this;
    }
    return left;
  }

  HRESULT WINAPI SetCooperativeLevel(HWND hWnd, DWORD dwFlags) override {
    SuspensionPoint();
    constexpr DWORD kIgnored = DDSCL_ALLOWREBOOT | DDSCL_NOWINDOWCHANGES | DDSCL_ALLOWMODEX |
                               DDSCL_MULTITHREADED | DDSCL_FPUSETUP | DDSCL_FPUPRESERVE;
    constexpr DWORD kModes = DDSCL_NORMAL | DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE;
    if (dwFlags & ~(kIgnored | kModes))
      VSK_UNSUPPORTED("IDirectDraw7::SetCooperativeLevel with focus or device windows");
    DWORD mode = dwFlags & kModes;
    if (mode == DDSCL_NORMAL) {
      LeaveExclusiveMode();
      level_ = dwFlags;
      return DD_OK;
    }
    if (mode != (DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE)) return DDERR_INVALIDPARAMS;
    // Exclusive mode belongs to a top-level window of this process.
    if (!hWnd || !WindowOwner(hWnd)) return DDERR_INVALIDPARAMS;
    {
      std::lock_guard<std::mutex> guard(Registry());
      if (gDisplay.exclusiveOwner && gDisplay.exclusiveOwner != this) return DDERR_EXCLUSIVEMODEALREADYSET;
      gDisplay.exclusiveOwner = this;
      gDisplay.exclusiveWindow = hWnd;
      gDeactivated = false;
    }
    // The player may show this window's full screen in a window instead.
    SetExclusiveDisplayWindow(hWnd);
    level_ = dwFlags;
    return DD_OK;
  }

  HRESULT WINAPI SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP, DWORD dwRefreshRate,
                                DWORD dwFlags) override {
    SuspensionPoint();
    if (!level_) return DDERR_NOCOOPERATIVELEVELSET;
    if (dwWidth != kDisplayWidth || dwHeight != kDisplayHeight || dwBPP != kDisplayBits)
      VSK_UNSUPPORTED("IDirectDraw7::SetDisplayMode other than 640 x 480 x 8");
    if (dwFlags != 0 || (dwRefreshRate != 0 && dwRefreshRate != 60))
      VSK_UNSUPPORTED("IDirectDraw7::SetDisplayMode with a refresh rate or VGA mode flags");
    {
      std::lock_guard<std::mutex> guard(Registry());
      if (gDisplay.exclusiveOwner && gDisplay.exclusiveOwner != this) return DDERR_NOEXCLUSIVEMODE;
    }
    // The window layer scales the exclusive window over the desktop; the
    // monitor keeps its own mode.
    if (SetEmulatedDisplayMode(dwWidth, dwHeight, dwBPP) != DISP_CHANGE_SUCCESSFUL) return DDERR_INVALIDMODE;
    std::lock_guard<std::mutex> guard(Registry());
    gDisplay.modeOwner = this;
    return DD_OK;
  }

  HRESULT WINAPI RestoreDisplayMode() override {
    SuspensionPoint();
    RestoreModeIfOwner();
    return DD_OK;
  }

  HRESULT WINAPI CreateSurface(LPDDSURFACEDESC2 lpDDSurfaceDesc, LPDIRECTDRAWSURFACE7* lplpDDSurface,
                               IUnknown* pUnkOuter) override {
    SuspensionPoint();
    if (!lplpDDSurface || !lpDDSurfaceDesc) return DDERR_INVALIDPARAMS;
    *lplpDDSurface = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    const DDSURFACEDESC2& desc = *lpDDSurfaceDesc;
    if (desc.dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
    if (!level_) return DDERR_NOCOOPERATIVELEVELSET;
    constexpr DWORD kFields = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_CKSRCBLT;
    if (desc.dwFlags & ~kFields)
      VSK_UNSUPPORTED("IDirectDraw7::CreateSurface with a pitch, own memory, back buffers or mip-maps");
    DWORD caps = (desc.dwFlags & DDSD_CAPS) ? desc.ddsCaps.dwCaps : 0;
    constexpr DWORD kCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY |
                            DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    if ((caps & ~kCaps) ||
        ((desc.dwFlags & DDSD_CAPS) && (desc.ddsCaps.dwCaps2 || desc.ddsCaps.dwCaps3 || desc.ddsCaps.dwCaps4)))
      VSK_UNSUPPORTED("IDirectDraw7::CreateSurface of flipping, overlay, texture or 3D surfaces");
    if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
    if ((caps & DDSCAPS_LOCALVIDMEM) && !(caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
    if (desc.dwFlags & DDSD_PIXELFORMAT) {
      const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
      if (format.dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
      if (!(format.dwFlags & DDPF_PALETTEINDEXED8) || format.dwRGBBitCount != 8)
        VSK_UNSUPPORTED("IDirectDraw7::CreateSurface in a pixel format other than 8-bit palettised");
    }
    if (caps & DDSCAPS_PRIMARYSURFACE) return CreatePrimary(desc, caps, lplpDDSurface);
    return CreateOffscreen(desc, caps, lplpDDSurface);
  }

  HRESULT WINAPI CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable, LPDIRECTDRAWPALETTE* lplpDDPalette,
                               IUnknown* pUnkOuter) override {
    SuspensionPoint();
    if (!lplpDDPalette || !lpColorTable) return DDERR_INVALIDPARAMS;
    *lplpDDPalette = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    if (!level_) return DDERR_NOCOOPERATIVELEVELSET;
    if ((dwFlags & ~static_cast<DWORD>(DDPCAPS_INITIALIZE)) != (DDPCAPS_8BIT | DDPCAPS_ALLOW256))
      VSK_UNSUPPORTED("IDirectDraw7::CreatePalette other than 8-bit with all 256 entries");
    *lplpDDPalette = new Palette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, lpColorTable);
    return DD_OK;
  }

  HRESULT WINAPI WaitForVerticalBlank(DWORD dwFlags, HANDLE) override {
    SuspensionPoint();
    if (dwFlags == DDWAITVB_BLOCKBEGINEVENT) return DDERR_UNSUPPORTED;  // as on Windows
    if (dwFlags != DDWAITVB_BLOCKBEGIN && dwFlags != DDWAITVB_BLOCKEND) return DDERR_INVALIDPARAMS;
    // The emulated display refreshes at 60 Hz; its blank begins on each tick
    // and is over as it begins.
    std::this_thread::sleep_until(NextRefreshTick(Clock::now()));
    SuspensionPoint();
    return DD_OK;
  }

  HRESULT WINAPI GetCaps(LPDDCAPS lpDDDriverCaps, LPDDCAPS lpDDHELCaps) override {
    SuspensionPoint();
    return FillCaps(lpDDDriverCaps, lpDDHELCaps);
  }

  HRESULT WINAPI Initialize(GUID*) override {
    SuspensionPoint();
    return DDERR_ALREADYINITIALIZED;
  }

  // What the game does not call.
  HRESULT WINAPI Compact() override { VSK_UNSUPPORTED("IDirectDraw7::Compact"); }
  HRESULT WINAPI CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override {
    VSK_UNSUPPORTED("IDirectDraw7::CreateClipper");
  }
  HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE7, LPDIRECTDRAWSURFACE7*) override {
    VSK_UNSUPPORTED("IDirectDraw7::DuplicateSurface");
  }
  HRESULT WINAPI EnumDisplayModes(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMMODESCALLBACK2) override {
    VSK_UNSUPPORTED("IDirectDraw7::EnumDisplayModes");
  }
  HRESULT WINAPI EnumSurfaces(DWORD, LPDDSURFACEDESC2, LPVOID, LPDDENUMSURFACESCALLBACK7) override {
    VSK_UNSUPPORTED("IDirectDraw7::EnumSurfaces");
  }
  HRESULT WINAPI FlipToGDISurface() override { VSK_UNSUPPORTED("IDirectDraw7::FlipToGDISurface"); }
  HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC2) override { VSK_UNSUPPORTED("IDirectDraw7::GetDisplayMode"); }
  HRESULT WINAPI GetFourCCCodes(LPDWORD, LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw7::GetFourCCCodes"); }
  HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE7*) override { VSK_UNSUPPORTED("IDirectDraw7::GetGDISurface"); }
  HRESULT WINAPI GetMonitorFrequency(LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw7::GetMonitorFrequency"); }
  HRESULT WINAPI GetScanLine(LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw7::GetScanLine"); }
  HRESULT WINAPI GetVerticalBlankStatus(BOOL*) override {
    VSK_UNSUPPORTED("IDirectDraw7::GetVerticalBlankStatus");
  }
  HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS2, LPDWORD, LPDWORD) override {
    VSK_UNSUPPORTED("IDirectDraw7::GetAvailableVidMem");
  }
  HRESULT WINAPI GetSurfaceFromDC(HDC, LPDIRECTDRAWSURFACE7*) override {
    VSK_UNSUPPORTED("IDirectDraw7::GetSurfaceFromDC");
  }
  HRESULT WINAPI RestoreAllSurfaces() override { VSK_UNSUPPORTED("IDirectDraw7::RestoreAllSurfaces"); }
  HRESULT WINAPI TestCooperativeLevel() override { VSK_UNSUPPORTED("IDirectDraw7::TestCooperativeLevel"); }
  HRESULT WINAPI GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2, DWORD) override {
    VSK_UNSUPPORTED("IDirectDraw7::GetDeviceIdentifier");
  }
  HRESULT WINAPI StartModeTest(LPSIZE, DWORD, DWORD) override { VSK_UNSUPPORTED("IDirectDraw7::StartModeTest"); }
  HRESULT WINAPI EvaluateMode(DWORD, DWORD*) override { VSK_UNSUPPORTED("IDirectDraw7::EvaluateMode"); }

 private:
  HRESULT CreatePrimary(const DDSURFACEDESC2& desc, DWORD caps, LPDIRECTDRAWSURFACE7* out) {
    // The primary surface is the display: its size and format are the mode's.
    if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
    if (caps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY)) return DDERR_INVALIDCAPS;
    std::lock_guard<std::mutex> guard(Registry());
    if (!EightBitDisplayLocked())
      VSK_UNSUPPORTED("a primary surface of the desktop (only the 640 x 480 x 8 display mode is emulated)");
    if (PrimaryLocked()) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    auto* surface = new Surface(DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM |
                                    DDSCAPS_VISIBLE | DDSCAPS_FRONTBUFFER,
                                kDisplayWidth, kDisplayHeight, false);
    ApplyKey(surface, desc);
    LiveSurfaces().push_back(surface);
    *out = surface;
    return DD_OK;
  }

  HRESULT CreateOffscreen(const DDSURFACEDESC2& desc, DWORD caps, LPDIRECTDRAWSURFACE7* out) {
    if ((desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    if (desc.dwWidth == 0 || desc.dwHeight == 0 || desc.dwWidth > 16384 || desc.dwHeight > 16384)
      return DDERR_INVALIDPARAMS;
    size_t bytes = static_cast<size_t>(PitchFor(desc.dwWidth)) * desc.dwHeight;
    std::lock_guard<std::mutex> guard(Registry());
    if (!(desc.dwFlags & DDSD_PIXELFORMAT) && !EightBitDisplayLocked())
      VSK_UNSUPPORTED("off-screen surfaces in the desktop's format (set 640 x 480 x 8 or give an 8-bit format)");
    // Video memory when asked or when nothing is said and some is left;
    // asked for and none left is a failure.
    bool video = false;
    if (!(caps & DDSCAPS_SYSTEMMEMORY)) {
      video = gDisplay.videoInUse + bytes <= gDisplay.videoBudget;
      if (!video && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_OUTOFVIDEOMEMORY;
    }
    if (video) gDisplay.videoInUse += bytes;
    DWORD memory = video ? DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM : DDSCAPS_SYSTEMMEMORY;
    auto* surface = new Surface(DDSCAPS_OFFSCREENPLAIN | memory, desc.dwWidth, desc.dwHeight, video);
    ApplyKey(surface, desc);
    LiveSurfaces().push_back(surface);
    *out = surface;
    return DD_OK;
  }

  static void ApplyKey(Surface* surface, const DDSURFACEDESC2& desc) {
    if (!(desc.dwFlags & DDSD_CKSRCBLT)) return;
    surface->SetSourceKey(desc.ddckCKSrcBlt);
  }

  void RestoreModeIfOwner() {
    bool owner;
    {
      std::lock_guard<std::mutex> guard(Registry());
      owner = gDisplay.modeOwner == this;
      if (owner) gDisplay.modeOwner = nullptr;
    }
    if (owner) RestoreDesktopDisplayMode();
  }

  void LeaveExclusiveMode() {
    bool left = false;
    {
      std::lock_guard<std::mutex> guard(Registry());
      if (gDisplay.exclusiveOwner == this) {
        gDisplay.exclusiveOwner = nullptr;
        gDisplay.exclusiveWindow = nullptr;
        gDeactivated = false;
        left = true;
      }
    }
    RestoreModeIfOwner();
    if (left) SetExclusiveDisplayWindow(nullptr);
  }

  std::atomic<ULONG> refs_{1};
  DWORD level_ = 0;  // the cooperative level's flags; 0 until one is set
};

// The IDirectDraw2 that COM makes: uninitialised until Initialize names the
// device; the machine report only asks it for the capabilities.
class DirectDraw2 final : public IDirectDraw2 {
 public:
  DirectDraw2() { ++gLiveObjects; }
  ~DirectDraw2() { --gLiveObjects; }

  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override {
    SuspensionPoint();
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDirectDraw2)
      VSK_UNSUPPORTED("IDirectDraw2::QueryInterface for another interface");
    AddRef();
    *ppvObject = static_cast<IDirectDraw2*>(this);
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return ++refs_; }
  ULONG WINAPI Release() override {
    SuspensionPoint();
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT WINAPI Initialize(GUID* lpGUID) override {
    SuspensionPoint();
    if (initialized_) return DDERR_ALREADYINITIALIZED;
    HRESULT result = CheckDevice(lpGUID);
    if (result == DD_OK) initialized_ = true;
    return result;
  }
  HRESULT WINAPI GetCaps(LPDDCAPS lpDDDriverCaps, LPDDCAPS lpDDHELCaps) override {
    SuspensionPoint();
    if (!initialized_) return DDERR_NOTINITIALIZED;
    return FillCaps(lpDDDriverCaps, lpDDHELCaps);
  }

  HRESULT WINAPI Compact() override { VSK_UNSUPPORTED("IDirectDraw2::Compact"); }
  HRESULT WINAPI CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override {
    VSK_UNSUPPORTED("IDirectDraw2::CreateClipper");
  }
  HRESULT WINAPI CreatePalette(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override {
    VSK_UNSUPPORTED("IDirectDraw2::CreatePalette");
  }
  HRESULT WINAPI CreateSurface(LPDDSURFACEDESC, LPDIRECTDRAWSURFACE*, IUnknown*) override {
    VSK_UNSUPPORTED("IDirectDraw2::CreateSurface");
  }
  HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override {
    VSK_UNSUPPORTED("IDirectDraw2::DuplicateSurface");
  }
  HRESULT WINAPI EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) override {
    VSK_UNSUPPORTED("IDirectDraw2::EnumDisplayModes");
  }
  HRESULT WINAPI EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override {
    VSK_UNSUPPORTED("IDirectDraw2::EnumSurfaces");
  }
  HRESULT WINAPI FlipToGDISurface() override { VSK_UNSUPPORTED("IDirectDraw2::FlipToGDISurface"); }
  HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC) override { VSK_UNSUPPORTED("IDirectDraw2::GetDisplayMode"); }
  HRESULT WINAPI GetFourCCCodes(LPDWORD, LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw2::GetFourCCCodes"); }
  HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE*) override { VSK_UNSUPPORTED("IDirectDraw2::GetGDISurface"); }
  HRESULT WINAPI GetMonitorFrequency(LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw2::GetMonitorFrequency"); }
  HRESULT WINAPI GetScanLine(LPDWORD) override { VSK_UNSUPPORTED("IDirectDraw2::GetScanLine"); }
  HRESULT WINAPI GetVerticalBlankStatus(BOOL*) override {
    VSK_UNSUPPORTED("IDirectDraw2::GetVerticalBlankStatus");
  }
  HRESULT WINAPI RestoreDisplayMode() override { VSK_UNSUPPORTED("IDirectDraw2::RestoreDisplayMode"); }
  HRESULT WINAPI SetCooperativeLevel(HWND, DWORD) override { VSK_UNSUPPORTED("IDirectDraw2::SetCooperativeLevel"); }
  HRESULT WINAPI SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override {
    VSK_UNSUPPORTED("IDirectDraw2::SetDisplayMode");
  }
  HRESULT WINAPI WaitForVerticalBlank(DWORD, HANDLE) override {
    VSK_UNSUPPORTED("IDirectDraw2::WaitForVerticalBlank");
  }
  HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS, LPDWORD, LPDWORD) override {
    VSK_UNSUPPORTED("IDirectDraw2::GetAvailableVidMem");
  }

 private:
  std::atomic<ULONG> refs_{1};
  std::atomic<bool> initialized_{false};
};

}  // namespace

bool TakeDisplayFrame(HWND* window, uint8_t* pixels, PALETTEENTRY* entries, bool* hasPalette) {
  Palette* palette = nullptr;
  {
    std::lock_guard<std::mutex> guard(Registry());
    Surface* primary = PrimaryLocked();
    if (!gDisplay.exclusiveOwner || !gDisplay.exclusiveWindow || !primary) return false;
    if (!primary->CopyPixels(pixels, kDisplayWidth, kDisplayHeight)) return false;
    *window = gDisplay.exclusiveWindow;
    palette = primary->AttachedPalette();
  }
  *hasPalette = palette != nullptr;
  if (palette) {
    palette->CopyEntries(entries);
    palette->Release();
  }
  return true;
}

std::mutex& Registry() {
  static auto* lock = new std::mutex();
  return *lock;
}

std::vector<Surface*>& LiveSurfaces() {
  static auto* surfaces = new std::vector<Surface*>();
  return *surfaces;
}

bool DisplayDeactivated() { return gDeactivated.load(); }

void ForgetSurface(Surface* surface) {
  std::lock_guard<std::mutex> guard(Registry());
  auto& surfaces = LiveSurfaces();
  for (auto it = surfaces.begin(); it != surfaces.end(); ++it) {
    if (*it == surface) {
      surfaces.erase(it);
      break;
    }
  }
  if (surface->ChargedToVideoMemory()) gDisplay.videoInUse -= surface->Bytes();
}

void DescribePixelFormat(DDPIXELFORMAT* format) {
  std::memset(format, 0, sizeof *format);
  format->dwSize = sizeof *format;
  format->dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
  format->dwRGBBitCount = 8;
}

}  // namespace vsk::platform::ddraw

// ---- test hooks ---------------------------------------------------------------------

namespace vsk::platform::testing {

using namespace vsk::platform::ddraw;

bool PrimarySurfacePixels(uint8_t* pixels) {
  std::lock_guard<std::mutex> guard(Registry());
  Surface* primary = PrimaryLocked();
  return primary && primary->CopyPixels(pixels, kDisplayWidth, kDisplayHeight);
}

bool PrimarySurfacePalette(uint8_t* entries) {
  Palette* palette = nullptr;
  {
    std::lock_guard<std::mutex> guard(Registry());
    Surface* primary = PrimaryLocked();
    if (primary) palette = primary->AttachedPalette();
  }
  if (!palette) return false;
  PALETTEENTRY copy[256];
  palette->CopyEntries(copy);
  std::memcpy(entries, copy, sizeof copy);
  palette->Release();
  return true;
}

void SetVideoMemoryBudget(size_t bytes) {
  std::lock_guard<std::mutex> guard(Registry());
  gDisplay.videoBudget = bytes;
}

size_t VideoMemoryInUse() {
  std::lock_guard<std::mutex> guard(Registry());
  return gDisplay.videoInUse;
}

void LoseSurface(void* surface) {
  std::lock_guard<std::mutex> guard(Registry());
  for (Surface* live : LiveSurfaces())
    if (static_cast<IDirectDrawSurface7*>(live) == surface) live->MarkLost();
}

void LoseDisplaySurfaces() {
  std::lock_guard<std::mutex> guard(Registry());
  LoseDisplaySurfacesLocked();
}

int LiveDirectDrawObjects() { return gLiveObjects.load(); }

void ResetDirectDraw() {
  std::lock_guard<std::mutex> guard(Registry());
  gDisplay.videoBudget = kDefaultVideoMemoryBudget;
  gDeactivated = false;
}

}  // namespace vsk::platform::testing

// ---- entry points -----------------------------------------------------------------------

using namespace vsk::platform;
using namespace vsk::platform::ddraw;

HRESULT WINAPI DirectDrawCreateEx(GUID* lpGuid, LPVOID* lplpDD, REFIID iid, IUnknown* pUnkOuter) {
  SuspensionPoint();
  if (!lplpDD) return DDERR_INVALIDPARAMS;
  *lplpDD = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (iid != IID_IDirectDraw7) return DDERR_INVALIDPARAMS;
  HRESULT result = CheckDevice(lpGuid);
  if (result != DD_OK) return result;
  StartShowingDisplay();
  *lplpDD = static_cast<IDirectDraw7*>(new DirectDraw7());
  return DD_OK;
}

HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA lpCallback, LPVOID lpContext) {
  SuspensionPoint();
  if (!lpCallback) return DDERR_INVALIDPARAMS;
  // One device: the primary display, named as Windows names it.
  char description[] = "Primary Display Driver";
  char name[] = "display";
  lpCallback(nullptr, description, name, lpContext);
  return DD_OK;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  SuspensionPoint();
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  // DirectDraw is the one class the layer has, an in-process server.
  if (rclsid != CLSID_DirectDraw || !(dwClsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (riid == IID_IDirectDraw2) {
    *ppv = static_cast<IDirectDraw2*>(new DirectDraw2());
    return S_OK;
  }
  if (riid == IID_IDirectDraw || riid == IID_IDirectDraw7 || riid == IID_IUnknown)
    VSK_UNSUPPORTED("CoCreateInstance of DirectDraw with an interface other than IDirectDraw2");
  return E_NOINTERFACE;
}
