#include "present/window_messages.h"

#include "core/presenter_state.h"
#include "startup/entry.h"

namespace vsk {

namespace {

constexpr WPARAM kScreenSaver = 0xF140;  // SC_SCREENSAVE
constexpr WPARAM kMonitorPower = 0xF170;  // SC_MONITORPOWER

}  // namespace

bool HandleGameWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CLOSE:
      PostThreadMessageA(MainThreadId, WM_CLOSE, 0, 0);
      *result = 0;
      return true;
    case WM_KEYDOWN:
      AnyKeyPressed = 1;
      KeyDown[wParam & 0xFF] = 1;
      if ((wParam & 0xFF) == VK_F1) F1Pressed = true;
      *result = 0;
      return true;
    case WM_KEYUP:
      KeyDown[wParam & 0xFF] = 0;
      *result = 0;
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != kScreenSaver && (wParam & 0xFFF0) != kMonitorPower) return false;
      *result = 0;
      return true;
    case WM_ERASEBKGND:
    case WM_CHAR:
    case WM_TIMER:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      // To the game thread, and the default procedure sees it too.
      PostThreadMessageA(MainThreadId, message, wParam, lParam);
      *result = DefWindowProcA(window, message, wParam, lParam);
      return true;
    case kQuitRequest:
      PostQuitMessage(0);
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace vsk
