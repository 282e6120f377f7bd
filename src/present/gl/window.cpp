#include "present/gl/window.h"

#include <GL/gl.h>
#include <mmsystem.h>

#include <cstring>
#include <string>

#include "core/presenter_state.h"
#include "present/gl/frame.h"
#include "present/window_messages.h"
#include "services/memory.h"
#include "sound/sfx.h"
#include "startup/outcome.h"
#include "startup/report.h"
#include "startup/setup.h"

namespace vsk {

namespace {

constexpr const char* kClassName = "Veskaria";
constexpr const char* kTitle = "Veskaria / OpenGL";
constexpr UINT kClassStyle = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;  // 0x23
constexpr UINT kUpdateRequest = WM_USER + 1;
constexpr uint32_t kPointerBytes = 32 * 27;

HINSTANCE gInstance = nullptr;
HDC gDeviceContext = nullptr;
HGLRC gRenderContext = nullptr;

// Creation failed: the box, and the first failure noted for the exit status.
void ErrorBox(const char* text) {
  NoteRunFailure(kExitStartFailed, std::string("the OpenGL window could not be made: ") + text);
  MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}
void ShutdownBox(const char* text) { MessageBoxA(nullptr, text, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION); }

// Tears the window down, then shows why creation stopped.
int CreationFailed(const char* text) {
  GLDestroyWindow();
  ErrorBox(text);
  return 0;
}

const PIXELFORMATDESCRIPTOR& RequestedFormat() {
  static const PIXELFORMATDESCRIPTOR format = [] {
    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(WindowBits);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
  }();
  return format;
}

// Vsync where the driver offers the swap-interval extension.
void AskForVsync() {
  using SwapInterval = BOOL(WINAPI*)(int);
  // Through void (*)(): a cast between unrelated function types warns.
  auto proc = reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT"));
  if (proc) reinterpret_cast<SwapInterval>(proc)(1);
}

// Performance-counter ticks of one display refresh.
LONGLONG FramePeriod(LONGLONG frequency) {
  int rate = gDeviceContext ? GetDeviceCaps(gDeviceContext, VREFRESH) : 0;
  if (rate <= 1) rate = 60;  // 0 and 1 stand for the hardware's default
  return frequency / rate;
}

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONG SwitchToWindowMode() {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = static_cast<DWORD>(WindowWidth);
  mode.dmPelsHeight = static_cast<DWORD>(WindowHeight);
  mode.dmBitsPerPel = static_cast<DWORD>(WindowBits);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
}


}  // namespace

void GLDestroyWindow() {
  if (FullScreen) {
    ChangeDisplaySettingsA(nullptr, 0);
    ShowCursor(TRUE);
  }
  if (gRenderContext) {
    if (!wglMakeCurrent(nullptr, nullptr)) ShutdownBox("(GL) Release Of DC And RC Failed.");
    if (!wglDeleteContext(gRenderContext)) ShutdownBox("(GL) Release Rendering Context Failed.");
    gRenderContext = nullptr;
  }
  if (gDeviceContext) {
    if (!ReleaseDC(WindowHandle, gDeviceContext)) ShutdownBox("(GL) Release Device Context Failed.");
    gDeviceContext = nullptr;
  }
  if (WindowHandle) {
    if (!DestroyWindow(WindowHandle)) ShutdownBox("(GL) Could Not Release hWnd.");
    WindowHandle = nullptr;
  }
  if (!UnregisterClassA(kClassName, gInstance)) {
    ShutdownBox("(GL) Could Not Unregister Class.");
    gInstance = nullptr;
  }
}

int GLCreateWindow(const char* title, int width, int height, int bits, int fullScreen) {
  FullScreen = fullScreen;
  gInstance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.style = kClassStyle;
  windowClass.lpfnWndProc = GLWindowProc;
  windowClass.hInstance = gInstance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) {
    ErrorBox("(GL) Failed To Register The Window Class.");
    return 0;
  }

