// A plain window of the layer (default window procedure) made on the calling
// thread, so that what is posted to it lands in that thread's queue, and its
// removal with the class and whatever the queue still holds.
#pragma once

#include <windows.h>

namespace vsk::test {

inline void DrainMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

inline HWND MakePlainWindow(const char* className, int width, int height) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  if (!RegisterClassA(&windowClass)) return nullptr;
  return CreateWindowExA(0, className, "Veskaria / Test", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

inline void RemovePlainWindow(HWND window, const char* className) {
  if (window) DestroyWindow(window);
  UnregisterClassA(className, GetModuleHandleA(nullptr));
  DrainMessages();
}

}  // namespace vsk::test
