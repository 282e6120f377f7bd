// DirectDraw objects of the layer, shared by the ddraw_*.cpp files.
//
// The display is emulated: a 640 x 480 x 8 mode that SetDisplayMode sets on
// the window layer (which scales the exclusive window over the desktop), a
// primary surface that is a byte buffer, off-screen surfaces in "system
// memory" or in "video memory" taken from a budget, and 256-entry palettes.
//
// Locking order: the registry lock (Registry()) before any surface's own
// lock; two surfaces' locks together only through std::scoped_lock. Pixels
// are not guarded: as on Windows, the caller owns them between Lock and
// Unlock, and Blt copies them under the locks of the surfaces involved.
#pragma once

#include <ddraw.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace vsk::platform::ddraw {

constexpr DWORD kDisplayWidth = 640;
constexpr DWORD kDisplayHeight = 480;
constexpr DWORD kDisplayBits = 8;

class Palette;

class Surface final : public IDirectDrawSurface7 {
 public:
  // caps: the surface's DDSCAPS_* with its memory flags already decided.
  Surface(DWORD caps, DWORD width, DWORD height, bool chargedToVideoMemory);
  ~Surface();

  // IUnknown
  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  // IDirectDrawSurface7
  HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE7) override;
  HRESULT WINAPI AddOverlayDirtyRect(LPRECT) override;
  HRESULT WINAPI Blt(LPRECT lpDestRect, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect, DWORD dwFlags,
                     LPDDBLTFX lpDDBltFx) override;
  HRESULT WINAPI BltBatch(LPDDBLTBATCH, DWORD, DWORD) override;
  HRESULT WINAPI BltFast(DWORD dwX, DWORD dwY, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect,
                         DWORD dwTrans) override;
  HRESULT WINAPI DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE7) override;
  HRESULT WINAPI EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK7) override;
  HRESULT WINAPI EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK7) override;
  HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE7, DWORD) override;
  HRESULT WINAPI GetAttachedSurface(LPDDSCAPS2, LPDIRECTDRAWSURFACE7*) override;
  HRESULT WINAPI GetBltStatus(DWORD dwFlags) override;
  HRESULT WINAPI GetCaps(LPDDSCAPS2 lpDDSCaps) override;
  HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER*) override;
  HRESULT WINAPI GetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) override;
  HRESULT WINAPI GetDC(HDC*) override;
  HRESULT WINAPI GetFlipStatus(DWORD) override;
  HRESULT WINAPI GetOverlayPosition(LPLONG, LPLONG) override;
  HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE* lplpDDPalette) override;
  HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT lpDDPixelFormat) override;
  HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC2 lpDDSurfaceDesc) override;
  HRESULT WINAPI Initialize(LPDIRECTDRAW, LPDDSURFACEDESC2) override;
  HRESULT WINAPI IsLost() override;
  HRESULT WINAPI Lock(LPRECT lpDestRect, LPDDSURFACEDESC2 lpDDSurfaceDesc, DWORD dwFlags, HANDLE hEvent) override;
  HRESULT WINAPI ReleaseDC(HDC) override;
  HRESULT WINAPI Restore() override;
  HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER) override;
  HRESULT WINAPI SetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) override;
  HRESULT WINAPI SetOverlayPosition(LONG, LONG) override;
  HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE lpDDPalette) override;
  HRESULT WINAPI Unlock(LPRECT lpSurfaceData) override;
  HRESULT WINAPI UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDOVERLAYFX) override;
  HRESULT WINAPI UpdateOverlayDisplay(DWORD) override;
  HRESULT WINAPI UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE7) override;
  HRESULT WINAPI GetDDInterface(LPVOID*) override;
  HRESULT WINAPI PageLock(DWORD) override;
  HRESULT WINAPI PageUnlock(DWORD) override;
  HRESULT WINAPI SetSurfaceDesc(LPDDSURFACEDESC2, DWORD) override;
  HRESULT WINAPI SetPrivateData(REFGUID, LPVOID, DWORD, DWORD) override;
  HRESULT WINAPI GetPrivateData(REFGUID, LPVOID, LPDWORD) override;
  HRESULT WINAPI FreePrivateData(REFGUID) override;
  HRESULT WINAPI GetUniquenessValue(LPDWORD) override;
  HRESULT WINAPI ChangeUniquenessValue() override;
  HRESULT WINAPI SetPriority(DWORD) override;
  HRESULT WINAPI GetPriority(LPDWORD) override;
  HRESULT WINAPI SetLOD(DWORD) override;
  HRESULT WINAPI GetLOD(LPDWORD) override;

  bool IsPrimary() const { return (caps_ & DDSCAPS_PRIMARYSURFACE) != 0; }
  bool InVideoMemory() const { return (caps_ & DDSCAPS_VIDEOMEMORY) != 0; }
  size_t Bytes() const { return pixels_.size(); }
  bool ChargedToVideoMemory() const { return charged_; }

  // The source-blit key given at creation (low and high value as given).
  void SetSourceKey(const DDCOLORKEY& key);
  // Marks the surface lost (its memory went back to the display).
  void MarkLost();
  // Copies the rows without padding (test hooks); false when the size differs.
  bool CopyPixels(uint8_t* out, DWORD width, DWORD height);
  // The attached palette with a reference, or null.
  Palette* AttachedPalette();

 private:
  void Describe(DDSURFACEDESC2* desc) const;  // caller holds lock_
  // The copy of Blt and BltFast; rectangles already checked.
  HRESULT CopyFrom(Surface* source, const RECT& to, const RECT& from, bool keyed);

  std::atomic<ULONG> refs_{1};
  const DWORD caps_;
  const DWORD width_;
  const DWORD height_;
  const LONG pitch_;
  const bool charged_;
  std::vector<uint8_t> pixels_;

  std::mutex lock_;  // guards everything below
  bool lost_ = false;
  bool locked_ = false;
  bool lockedWhole_ = false;
  RECT lockedRect_{};
  bool hasSrcKey_ = false;
  DDCOLORKEY srcKey_{};
  Palette* palette_ = nullptr;  // holds a reference
};