  if (FullScreen) {
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
      const int answer =
          MessageBoxA(nullptr, "Fullscreen is not supported by your \nvideo card.\n\nDo you want to start in windowed mode ?",
                      "Veskaria", MB_YESNO | MB_ICONEXCLAMATION);
      if (answer != IDYES) {
        NoteRunFailure(kExitStartFailed, "full screen is not supported and the windowed mode was declined");
        // The class goes again, so that the next attempt can register it.
        FullScreen = 0;
        UnregisterClassA(kClassName, gInstance);
        return 0;
      }
      FullScreen = 0;
    }
  }

  DWORD exStyle, style;
  if (FullScreen) {
    exStyle = WS_EX_APPWINDOW;
    style = WS_POPUP;
  } else {
    exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  }
  style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  WindowHandle = CreateWindowExA(exStyle, kClassName, title, style, 0, 0, rect.right - rect.left,
                                 rect.bottom - rect.top, nullptr, nullptr, gInstance, nullptr);
  if (!WindowHandle) return CreationFailed("(GL) Window Creation Error.");

  gDeviceContext = GetDC(WindowHandle);
  if (!gDeviceContext) return CreationFailed("(GL) Can't Create A GL Device Context.");
  const int format = ChoosePixelFormat(gDeviceContext, &RequestedFormat());
  if (!format) return CreationFailed("(GL) Can't Find A Suitable PixelFormat.");
  if (!SetPixelFormat(gDeviceContext, format, &RequestedFormat()))
    return CreationFailed("(GL) Can't Set The PixelFormat.");
  gRenderContext = wglCreateContext(gDeviceContext);
  if (!gRenderContext) return CreationFailed("(GL) Can't Create A GL Rendering Context.");
  if (!wglMakeCurrent(gDeviceContext, gRenderContext))
    return CreationFailed("(GL) Can't Activate The GL Rendering Context.");
  AskForVsync();

  CheckSystem();
  if (!SetupSystem()) {
    NoteStartFailure("the system set-up failed (the log names the step)");
    return 0;
  }
  if (!InitSoundEnv(0)) {
    NoteStartFailure("the sound could not be set up (the log names the step)");
    return 0;
  }

  ShowCursor(FALSE);
  SetCursorPos(width / 2 - 16, height / 2 - 13);
  PointerX = width / 2 - 16;
  PointerY = height / 2 - 13;

  if (!GLInitState()) return CreationFailed("(GL) Initialization Failed.");

  ShowWindow(WindowHandle, SW_SHOW);
  SetForegroundWindow(WindowHandle);
  SetFocus(WindowHandle);
  GLSetViewport(width, height);
  return 1;
}

LRESULT CALLBACK GLWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleGameWindowMessage(window, message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
        if (FullScreen) SwitchToWindowMode();
        ShowWindow(window, SW_RESTORE);
        WindowActive = 1;
        if (MainThreadHandle) ResumeThread(MainThreadHandle);
      } else {
        WindowActive = 0;
        if (MainThreadHandle) SuspendThread(MainThreadHandle);
        if (FullScreen) ChangeDisplaySettingsA(nullptr, 0);
        ShowWindow(window, SW_MINIMIZE);
      }
      return 0;
    case kUpdateRequest:  // every frame uploads the whole screen anyway
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int RunGLWindow() {
  PointerImage = static_cast<uint8_t*>(AllocVec(kPointerBytes, MEMF_CLEAR));
  if (!GLCreateWindow(kTitle, WindowWidth, WindowHeight, WindowBits, FullScreen)) {
    // A set-up that failed after the window was made leaves it behind.
    if (WindowHandle) GLDestroyWindow();
    FreeVec(PointerImage);
    PointerImage = nullptr;
    return 0;
  }
  // Frames keep to the display's refresh. Where vsync holds SwapBuffers back
  // the swap does it; elsewhere (no extension, or a driver without vsync)
  // the loop waits for the next frame's time, and any message that arrives
  // meanwhile is handled at once, so input reaches the game thread without
  // waiting for a frame.
  timeBeginPeriod(1);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  LONGLONG period = FramePeriod(frequency.QuadPart);
  LONGLONG due = 0;
  MSG msg{};
  int result = 0;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        result = static_cast<int>(msg.wParam);
        GLDestroyWindow();
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else if (WindowActive) {
      const LONGLONG now = Now();
      if (now < due) {
        const LONGLONG left = due - now;
        const auto milliseconds = static_cast<DWORD>((left * 1000 + frequency.QuadPart - 1) / frequency.QuadPart);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
        continue;
      }
      // A loop that fell behind starts counting again instead of catching up.
      due = now - due >= period ? now + period : due + period;
      GLRenderFrame();
      SwapBuffers(gDeviceContext);
      if (F1Pressed.exchange(false)) {
        KeyDown[VK_F1] = 0;
        GLDestroyWindow();
        FullScreen = !FullScreen;
        if (!GLCreateWindow(kTitle, WindowWidth, WindowHeight, WindowBits, FullScreen)) {
          if (WindowHandle) GLDestroyWindow();
          break;
        }
        period = FramePeriod(frequency.QuadPart);
      }
    } else {
      WaitMessage();
    }
  }
  timeEndPeriod(1);
  FreeVec(PointerImage);
  PointerImage = nullptr;
  return result;
}

}  // namespace vsk
