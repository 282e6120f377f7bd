// DirectDraw surfaces: 8-bit byte buffers with a pitch, locked whole or by
// rectangle, copied by Blt and BltFast (with the source colour key), lost
// when the display is taken away and restored by Restore.
#include <algorithm>
#include <cstring>

#include "ddraw_objects.h"
#include "kernel32_thread.h"
#include "unsupported.h"

namespace vsk::platform::ddraw {

namespace {

// A rectangle lies inside a width x height surface and is not empty.
bool InsideSurface(const RECT& rect, DWORD width, DWORD height) {
  return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
         static_cast<DWORD>(rect.right) <= width && static_cast<DWORD>(rect.bottom) <= height;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Copies width x height bytes; with a key, source bytes inside the key's
// range are left out. Source and destination do not overlap.
void CopyRows(uint8_t* dst, LONG dstPitch, const uint8_t* src, LONG srcPitch, LONG width, LONG height,
              const DDCOLORKEY* key) {
  for (LONG row = 0; row < height; ++row) {
    uint8_t* to = dst + row * dstPitch;
    const uint8_t* from = src + row * srcPitch;
    if (!key) {
      std::memcpy(to, from, static_cast<size_t>(width));
      continue;
    }
    for (LONG x = 0; x < width; ++x) {
      DWORD value = from[x];
      if (value < key->dwColorSpaceLowValue || value > key->dwColorSpaceHighValue) to[x] = from[x];
    }
  }
}

}  // namespace

Surface::Surface(DWORD caps, DWORD width, DWORD height, bool chargedToVideoMemory)
    : caps_(caps),
      width_(width),
      height_(height),
      pitch_(PitchFor(width)),
      charged_(chargedToVideoMemory),
      pixels_(static_cast<size_t>(PitchFor(width)) * height) {
  ++gLiveObjects;
}

Surface::~Surface() {
  if (palette_) palette_->Release();
  --gLiveObjects;
}

HRESULT Surface::QueryInterface(REFIID riid, void** ppvObject) {
  SuspensionPoint();
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDirectDrawSurface7)
    VSK_UNSUPPORTED("IDirectDrawSurface7::QueryInterface for another interface");
  AddRef();
  *ppvObject = static_cast<IDirectDrawSurface7*>(this);
  return S_OK;
}

ULONG Surface::AddRef() { return ++refs_; }

ULONG Surface::Release() {
  SuspensionPoint();
  ULONG left = --refs_;
  if (left == 0) {
    ForgetSurface(this);
    delete this;
  }
  return left;
}

void Surface::Describe(DDSURFACEDESC2* desc) const {
  DWORD size = desc->dwSize;
  std::memset(desc, 0, sizeof *desc);
  desc->dwSize = size;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = width_;
  desc->dwHeight = height_;
  desc->lPitch = pitch_;
  DescribePixelFormat(&desc->ddpfPixelFormat);
  desc->ddsCaps.dwCaps = caps_;
  if (hasSrcKey_) {
    desc->dwFlags |= DDSD_CKSRCBLT;
    desc->ddckCKSrcBlt = srcKey_;
  }
}

HRESULT Surface::Lock(LPRECT lpDestRect, LPDDSURFACEDESC2 lpDDSurfaceDesc, DWORD dwFlags, HANDLE hEvent) {
  SuspensionPoint();
  if (!lpDDSurfaceDesc || lpDDSurfaceDesc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (hEvent) VSK_UNSUPPORTED("IDirectDrawSurface7::Lock with an event");
  constexpr DWORD kKnown = DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY | DDLOCK_NOSYSLOCK | DDLOCK_DONOTWAIT;
  if (dwFlags & ~kKnown) VSK_UNSUPPORTED("IDirectDrawSurface7::Lock flags beyond wait, read-only, write-only");
  RECT area{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  if (lpDestRect) {
    if (!InsideSurface(*lpDestRect, width_, height_)) return DDERR_INVALIDRECT;
    area = *lpDestRect;
  }
  std::lock_guard<std::mutex> guard(lock_);
  if (lost_) return DDERR_SURFACELOST;
  // One lock at a time; DDLOCK_WAIT only waits for blits, which are done
  // by the time a call returns.
  if (locked_) return DDERR_SURFACEBUSY;
  locked_ = true;
  lockedWhole_ = lpDestRect == nullptr;
  lockedRect_ = area;
  Describe(lpDDSurfaceDesc);
  lpDDSurfaceDesc->dwFlags |= DDSD_LPSURFACE;
  lpDDSurfaceDesc->lpSurface = pixels_.data() + static_cast<size_t>(area.top) * pitch_ + area.left;
  return DD_OK;
}

HRESULT Surface::Unlock(LPRECT lpSurfaceData) {
  SuspensionPoint();
  std::lock_guard<std::mutex> guard(lock_);
  if (!locked_) return DDERR_NOTLOCKED;
  // The rectangle of the lock, or null for a lock of the whole surface.
  if (lpSurfaceData ? !SameRect(*lpSurfaceData, lockedRect_) : !lockedWhole_) return DDERR_NOTLOCKED;
  locked_ = false;
  return DD_OK;
}

HRESULT Surface::Blt(LPRECT lpDestRect, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect, DWORD dwFlags,
                     LPDDBLTFX) {
  SuspensionPoint();
  // Blending flags ask for effects the emulated display does not have; the
  // copy is made without them, as a display without alpha hardware does.
  constexpr DWORD kAlphaEffects = DDBLT_ALPHADEST | DDBLT_ALPHADESTCONSTOVERRIDE | DDBLT_ALPHADESTNEG |
                                  DDBLT_ALPHADESTSURFACEOVERRIDE | DDBLT_ALPHAEDGEBLEND | DDBLT_ALPHASRC |
                                  DDBLT_ALPHASRCCONSTOVERRIDE | DDBLT_ALPHASRCNEG | DDBLT_ALPHASRCSURFACEOVERRIDE;
  constexpr DWORD kHandled = DDBLT_WAIT | DDBLT_DONOTWAIT | DDBLT_ASYNC | DDBLT_KEYSRC;
  if (dwFlags & ~(kAlphaEffects | kHandled))
    VSK_UNSUPPORTED("IDirectDrawSurface7::Blt flags other than wait and source colour key (fills, ROPs, FX)");
  if (!lpDDSrcSurface) return DDERR_INVALIDPARAMS;
  auto* source = static_cast<Surface*>(lpDDSrcSurface);
  RECT to = lpDestRect ? *lpDestRect : RECT{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  RECT from = lpSrcRect ? *lpSrcRect
                        : RECT{0, 0, static_cast<LONG>(source->width_), static_cast<LONG>(source->height_)};
  // Without a clipper both rectangles must lie inside their surfaces.
  if (!InsideSurface(to, width_, height_) || !InsideSurface(from, source->width_, source->height_))
    return DDERR_INVALIDRECT;
  if (to.right - to.left != from.right - from.left || to.bottom - to.top != from.bottom - from.top)
    VSK_UNSUPPORTED("IDirectDrawSurface7::Blt with stretching");

  return CopyFrom(source, to, from, (dwFlags & DDBLT_KEYSRC) != 0);
}

HRESULT Surface::BltFast(DWORD dwX, DWORD dwY, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect,
                         DWORD dwTrans) {
  SuspensionPoint();
  constexpr DWORD kHandled = DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT | DDBLTFAST_DONOTWAIT;
  if (dwTrans & ~kHandled) VSK_UNSUPPORTED("IDirectDrawSurface7::BltFast with a destination colour key");
  if (!lpDDSrcSurface) return DDERR_INVALIDPARAMS;
  auto* source = static_cast<Surface*>(lpDDSrcSurface);
  RECT from = lpSrcRect ? *lpSrcRect
                        : RECT{0, 0, static_cast<LONG>(source->width_), static_cast<LONG>(source->height_)};
  if (!InsideSurface(from, source->width_, source->height_)) return DDERR_INVALIDRECT;
  int64_t right = static_cast<int64_t>(dwX) + (from.right - from.left);
  int64_t bottom = static_cast<int64_t>(dwY) + (from.bottom - from.top);
  if (right > static_cast<int64_t>(width_) || bottom > static_cast<int64_t>(height_)) return DDERR_INVALIDRECT;
  RECT to{static_cast<LONG>(dwX), static_cast<LONG>(dwY), static_cast<LONG>(right), static_cast<LONG>(bottom)};

  return CopyFrom(source, to, from, (dwTrans & DDBLTFAST_SRCCOLORKEY) != 0);
}

HRESULT Surface::CopyFrom(Surface* source, const RECT& to, const RECT& from, bool keyed) {
  std::unique_lock<std::mutex> own(lock_, std::defer_lock);
  std::unique_lock<std::mutex> other(source->lock_, std::defer_lock);
  if (source == this) own.lock();
  else std::lock(own, other);
  if (lost_ || source->lost_) return DDERR_SURFACELOST;
  if (locked_ || source->locked_) return DDERR_SURFACEBUSY;
  if (keyed && !source->hasSrcKey_) return DDERR_NOCOLORKEY;
  const DDCOLORKEY* key = keyed ? &source->srcKey_ : nullptr;
  LONG width = from.right - from.left;
  LONG height = from.bottom - from.top;
  uint8_t* dst = pixels_.data() + static_cast<size_t>(to.top) * pitch_ + to.left;
  const uint8_t* src = source->pixels_.data() + static_cast<size_t>(from.top) * source->pitch_ + from.left;
  if (source == this && Overlap(to, from)) {
    // Within one surface the source is read whole before it is written.
    std::vector<uint8_t> copy(static_cast<size_t>(width) * height);
    CopyRows(copy.data(), width, src, pitch_, width, height, nullptr);
    CopyRows(dst, pitch_, copy.data(), width, width, height, key);
  } else {
    CopyRows(dst, pitch_, src, source->pitch_, width, height, key);
  }
  return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) {
  SuspensionPoint();
  if (dwFlags & ~static_cast<DWORD>(DDCKEY_SRCBLT | DDCKEY_COLORSPACE))
    VSK_UNSUPPORTED("IDirectDrawSurface7::SetColorKey other than the source-blit key");
  if (!(dwFlags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> guard(lock_);
  if (!lpDDColorKey) {
    hasSrcKey_ = false;  // a null key removes it
    return DD_OK;
  }
  srcKey_ = *lpDDColorKey;
  // A single colour unless a colour space is asked for.
  if (!(dwFlags & DDCKEY_COLORSPACE)) srcKey_.dwColorSpaceHighValue = srcKey_.dwColorSpaceLowValue;
  hasSrcKey_ = true;
  return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) {
  SuspensionPoint();
  if (dwFlags != DDCKEY_SRCBLT) VSK_UNSUPPORTED("IDirectDrawSurface7::GetColorKey other than the source-blit key");
  if (!lpDDColorKey) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> guard(lock_);
  if (!hasSrcKey_) return DDERR_NOCOLORKEY;
  *lpDDColorKey = srcKey_;
  return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE lpDDPalette) {
  SuspensionPoint();
  auto* palette = static_cast<Palette*>(lpDDPalette);
  Palette* previous = nullptr;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (lost_) return DDERR_SURFACELOST;
    if (palette == palette_) return DD_OK;
    if (palette) palette->AddRef();
    previous = palette_;
    palette_ = palette;
  }
  if (previous) previous->Release();
  return DD_OK;
}

HRESULT Surface::GetPalette(LPDIRECTDRAWPALETTE* lplpDDPalette) {
  SuspensionPoint();
  if (!lplpDDPalette) return DDERR_INVALIDPARAMS;
  *lplpDDPalette = nullptr;
  Palette* palette = AttachedPalette();
  if (!palette) return DDERR_NOPALETTEATTACHED;
  *lplpDDPalette = palette;
  return DD_OK;
}

Palette* Surface::AttachedPalette() {
  std::lock_guard<std::mutex> guard(lock_);
  if (palette_) palette_->AddRef();
  return palette_;
}

HRESULT Surface::IsLost() {
  SuspensionPoint();
  std::lock_guard<std::mutex> guard(lock_);
  return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
  SuspensionPoint();
  // While the exclusive-mode window is inactive the display belongs to
  // someone else: its memory cannot be had back yet.
  bool displayAway = DisplayDeactivated() && (IsPrimary() || InVideoMemory());
  std::lock_guard<std::mutex> guard(lock_);
  if (!lost_) return DD_OK;
  if (displayAway) return DDERR_WRONGMODE;
  // The memory is back, its content is not: the owner redraws it.
  if (!locked_) std::fill(pixels_.begin(), pixels_.end(), 0);
  lost_ = false;
  return DD_OK;
}

void Surface::SetSourceKey(const DDCOLORKEY& key) {
  std::lock_guard<std::mutex> guard(lock_);
  srcKey_ = key;
  hasSrcKey_ = true;
}

void Surface::MarkLost() {
  std::lock_guard<std::mutex> guard(lock_);
  lost_ = true;
}

bool Surface::CopyPixels(uint8_t* out, DWORD width, DWORD height) {
  std::lock_guard<std::mutex> guard(lock_);
  if (width != width_ || height != height_) return false;
  CopyRows(out, static_cast<LONG>(width), pixels_.data(), pitch_, static_cast<LONG>(width),
           static_cast<LONG>(height), nullptr);
  return true;
}

HRESULT Surface::GetCaps(LPDDSCAPS2 lpDDSCaps) {
  SuspensionPoint();
  if (!lpDDSCaps) return DDERR_INVALIDPARAMS;
  *lpDDSCaps = DDSCAPS2{};
  lpDDSCaps->dwCaps = caps_;
  return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT lpDDPixelFormat) {
  SuspensionPoint();
  if (!lpDDPixelFormat || lpDDPixelFormat->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
  DescribePixelFormat(lpDDPixelFormat);
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 lpDDSurfaceDesc) {
  SuspensionPoint();
  if (!lpDDSurfaceDesc || lpDDSurfaceDesc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> guard(lock_);
  Describe(lpDDSurfaceDesc);
  return DD_OK;
}

HRESULT Surface::Initialize(LPDIRECTDRAW, LPDDSURFACEDESC2) {
  SuspensionPoint();
  return DDERR_ALREADYINITIALIZED;
}

// ---- what the game does not call ------------------------------------------------------

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE7) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::AddAttachedSurface");
}
HRESULT Surface::AddOverlayDirtyRect(LPRECT) { VSK_UNSUPPORTED("IDirectDrawSurface7::AddOverlayDirtyRect"); }
HRESULT Surface::BltBatch(LPDDBLTBATCH, DWORD, DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::BltBatch"); }
HRESULT Surface::DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE7) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::DeleteAttachedSurface");
}
HRESULT Surface::EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK7) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::EnumAttachedSurfaces");
}
HRESULT Surface::EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK7) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::EnumOverlayZOrders");
}
HRESULT Surface::Flip(LPDIRECTDRAWSURFACE7, DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::Flip"); }
HRESULT Surface::GetAttachedSurface(LPDDSCAPS2, LPDIRECTDRAWSURFACE7*) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::GetAttachedSurface");
}
HRESULT Surface::GetBltStatus(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetBltStatus"); }
HRESULT Surface::GetClipper(LPDIRECTDRAWCLIPPER*) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetClipper"); }
HRESULT Surface::GetDC(HDC*) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetDC"); }
HRESULT Surface::GetFlipStatus(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetFlipStatus"); }
HRESULT Surface::GetOverlayPosition(LPLONG, LPLONG) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetOverlayPosition"); }
HRESULT Surface::ReleaseDC(HDC) { VSK_UNSUPPORTED("IDirectDrawSurface7::ReleaseDC"); }
HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER) { VSK_UNSUPPORTED("IDirectDrawSurface7::SetClipper"); }
HRESULT Surface::SetOverlayPosition(LONG, LONG) { VSK_UNSUPPORTED("IDirectDrawSurface7::SetOverlayPosition"); }
HRESULT Surface::UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE7, LPRECT, DWORD, LPDDOVERLAYFX) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::UpdateOverlay");
}
HRESULT Surface::UpdateOverlayDisplay(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::UpdateOverlayDisplay"); }
HRESULT Surface::UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE7) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::UpdateOverlayZOrder");
}
HRESULT Surface::GetDDInterface(LPVOID*) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetDDInterface"); }
HRESULT Surface::PageLock(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::PageLock"); }
HRESULT Surface::PageUnlock(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::PageUnlock"); }
HRESULT Surface::SetSurfaceDesc(LPDDSURFACEDESC2, DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::SetSurfaceDesc"); }
HRESULT Surface::SetPrivateData(REFGUID, LPVOID, DWORD, DWORD) {
  VSK_UNSUPPORTED("IDirectDrawSurface7::SetPrivateData");
}
HRESULT Surface::GetPrivateData(REFGUID, LPVOID, LPDWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetPrivateData"); }
HRESULT Surface::FreePrivateData(REFGUID) { VSK_UNSUPPORTED("IDirectDrawSurface7::FreePrivateData"); }
HRESULT Surface::GetUniquenessValue(LPDWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetUniquenessValue"); }
HRESULT Surface::ChangeUniquenessValue() { VSK_UNSUPPORTED("IDirectDrawSurface7::ChangeUniquenessValue"); }
HRESULT Surface::SetPriority(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::SetPriority"); }
HRESULT Surface::GetPriority(LPDWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetPriority"); }
HRESULT Surface::SetLOD(DWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::SetLOD"); }
HRESULT Surface::GetLOD(LPDWORD) { VSK_UNSUPPORTED("IDirectDrawSurface7::GetLOD"); }

}  // namespace vsk::platform::ddraw
