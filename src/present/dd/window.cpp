#include "present/dd/window.h"

#include <ddraw.h>

#include <cstring>
#include <string>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "gfx/screen_update.h"
#include "present/window_messages.h"
#include "sound/sfx.h"
#include "startup/outcome.h"
#include "startup/report.h"
#include "startup/setup.h"

namespace vsk {

namespace {

constexpr const char* kClassName = "Veskaria";
constexpr const char* kTitle = "Veskaria / DirectX";
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr UINT kClassStyle = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;  // 0x23
constexpr DWORD kCooperation = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED;
constexpr UINT kUpdateRequest = WM_USER + 1;
constexpr DWORD kRefreshMilliseconds = 1000 / 60;

HINSTANCE gInstance = nullptr;

// Creation failed: the box, and the first failure noted for the exit status.
void ErrorBox(const char* text) {
  NoteRunFailure(kExitStartFailed, std::string("the DirectDraw window could not be made: ") + text);
  MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}
void ShutdownBox(const char* text) { MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION); }

IDirectDrawSurface7* PlainSurface(DWORD width, DWORD height, DWORD memory) {
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

int InitFailed(const char* text) {
  DXRelease();
  ErrorBox(text);
  return 0;
}


}  // namespace

int DXInit() {
  if (DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&DDObject), IID_IDirectDraw7, nullptr) != DD_OK) {
    DDObject = nullptr;
    ErrorBox("(DX) Can't create device.");
    return 0;
  }
  if (DDObject->SetCooperativeLevel(WindowHandle, kCooperation) != DD_OK)
    return InitFailed("(DX) Can't set cooperative Level..");
  if (DDObject->SetDisplayMode(kWidth, kHeight, 8, 0, 0) != DD_OK) return InitFailed("(DX) Can't set display mode .");

  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (DDObject->CreateSurface(&desc, &PrimarySurface, nullptr) != DD_OK) {
    PrimarySurface = nullptr;
    return InitFailed("(DX) Can't create Primary Surface.");
  }
  OffscreenSurface = PlainSurface(kWidth, kHeight, DDSCAPS_SYSTEMMEMORY);
  if (!OffscreenSurface) return InitFailed("(DX) Can't create Offscreen Surface.");
  PointerSurface = PlainSurface(32, 27, DDSCAPS_VIDEOMEMORY);
  if (!PointerSurface) PointerSurface = PlainSurface(32, 27, DDSCAPS_SYSTEMMEMORY);
  if (!PointerSurface) return InitFailed("(DX) Can't create Mouse Surface.");
  DDCOLORKEY key{0, 0};
  PointerSurface->SetColorKey(DDCKEY_SRCBLT, &key);

  if (DDObject->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, reinterpret_cast<LPPALETTEENTRY>(ScreenColors),
                              &DDPalette, nullptr) != DD_OK) {
    DDPalette = nullptr;
    return InitFailed("(DX) Can't create Palette.");
  }
  if (PrimarySurface->SetPalette(DDPalette) != DD_OK) return InitFailed("(DX) Can't attach Palette to Primary Screen.");
  return 1;
}

void DXRelease() {
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

void DXDestroyWindow() {
  if (FullScreen) ShowCursor(TRUE);
  if (WindowHandle) {
    if (!DestroyWindow(WindowHandle)) ShutdownBox("(DX) Could Not Release hWnd.");
    WindowHandle = nullptr;
  }
  if (!UnregisterClassA(kClassName, gInstance)) {
    ShutdownBox("(DX) Could Not Unregister Class.");
    gInstance = nullptr;
  }
}

int DXCreateWindow() {
  gInstance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.style = kClassStyle;
  windowClass.lpfnWndProc = DXWindowProc;
  windowClass.hInstance = gInstance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) {
    ErrorBox("(DX) Failed To Register The Window Class.");
    return 0;
  }
  const DWORD exStyle = WS_EX_APPWINDOW;
  const DWORD style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  ShowCursor(FALSE);
  RECT rect{0, 0, kWidth, kHeight};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  WindowHandle = CreateWindowExA(exStyle, kClassName, kTitle, style, 0, 0, rect.right - rect.left,
                                 rect.bottom - rect.top, nullptr, nullptr, gInstance, nullptr);
  if (!WindowHandle) {
    DXDestroyWindow();
    ErrorBox("(DX) Window Creation Error.");
    return 0;
  }
  // Created suspended; a second suspension is lifted by the activation.
  if (MainThreadHandle) SuspendThread(MainThreadHandle);

  // A start that fails from here on gives the game thread's extra
  // suspension back, as it found it.
  auto undoSuspension = [] {
    if (MainThreadHandle) ResumeThread(MainThreadHandle);
  };
  CheckSystem();
  if (!SetupSystem()) {
    undoSuspension();
    NoteStartFailure("the system set-up failed (the log names the step)");
    return 0;
  }
  if (!InitSoundEnv(0)) {
    undoSuspension();
    NoteStartFailure("the sound could not be set up (the log names the step)");
    return 0;
  }

  SetCursorPos(kWidth / 2 - 16, kHeight / 2 - 13);
  PointerX = kWidth / 2 - 16;
  PointerY = kHeight / 2 - 13;
  if (!DXInit()) {
    undoSuspension();
    DXDestroyWindow();
    ErrorBox("(DX) Initialization Failed.");
    return 0;
  }
  ShowWindow(WindowHandle, SW_SHOW);
  SetForegroundWindow(WindowHandle);
  SetFocus(WindowHandle);
  if (MainThreadHandle) ResumeThread(MainThreadHandle);
  return 1;
}

LRESULT CALLBACK DXWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleGameWindowMessage(window, message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_SIZE:
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
        WindowActive = 1;
        if (MainThreadHandle) ResumeThread(MainThreadHandle);
      } else {
        if (MainThreadHandle) SuspendThread(MainThreadHandle);
        WindowActive = 0;
      }
      return 0;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 1;
    case kUpdateRequest:
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int RunDXWindow() {
  FullScreen = 1;
  if (!DXCreateWindow()) {
    // A set-up that failed after the window was made leaves it behind.
    if (WindowHandle) DXDestroyWindow();
    return 0;
  }
  MSG msg{};
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else if (WindowActive) {
      RestoreSurfaces();
      // Nothing waiting: sleep until a message arrives or the next refresh
      // is due, instead of turning again at once.
      MsgWaitForMultipleObjects(0, nullptr, FALSE, kRefreshMilliseconds, QS_ALLINPUT);
    } else {
      WaitMessage();
    }
  }
  if (MainThreadHandle) CloseHandle(MainThreadHandle);
  MainThreadHandle = nullptr;
  DXRelease();
  DXDestroyWindow();
  return static_cast<int>(msg.wParam);
}

}  // namespace vsk
