// WGL over SDL's OpenGL contexts: the one pixel format every window offers,
// compatibility-profile contexts, making them current, SwapBuffers, and the
// swap-interval extension (vsync where the driver gives it). The game draws
// into a framebuffer object of its display size, which SwapBuffers copies
// into the window: as it is, or scaled with its aspect kept and letterboxed
// when the window has another size (an emulated full-screen display mode, or
// a window the player resized or maximised). So the game's own viewport and
// drawing stay as written for its display size.
#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/testing.h"
#include "unsupported.h"
#include "user32_message.h"
#include "user32_window.h"

#ifndef GL_FRAMEBUFFER
#define GL_FRAMEBUFFER 0x8D40
#define GL_READ_FRAMEBUFFER 0x8CA8
#define GL_DRAW_FRAMEBUFFER 0x8CA9
#define GL_RENDERBUFFER 0x8D41
#define GL_COLOR_ATTACHMENT0 0x8CE0
#define GL_DEPTH_STENCIL_ATTACHMENT 0x821A
#define GL_DEPTH24_STENCIL8 0x88F0
#define GL_FRAMEBUFFER_COMPLETE 0x8CD5
#endif

namespace vsk::platform {

namespace {

// Framebuffer-object entry points (OpenGL 3.0 / ARB_framebuffer_object),
// looked up once a context is current.
struct FramebufferCalls {
  bool loaded = false;
  bool available = false;
  void (*GenFramebuffers)(GLsizei, GLuint*) = nullptr;
  void (*DeleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
  void (*BindFramebuffer)(GLenum, GLuint) = nullptr;
  void (*GenRenderbuffers)(GLsizei, GLuint*) = nullptr;
  void (*DeleteRenderbuffers)(GLsizei, const GLuint*) = nullptr;
  void (*BindRenderbuffer)(GLenum, GLuint) = nullptr;
  void (*RenderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei) = nullptr;
  void (*FramebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint) = nullptr;
  GLenum (*CheckFramebufferStatus)(GLenum) = nullptr;
  void (*BlitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                          GLenum) = nullptr;
};

template <typename F>
void Load(F& function, const char* name) {
  function = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
}

struct Context {
  HGLRC__ tag{};  // HGLRC is the address of this member
  SDL_GLContext sdl = nullptr;
  HWND window = nullptr;      // the window it is current with
  DWORD currentThread = 0;    // 0 when not current anywhere
  FramebufferCalls calls;
  // Full screen: the game's frame is drawn here and scaled on SwapBuffers.
  GLuint framebuffer = 0, color = 0, depth = 0;
  int frameWidth = 0, frameHeight = 0;
  bool drawingOffscreen = false;
};

std::mutex gContextsLock;
std::vector<std::unique_ptr<Context>>& Contexts() {
  static auto* contexts = new std::vector<std::unique_ptr<Context>>();
  return *contexts;
}
// Window thread only. Leaked on purpose, like the other tables of the layer:
// threads may still call in while static objects are destroyed at exit.
std::unordered_map<HWND, int>& gPixelFormats = *new std::unordered_map<HWND, int>();
thread_local Context* tCurrent = nullptr;
thread_local HDC tCurrentDC = nullptr;

std::atomic<bool> gCapture{false};
std::atomic<uint64_t> gFramesPresented{0};
std::mutex gFrameLock;
std::vector<uint8_t> gFrame;  // RGB, top row first
int gFrameWidth = 0, gFrameHeight = 0;
std::vector<uint8_t> gWindowPicture;  // RGB, top row first
int gWindowWidth = 0, gWindowHeight = 0;

Context* FindContext(HGLRC handle) {
  std::lock_guard<std::mutex> lock(gContextsLock);
  for (auto& context : Contexts())
    if (&context->tag == handle) return context.get();
  return nullptr;
}

const PIXELFORMATDESCRIPTOR& OfferedFormat() {
  static const PIXELFORMATDESCRIPTOR format = [] {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
  }();
  return format;
}

HWND WindowOfDCChecked(HDC hdc) {
  HWND window = WindowOfDC(hdc);
  if (!window) SetLastError(ERROR_INVALID_HANDLE);
  return window;
}

void FreeFramebuffer(Context& context) {
  if (!context.framebuffer) return;
  context.calls.DeleteFramebuffers(1, &context.framebuffer);
  context.calls.DeleteRenderbuffers(1, &context.color);
  context.calls.DeleteRenderbuffers(1, &context.depth);
  context.framebuffer = context.color = context.depth = 0;
  context.frameWidth = context.frameHeight = 0;
}

// Chooses where the next frame is drawn: into a framebuffer of the game's
// display size, or (without framebuffer objects) into the window. The
// context is current.
void ChooseDrawTarget(Context& context) {
  GameView view;
  if (!GameViewOf(context.window, &view)) return;
  FramebufferCalls& calls = context.calls;
  if (!calls.loaded) {
    calls.loaded = true;
    Load(calls.GenFramebuffers, "glGenFramebuffers");
    Load(calls.DeleteFramebuffers, "glDeleteFramebuffers");
    Load(calls.BindFramebuffer, "glBindFramebuffer");
    Load(calls.GenRenderbuffers, "glGenRenderbuffers");
    Load(calls.DeleteRenderbuffers, "glDeleteRenderbuffers");
    Load(calls.BindRenderbuffer, "glBindRenderbuffer");
    Load(calls.RenderbufferStorage, "glRenderbufferStorage");
    Load(calls.FramebufferRenderbuffer, "glFramebufferRenderbuffer");
    Load(calls.CheckFramebufferStatus, "glCheckFramebufferStatus");
    Load(calls.BlitFramebuffer, "glBlitFramebuffer");
    calls.available = calls.GenFramebuffers && calls.DeleteFramebuffers && calls.BindFramebuffer &&
                      calls.GenRenderbuffers && calls.DeleteRenderbuffers && calls.BindRenderbuffer &&
                      calls.RenderbufferStorage && calls.FramebufferRenderbuffer &&
                      calls.CheckFramebufferStatus && calls.BlitFramebuffer;
  }
  // Without framebuffer objects the frame stays unscaled in the corner of a
  // larger window.
  bool offscreen = calls.available;
  if (offscreen && (context.frameWidth != view.gameWidth || context.frameHeight != view.gameHeight)) {
    FreeFramebuffer(context);
    calls.GenFramebuffers(1, &context.framebuffer);
    calls.GenRenderbuffers(1, &context.color);
    calls.GenRenderbuffers(1, &context.depth);
    calls.BindRenderbuffer(GL_RENDERBUFFER, context.color);
    calls.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, view.gameWidth, view.gameHeight);
    calls.BindRenderbuffer(GL_RENDERBUFFER, context.depth);
    calls.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, view.gameWidth, view.gameHeight);
    calls.BindRenderbuffer(GL_RENDERBUFFER, 0);
    calls.BindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
    calls.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, context.color);
    calls.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, context.depth);
    if (calls.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      std::fprintf(stderr, "SwapBuffers: no framebuffer for the scaled display\n");
      calls.BindFramebuffer(GL_FRAMEBUFFER, 0);
      FreeFramebuffer(context);
      offscreen = false;
    } else {
      context.frameWidth = view.gameWidth;
      context.frameHeight = view.gameHeight;
    }
  }
  if (!offscreen && context.framebuffer) {
    calls.BindFramebuffer(GL_FRAMEBUFFER, 0);
    FreeFramebuffer(context);
  }
  if (offscreen) calls.BindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
  context.drawingOffscreen = offscreen;
}

