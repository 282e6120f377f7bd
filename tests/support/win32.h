// Helpers for tests of the Win32-named layer: a window of a class of its
// own, the thread's message queue, and the 8-bit DirectDraw surfaces.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace vsk::test {

// A registered window class and one window of it; the window is destroyed
// (if still there) and the class unregistered with the object.
class TestWindow {
 public:
  explicit TestWindow(std::string className, WNDPROC procedure = DefWindowProcA, int width = 640,
                      int height = 480, DWORD style = WS_POPUP, UINT classStyle = 0)
      : className_(std::move(className)) {
    WNDCLASSA windowClass{};
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className_.c_str();
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    window_ = CreateWindowExA(WS_EX_APPWINDOW, className_.c_str(), "Veskaria / Test", style, 0, 0, width, height,
                              nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window_, nullptr);
  }
  ~TestWindow() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    UnregisterClassA(className_.c_str(), nullptr);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  operator HWND() const { return window_; }

 private:
  std::string className_;
  HWND window_ = nullptr;
};

// Takes every queued message of the calling thread, dispatching each.
inline void DispatchAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A message as (message, wParam, lParam), to compare sequences at once.
using Message = std::tuple<UINT, WPARAM, LPARAM>;
inline Message Fields(const MSG& msg) { return {msg.message, msg.wParam, msg.lParam}; }

// The primary surface of a DirectDraw object, or nullptr.
inline IDirectDrawSurface7* CreatePrimary(IDirectDraw7* dd) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* surface = nullptr;
  EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
  return surface;
}

// Every byte (x, y) of an 8-bit surface := f(x, y), through the lock's
// address and pitch.
template <typename F>
void FillSurface(IDirectDrawSurface7* surface, F f) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  auto* base = static_cast<uint8_t*>(desc.lpSurface);
  for (DWORD y = 0; y < desc.dwHeight; ++y)
    for (DWORD x = 0; x < desc.dwWidth; ++x) base[y * desc.lPitch + x] = static_cast<uint8_t>(f(x, y));
  ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
}

// A 256-colour palette of entries f(i), attached to the surface; the
// surface keeps it, the caller's reference is returned.
template <typename F>
IDirectDrawPalette* AttachPalette(IDirectDraw7* dd, IDirectDrawSurface7* surface, PALETTEENTRY* colors, F f) {
  for (int i = 0; i < 256; ++i) colors[i] = f(i);
  IDirectDrawPalette* palette = nullptr;
  EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, colors, &palette, nullptr), DD_OK);
  if (palette && surface) {
    EXPECT_EQ(surface->SetPalette(palette), DD_OK);
  }
  return palette;
}

}  // namespace vsk::test