class Palette final : public IDirectDrawPalette {
 public:
  Palette(DWORD caps, const PALETTEENTRY* entries);
  ~Palette();

  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  HRESULT WINAPI GetCaps(LPDWORD lpdwCaps) override;
  HRESULT WINAPI GetEntries(DWORD dwFlags, DWORD dwBase, DWORD dwNumEntries, LPPALETTEENTRY lpEntries) override;
  HRESULT WINAPI Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override;
  HRESULT WINAPI SetEntries(DWORD dwFlags, DWORD dwStartingEntry, DWORD dwCount, LPPALETTEENTRY lpEntries) override;

  void CopyEntries(PALETTEENTRY* out);

 private:
  std::atomic<ULONG> refs_{1};
  const DWORD caps_;
  std::mutex lock_;
  PALETTEENTRY entries_[256];
};

// ---- the display (ddraw_display.cpp) ---------------------------------------------

// Guards the display state and the list of live surfaces.
std::mutex& Registry();
// Live surfaces; Registry() held.
std::vector<Surface*>& LiveSurfaces();
// Counts live COM objects of the layer (test hooks).
extern std::atomic<int> gLiveObjects;

// Whether an exclusive-mode owner is inactive: restoring surfaces then fails.
bool DisplayDeactivated();
// Video memory: take (false when the budget is exceeded) and give back.
bool TakeVideoMemory(size_t bytes);
void ReturnVideoMemory(size_t bytes);
// A surface leaves the registry (last Release), before it is deleted.
void ForgetSurface(Surface* surface);

// Bytes from one row to the next for a width: rounded up to 8 bytes, so that
// surfaces whose width is not a multiple of 8 have a pitch beyond the width.
inline LONG PitchFor(DWORD width) { return static_cast<LONG>((width + 7u) & ~7u); }

// What the display shows: the exclusive window, the primary surface's
// 640 x 480 bytes (rows without padding) and the attached palette's entries
// (hasPalette false when none is attached). False without an exclusive
// window or a primary surface.
bool TakeDisplayFrame(HWND* window, uint8_t* pixels, PALETTEENTRY* entries, bool* hasPalette);

// Has the window thread show the display from now on (ddraw_present.cpp);
// called when the first DirectDraw object is made.
void StartShowingDisplay();

// Fills an 8-bit palettised pixel format.
void DescribePixelFormat(DDPIXELFORMAT* format);

}  // namespace vsk::platform::ddraw