// Reads the bound read framebuffer's bottom-left width x height as RGB rows,
// top row first.
void ReadRows(int width, int height, std::vector<uint8_t>* out) {
  std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
  GLint alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  out->resize(rows.size());
  size_t stride = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; y++)
    std::memcpy(&(*out)[static_cast<size_t>(y) * stride], &rows[static_cast<size_t>(height - 1 - y) * stride], stride);
}

// Keeps the game's frame for the test hooks: from the framebuffer object or
// the back buffer, before any scaling.
void CaptureFrame(int width, int height) {
  std::vector<uint8_t> rows;
  ReadRows(width, height, &rows);
  std::lock_guard<std::mutex> lock(gFrameLock);
  gFrame.swap(rows);
  gFrameWidth = width;
  gFrameHeight = height;
}

// Shows the framebuffer's frame in the window: as it is, or scaled and
// letterboxed.
void PresentScaled(Context& context) {
  GameView view;
  if (!GameViewOf(context.window, &view)) return;
  FramebufferCalls& calls = context.calls;
  GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  GLfloat clearColor[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  glDisable(GL_SCISSOR_TEST);
  calls.BindFramebuffer(GL_FRAMEBUFFER, 0);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  calls.BindFramebuffer(GL_READ_FRAMEBUFFER, context.framebuffer);
  calls.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  int bottom = view.drawableHeight - (view.target.y + view.target.h);
  calls.BlitFramebuffer(0, 0, context.frameWidth, context.frameHeight, view.target.x, bottom,
                        view.target.x + view.target.w, bottom + view.target.h, GL_COLOR_BUFFER_BIT,
                        view.scaled ? GL_LINEAR : GL_NEAREST);
  if (gCapture) {
    calls.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    std::vector<uint8_t> picture;
    ReadRows(view.drawableWidth, view.drawableHeight, &picture);
    std::lock_guard<std::mutex> lock(gFrameLock);
    gWindowPicture.swap(picture);
    gWindowWidth = view.drawableWidth;
    gWindowHeight = view.drawableHeight;
  }
  calls.BindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  if (scissor) glEnable(GL_SCISSOR_TEST);
}

// The refresh rate of the display a window is on, 60 where the driver does
// not tell.
int RefreshRateOf(SDL_Window* window) {
  SDL_DisplayMode mode{};
  const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate > 0)
    return mode.refresh_rate;
  return 60;
}

