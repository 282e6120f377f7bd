// DirectDraw palettes: 256 entries of an 8-bit display. The palette attached
// to the primary surface is the display's hardware palette; SetEntries on it
// changes the colours shown at once.
#include <atomic>
#include <cstring>

#include "ddraw_objects.h"
#include "kernel32_thread.h"
#include "platform/testing.h"
#include "unsupported.h"

namespace vsk::platform::ddraw {

namespace {
std::atomic<uint64_t> gPaletteChanges{0};
}

Palette::Palette(DWORD caps, const PALETTEENTRY* entries) : caps_(caps) {
  std::memcpy(entries_, entries, sizeof entries_);
  ++gLiveObjects;
}

Palette::~Palette() { --gLiveObjects; }

HRESULT Palette::QueryInterface(REFIID riid, void** ppvObject) {
  SuspensionPoint();
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDirectDrawPalette)
    VSK_UNSUPPORTED("IDirectDrawPalette::QueryInterface for another interface");
  AddRef();
  *ppvObject = static_cast<IDirectDrawPalette*>(this);
  return S_OK;
}

ULONG Palette::AddRef() { return ++refs_; }

ULONG Palette::Release() {
  SuspensionPoint();
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Palette::GetCaps(LPDWORD lpdwCaps) {
  SuspensionPoint();
  if (!lpdwCaps) return DDERR_INVALIDPARAMS;
  *lpdwCaps = caps_;
  return DD_OK;
}

HRESULT Palette::GetEntries(DWORD dwFlags, DWORD dwBase, DWORD dwNumEntries, LPPALETTEENTRY lpEntries) {
  SuspensionPoint();
  if (dwFlags != 0 || !lpEntries || dwBase > 256 || dwNumEntries > 256 - dwBase) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> guard(lock_);
  std::memcpy(lpEntries, entries_ + dwBase, dwNumEntries * sizeof(PALETTEENTRY));
  return DD_OK;
}

HRESULT Palette::SetEntries(DWORD dwFlags, DWORD dwStartingEntry, DWORD dwCount, LPPALETTEENTRY lpEntries) {
  SuspensionPoint();
  if (dwFlags != 0 || !lpEntries || dwStartingEntry > 256 || dwCount > 256 - dwStartingEntry)
    return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> guard(lock_);
  std::memcpy(entries_ + dwStartingEntry, lpEntries, dwCount * sizeof(PALETTEENTRY));
  gPaletteChanges++;
  return DD_OK;
}

HRESULT Palette::Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) {
  SuspensionPoint();
  return DDERR_ALREADYINITIALIZED;
}

void Palette::CopyEntries(PALETTEENTRY* out) {
  std::lock_guard<std::mutex> guard(lock_);
  std::memcpy(out, entries_, sizeof entries_);
}

}  // namespace vsk::platform::ddraw

namespace vsk::platform::testing {

uint64_t PaletteChanges() { return ddraw::gPaletteChanges.load(); }

}  // namespace vsk::platform::testing