BOOL WINAPI SwapIntervalEXT(int interval) {
  if (!tCurrent) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (interval < 0 || SDL_GL_SetSwapInterval(interval) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

int WINAPI GetSwapIntervalEXT() { return tCurrent ? SDL_GL_GetSwapInterval() : 0; }

void ForgetWindow(HWND window) {
  gPixelFormats.erase(window);
  if (tCurrent && tCurrent->window == window) {
    // Drawing to a window that is gone goes nowhere.
    SDL_GL_MakeCurrent(nullptr, nullptr);
    tCurrent->currentThread = 0;
    tCurrent = nullptr;
    tCurrentDC = nullptr;
  }
}

void ListenForDestroyedWindows() {
  static std::once_flag once;
  std::call_once(once, [] { AddDestroyListener(ForgetWindow); });
}

}  // namespace

namespace testing {

void CaptureGLFrames(bool on) { gCapture = on; }

size_t LastGLFrame(int* width, int* height, uint8_t* rgb, size_t capacity) {
  std::lock_guard<std::mutex> lock(gFrameLock);
  if (width) *width = gFrameWidth;
  if (height) *height = gFrameHeight;
  if (rgb && capacity >= gFrame.size()) std::memcpy(rgb, gFrame.data(), gFrame.size());
  return gFrame.size();
}

uint64_t GLFramesPresented() { return gFramesPresented.load(); }

size_t LastGLWindowPicture(int* width, int* height, uint8_t* rgb, size_t capacity) {
  std::lock_guard<std::mutex> lock(gFrameLock);
  if (width) *width = gWindowWidth;
  if (height) *height = gWindowHeight;
  if (rgb && capacity >= gWindowPicture.size()) std::memcpy(rgb, gWindowPicture.data(), gWindowPicture.size());
  return gWindowPicture.size();
}

}  // namespace testing

}  // namespace vsk::platform

using namespace vsk::platform;

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return 0;
  if (!ppfd) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (ppfd->dwFlags & PFD_DRAW_TO_BITMAP) VSK_UNSUPPORTED("ChoosePixelFormat for drawing to a bitmap");
  if (!WindowSupportsGL(window)) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return 0;
  }
  // The closest match is the one format there is.
  return 1;
}

int DescribePixelFormat(HDC hdc, int iPixelFormat, UINT nBytes, LPPIXELFORMATDESCRIPTOR ppfd) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return 0;
  int count = WindowSupportsGL(window) ? 1 : 0;
  if (!ppfd) return count;
  if (iPixelFormat < 1 || iPixelFormat > count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(ppfd, &OfferedFormat(), std::min<size_t>(nBytes, sizeof(PIXELFORMATDESCRIPTOR)));
  return count;
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return FALSE;
  ListenForDestroyedWindows();
  if (format != 1 || !WindowSupportsGL(window)) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return FALSE;
  }
  // A window's pixel format is set once.
  auto found = gPixelFormats.find(window);
  if (found != gPixelFormats.end() && found->second != format) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return FALSE;
  }
  gPixelFormats[window] = format;
  return TRUE;
}

int GetPixelFormat(HDC hdc) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return 0;
  auto found = gPixelFormats.find(window);
  if (found == gPixelFormats.end()) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return 0;
  }
  return found->second;
}

HGLRC wglCreateContext(HDC hdc) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return nullptr;
  if (!gPixelFormats.count(window)) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return nullptr;
  }
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  SDL_GLContext sdlContext = SDL_GL_CreateContext(SdlWindowOf(window));
  // SDL makes a new context current; WGL does not.
  SDL_GL_MakeCurrent(previousContext ? previousWindow : nullptr, previousContext);
  if (!sdlContext) {
    std::fprintf(stderr, "wglCreateContext: %s\n", SDL_GetError());
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return nullptr;
  }
  auto context = std::make_unique<Context>();
  context->sdl = sdlContext;
  HGLRC handle = &context->tag;
  std::lock_guard<std::mutex> lock(gContextsLock);
  Contexts().push_back(std::move(context));
  return handle;
}

BOOL wglMakeCurrent(HDC hdc, HGLRC hglrc) {
  if (!hglrc) {
    if (tCurrent) {
      glFlush();
      SDL_GL_MakeCurrent(nullptr, nullptr);
      tCurrent->currentThread = 0;
      tCurrent = nullptr;
      tCurrentDC = nullptr;
    }
    return TRUE;
  }
  Context* context = FindContext(hglrc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD self = GetCurrentThreadId();
  if (context->currentThread != 0 && context->currentThread != self) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return FALSE;
  if (!gPixelFormats.count(window)) {
    SetLastError(ERROR_INVALID_PIXEL_FORMAT);
    return FALSE;
  }
  if (SDL_GL_MakeCurrent(SdlWindowOf(window), context->sdl) != 0) {
    std::fprintf(stderr, "wglMakeCurrent: %s\n", SDL_GetError());
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (tCurrent && tCurrent != context) tCurrent->currentThread = 0;
  context->currentThread = self;
  context->window = window;
  tCurrent = context;
  tCurrentDC = hdc;
  ChooseDrawTarget(*context);
  return TRUE;
}

BOOL wglDeleteContext(HGLRC hglrc) {
  Context* context = FindContext(hglrc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD self = GetCurrentThreadId();
  if (context->currentThread != 0 && context->currentThread != self) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (context == tCurrent) {
    // Deleting the current context makes it not current first.
    glFlush();
    SDL_GL_MakeCurrent(nullptr, nullptr);
    tCurrent = nullptr;
    tCurrentDC = nullptr;
  }
  SDL_GL_DeleteContext(context->sdl);  // its framebuffer objects go with it
  std::lock_guard<std::mutex> lock(gContextsLock);
  std::erase_if(Contexts(), [&](const auto& entry) { return entry.get() == context; });
  return TRUE;
}

HGLRC wglGetCurrentContext(void) { return tCurrent ? &tCurrent->tag : nullptr; }

HDC wglGetCurrentDC(void) { return tCurrentDC; }

BOOL SwapBuffers(HDC hdc) {
  SuspensionPoint();
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return FALSE;
  SDL_Window* sdl = SdlWindowOf(window);
  Context* context = tCurrent && tCurrent->window == window ? tCurrent : nullptr;
  if (context) {
    GameView view;
    GameViewOf(window, &view);
    if (gCapture) {
      if (context->drawingOffscreen) CaptureFrame(context->frameWidth, context->frameHeight);
      else CaptureFrame(std::min(view.gameWidth, view.drawableWidth), std::min(view.gameHeight, view.drawableHeight));
    }
    // Nobody sees a headless window: its frame is copied only for a test
    // that reads it.
    if (context->drawingOffscreen && (gCapture || !HeadlessDisplay())) PresentScaled(*context);
  }
  SDL_GL_SwapWindow(sdl);
  // The display mode may have changed since the last frame.
  if (context) ChooseDrawTarget(*context);
  gFramesPresented++;
  return TRUE;
}

PROC wglGetProcAddress(LPCSTR lpszProc) {
  if (!tCurrent || !lpszProc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Through void (*)(): a cast between unrelated function types warns.
  using Any = void (*)();
  if (std::strcmp(lpszProc, "wglSwapIntervalEXT") == 0)
    return reinterpret_cast<PROC>(reinterpret_cast<Any>(&SwapIntervalEXT));
  if (std::strcmp(lpszProc, "wglGetSwapIntervalEXT") == 0)
    return reinterpret_cast<PROC>(reinterpret_cast<Any>(&GetSwapIntervalEXT));
  // Other WGL extensions are not offered; OpenGL's own functions come from
  // the driver.
  if (std::strncmp(lpszProc, "wgl", 3) == 0) return nullptr;
  return reinterpret_cast<PROC>(SDL_GL_GetProcAddress(lpszProc));
}

int GetDeviceCaps(HDC hdc, int index) {
  HWND window = WindowOfDCChecked(hdc);
  if (!window) return 0;
  if (index != VREFRESH) VSK_UNSUPPORTED("GetDeviceCaps for anything but VREFRESH");
  return RefreshRateOf(SdlWindowOf(window));
}
