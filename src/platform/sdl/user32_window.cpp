// Window classes and windows over SDL: creation and destruction with the
// messages Windows sends, showing, activation and focus, device contexts,
// the cursor, and display modes that are emulated by scaling the game's
// display into a desktop-sized window, or into a window of the player's when
// the player asks for one (the settings in display_settings.h).
#include "user32_window.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <thread>
#include <unordered_map>
#include <vector>

#include "kernel32_thread.h"
#include "platform/interrupt.h"
#include "platform/testing.h"
#include "unsupported.h"
#include "user32_window_state.h"

namespace vsk::platform {

namespace {

// D-Bus, which SDL uses on X11, keeps a buffer until the process ends;
// LeakSanitizer is told so in builds that have it.
#if defined(__SANITIZE_ADDRESS__)
#define VSK_LEAK_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VSK_LEAK_SANITIZER 1
#endif
#endif
#ifdef VSK_LEAK_SANITIZER
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
#endif

// ---- registries ---------------------------------------------------------------

std::mutex& RegistryLock() {
  static auto* lock = new std::mutex();
  return *lock;
}
std::unordered_map<HWND, std::unique_ptr<Window>>& Windows() {
  static auto* windows = new std::unordered_map<HWND, std::unique_ptr<Window>>();
  return *windows;
}
std::vector<std::unique_ptr<WindowClass>>& Classes() {
  static auto* classes = new std::vector<std::unique_ptr<WindowClass>>();
  return *classes;
}
ATOM gNextAtom = 0xC000;

std::vector<void (*)(HWND, bool)>& ActivationListeners() {
  static auto* listeners = new std::vector<void (*)(HWND, bool)>();
  return *listeners;
}
std::vector<void (*)()>& PumpHooks() {
  static auto* hooks = new std::vector<void (*)()>();
  return *hooks;
}
std::vector<void (*)(HWND)>& DestroyListeners() {
  static auto* listeners = new std::vector<void (*)(HWND)>();
  return *listeners;
}

// ---- the window thread and SDL ------------------------------------------------

std::atomic<DWORD> gWindowThreadId{0};
bool gVideoReady = false;  // window thread only
std::atomic<bool> gVideoFailed{false};  // no display driver could be opened
std::atomic<Uint32> gWakeEventType{0};
std::atomic<bool> gWakePending{false};
// Drivers that cannot block on their event source (offscreen, dummy) only
// ever get events the program itself pushes: the window thread sleeps on a
// condition variable instead of SDL's one-millisecond polling.
std::atomic<bool> gHeadlessDriver{false};
std::mutex gHeadlessLock;
std::condition_variable gHeadlessWake;
bool gHeadlessSignal = false;  // guarded by gHeadlessLock

// ---- activation, focus, cursor, display mode (window thread) ------------------

// Read by the test hooks from other threads, hence atomic.
std::atomic<Window*> gActive{nullptr};
Window* gFocus = nullptr;
int gCursorCount = 0;  // ShowCursor's display counter
HCURSOR gCursor = nullptr;
std::atomic<LONG> gCursorX{0}, gCursorY{0};

struct DisplayMode {
  bool set = false;
  DWORD width = 0, height = 0, bits = 0;
};
DisplayMode gMode;
bool gFailModeChanges = false;
std::atomic<HWND> gExclusive{nullptr};
bool gOverBars = false;  // the pointer is over the bars of a scaled picture

// The player's display settings: read when the first window is made,
// written whenever they change.
DisplaySettings gSettings;
DisplaySettings gSavedSettings;
bool gSettingsLoaded = false;

void LoadSettingsOnce() {
  if (gSettingsLoaded) return;
  gSettingsLoaded = true;
  gSettings = gSavedSettings = LoadDisplaySettings();
}

void SaveSettingsIfChanged() {
  if (gSettings == gSavedSettings) return;
  if (SaveDisplaySettings(gSettings)) gSavedSettings = gSettings;
}

bool IsLiveWindow(Window* window) {
  if (!window) return false;
  std::lock_guard<std::mutex> lock(RegistryLock());
  return Windows().count(window->handle()) != 0;
}

WindowClass* FindClass(LPCSTR name) {
  if (!name) return nullptr;
  for (auto& windowClass : Classes()) {
    if (IS_INTRESOURCE(name)) {
      if (windowClass->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)))
        return windowClass.get();
    } else if (strcasecmp(windowClass->name.c_str(), name) == 0) {
      return windowClass.get();
    }
  }
  return nullptr;
}

LRESULT Send(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  return window.proc ? window.proc(window.handle(), message, wParam, lParam) : 0;
}

// The window thread's check: every window function runs there.
Window* WindowForCall(HWND hWnd, const char* caller) {
  if (!EnsureVideo(caller)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Window* window = FindWindowObject(hWnd);
  if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

bool CoversDisplay(const Window& window) {
  return gMode.set && !(window.style & WS_CHILD) && window.rect.left <= 0 && window.rect.top <= 0 &&
         window.rect.right >= static_cast<LONG>(gMode.width) &&
         window.rect.bottom >= static_cast<LONG>(gMode.height);
}

// The picture's place and scaling in a window of the given size.
SDL_Rect PictureRect(Window& window, int areaWidth, int areaHeight, Scaling* scaling = nullptr) {
  // The exclusive display is scaled the way the player chose; other windows
  // smoothly, as large as fits.
  Scaling how = window.scaled && window.handle() == gExclusive.load() ? gSettings.scaling : Scaling::Smooth;
  if (scaling) *scaling = how;
  return FitPicture(window.clientWidth, window.clientHeight, areaWidth, areaHeight, how);
}

// Whether the window's SDL size differs from the game's display in it.
bool ShowsScaled(Window& window, int* width, int* height) {
  SDL_GetWindowSize(window.sdl, width, height);
  return window.scaled || *width != window.clientWidth || *height != window.clientHeight;
}

// The window size for the exclusive display shown in a window: the player's
// last size when it fits the desktop, else the largest whole multiple of the
// display that fits the desktop's usable area (at least once).
void PlayerWindowSize(Window& window, int* width, int* height) {
  SDL_Rect usable{0, 0, window.clientWidth, window.clientHeight};
  SDL_GetDisplayUsableBounds(std::max(SDL_GetWindowDisplayIndex(window.sdl), 0), &usable);
  if (gSettings.width > 0 && gSettings.height > 0 && gSettings.width <= usable.w && gSettings.height <= usable.h) {
    *width = gSettings.width;
    *height = gSettings.height;
    return;
  }
  int times = std::max(1, std::min(usable.w / std::max(window.clientWidth, 1), usable.h / std::max(window.clientHeight, 1)));
  *width = window.clientWidth * times;
  *height = window.clientHeight * times;
}

void SizeWindow(Window& window, int width, int height) {
  window.appliedWidth = width;
  window.appliedHeight = height;
  SDL_SetWindowSize(window.sdl, width, height);
  SDL_SetWindowPosition(window.sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

// A top-level window that covers the emulated display goes full screen on the
// desktop, or into the player's window when that is the exclusive display
// and the player chose a window; the others have exactly their client size.
void ApplyDisplayMode(Window& window, bool force = false) {
  bool scaled = CoversDisplay(window);
  bool playerWindowed = scaled && window.handle() == gExclusive.load() && !gSettings.fullScreen;
  if (!force && scaled == window.scaled && playerWindowed == window.playerWindowed) return;
  window.scaled = scaled;
  window.playerWindowed = playerWindowed;
  const bool borderless = (window.style & WS_POPUP) && (window.style & WS_CAPTION) != WS_CAPTION;
  if (playerWindowed) {
    int width = 0, height = 0;
    PlayerWindowSize(window, &width, &height);
    SDL_SetWindowFullscreen(window.sdl, 0);
    SDL_SetWindowBordered(window.sdl, SDL_TRUE);
    SDL_SetWindowResizable(window.sdl, SDL_TRUE);
    SDL_SetWindowMinimumSize(window.sdl, kSmallestWindowWidth, kSmallestWindowHeight);
    SizeWindow(window, width, height);
  } else if (scaled) {
    // Covering the desktop by size and place as well, for desktops without a
    // window manager to honour the full-screen request (Xvfb).
    SDL_Rect desktop{};
    if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window.sdl), 0), &desktop) == 0) {
      SDL_SetWindowPosition(window.sdl, desktop.x, desktop.y);
      window.appliedWidth = desktop.w;
      window.appliedHeight = desktop.h;
      SDL_SetWindowSize(window.sdl, desktop.w, desktop.h);
    }
    SDL_SetWindowFullscreen(window.sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(window.sdl, 0);
    SDL_SetWindowBordered(window.sdl, borderless ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(window.sdl, window.resizable ? SDL_TRUE : SDL_FALSE);
    SizeWindow(window, window.clientWidth, window.clientHeight);
  }
}

void ApplyDisplayModeToAll(bool force = false) {
  std::vector<Window*> all;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    for (auto& entry : Windows()) all.push_back(entry.second.get());
  }
  for (Window* window : all) ApplyDisplayMode(*window, force && window->scaled);
}

void ApplyPendingWarp(Window& window) {
  if (!window.warpPending || !window.visible) return;
  window.warpPending = false;
  POINT at = ClientToWindow(window, window.warpClient.x, window.warpClient.y);
  SDL_WarpMouseInWindow(window.sdl, at.x, at.y);
}

struct CursorHandle {
  HICON__ tag;  // the HCURSOR/HICON is the address of this member
  WORD id;
  SDL_SystemCursor system;
  SDL_Cursor* cursor;
};
CursorHandle gCursors[] = {
    {{}, 32512, SDL_SYSTEM_CURSOR_ARROW, nullptr},     {{}, 32513, SDL_SYSTEM_CURSOR_IBEAM, nullptr},
    {{}, 32514, SDL_SYSTEM_CURSOR_WAIT, nullptr},      {{}, 32515, SDL_SYSTEM_CURSOR_CROSSHAIR, nullptr},
    {{}, 32516, SDL_SYSTEM_CURSOR_ARROW, nullptr},     {{}, 32642, SDL_SYSTEM_CURSOR_SIZENWSE, nullptr},
    {{}, 32643, SDL_SYSTEM_CURSOR_SIZENESW, nullptr},  {{}, 32644, SDL_SYSTEM_CURSOR_SIZEWE, nullptr},
    {{}, 32645, SDL_SYSTEM_CURSOR_SIZENS, nullptr},    {{}, 32646, SDL_SYSTEM_CURSOR_SIZEALL, nullptr},
    {{}, 32648, SDL_SYSTEM_CURSOR_NO, nullptr},        {{}, 32649, SDL_SYSTEM_CURSOR_HAND, nullptr},
    {{}, 32650, SDL_SYSTEM_CURSOR_WAITARROW, nullptr},
};
HICON__ gIcons[6] = {};  // IDI_APPLICATION (32512) … IDI_WINLOGO (32517)

CursorHandle* CursorOf(HCURSOR handle) {
  for (auto& cursor : gCursors)
    if (&cursor.tag == handle) return &cursor;
  return nullptr;
}

// The video drivers that show a window to a player. SDL, left to itself,
// falls back to drivers that show nothing (offscreen), and a client running
// invisibly looks like one that hangs; those are used only when
// SDL_VIDEODRIVER asks for them (the tests do).
constexpr const char* kDisplayDrivers[] = {
#if defined(__APPLE__)
    "cocoa",
#elif defined(__HAIKU__)
    "haiku",
#else
    "x11", "wayland",
#endif
};

bool OpenDisplayDriver(const char* caller) {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (asked && *asked) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    std::fprintf(stderr, "%s: no display (video driver \"%s\": %s)\n", caller, asked, SDL_GetError());
    return false;
  }
  std::string reasons;
  for (const char* driver : kDisplayDrivers) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    reasons += std::string(reasons.empty() ? "" : "; ") + driver + ": " + SDL_GetError();
  }
  SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  std::fprintf(stderr, "%s: no display (%s)\n", caller, reasons.c_str());
  return false;
}

}  // namespace

// ---- shared with the other window files -----------------------------------------

bool EnsureVideo(const char* caller) {
  DWORD self = GetCurrentThreadId();
  DWORD expected = 0;
  if (!gWindowThreadId.compare_exchange_strong(expected, self) && expected != self) {
    std::fprintf(stderr, "%s called on a thread that is not the window thread\n", caller);
    VSK_UNSUPPORTED("window functions on a thread other than the window thread");
  }
  // As on Windows, a thread that uses window functions has a message queue.
  CurrentQueue();
  if (gVideoReady) return true;
  // Ctrl+C and SIGTERM end the program as they would without SDL.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Windows never turns the game's mouse into relative motion or grabs it.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (!OpenDisplayDriver(caller)) {
    gVideoFailed = true;
    return false;
  }
  gWakeEventType = SDL_RegisterEvents(1);
  const char* driver = SDL_GetCurrentVideoDriver();
  gHeadlessDriver = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  // The OpenGL driver stays loaded for the whole run instead of going and
  // coming back with each window (the F1 switch re-creates the window); a
  // driver that is unloaded also leaves what it allocated without a root.
  if (SDL_GL_LoadLibrary(nullptr) != 0) std::fprintf(stderr, "OpenGL: %s\n", SDL_GetError());
  // Every window can take an OpenGL context: the one pixel format the layer
  // offers is fixed before the first window is made, as X11 requires.
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  gVideoReady = true;
  UpdateCursor();
  return true;
}

bool VideoFailed() { return gVideoFailed; }

Uint32 WakeEventType() { return gWakeEventType; }
void TakeWakeEvent() { gWakePending = false; }

Window* FindWindowObject(HWND window) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  auto found = Windows().find(window);
  return found == Windows().end() ? nullptr : found->second.get();
}

Window* FindWindowBySdlId(Uint32 id) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  for (auto& entry : Windows())
    if (entry.second->sdlId == id && !entry.second->destroying) return entry.second.get();
  return nullptr;
}

Window* ActiveWindow() { return gActive; }

Window* NewestWindow() {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Window* newest = nullptr;
  for (auto& entry : Windows())
    if (!entry.second->destroying && (!newest || entry.second->sdlId > newest->sdlId)) newest = entry.second.get();
  return newest;
}

void SetActiveWindow(Window* window) {
  if (window == gActive) return;
  Window* previous = gActive;
  gActive = window;
  if (previous && IsLiveWindow(previous)) {
    Send(*previous, WM_ACTIVATE, MAKELONG(WA_INACTIVE, previous->minimized ? 1 : 0),
         reinterpret_cast<LPARAM>(window ? window->handle() : nullptr));
    for (auto listener : ActivationListeners()) listener(previous->handle(), false);
  }
  // The procedure of the window that lost activation may have changed it.
  if (window && gActive == window && IsLiveWindow(window)) {
    Send(*window, WM_ACTIVATE, MAKELONG(WA_ACTIVE, window->minimized ? 1 : 0),
         reinterpret_cast<LPARAM>(previous ? previous->handle() : nullptr));
    for (auto listener : ActivationListeners()) listener(window->handle(), true);
  }
}

void UpdateCursor() {
  if (!gVideoReady) return;
  // Over the bars the desktop's arrow shows, whatever the game chose.
  CursorHandle* cursor = gOverBars ? &gCursors[0] : CursorOf(gCursor);
  if (cursor) {
    if (!cursor->cursor) cursor->cursor = SDL_CreateSystemCursor(cursor->system);
    if (cursor->cursor) SDL_SetCursor(cursor->cursor);
  }
  SDL_ShowCursor(gOverBars || (gCursorCount >= 0 && cursor) ? SDL_ENABLE : SDL_DISABLE);
}

bool OnPicture(Window& window, int x, int y) {
  int width = 0, height = 0;
  if (!ShowsScaled(window, &width, &height)) return true;
  SDL_Rect box = PictureRect(window, width, height);
  return x >= box.x && y >= box.y && x < box.x + box.w && y < box.y + box.h;
}

void NotePointerOverBars(bool overBars) {
  if (overBars == gOverBars) return;
  gOverBars = overBars;
  UpdateCursor();
}

bool ToggleDisplayWindowed(Window& window) {
  if (!window.scaled || window.handle() != gExclusive.load()) return false;
  gSettings.fullScreen = !gSettings.fullScreen;
  ApplyDisplayMode(window);
  SaveSettingsIfChanged();
  return true;
}

void NoteWindowResized(Window& window) {
  if (!window.playerWindowed) return;
  int width = 0, height = 0;
  SDL_GetWindowSize(window.sdl, &width, &height);
  // The layer's own sizing, and a maximised window, are not a size the
  // player chose for the window.
  if ((width == window.appliedWidth && height == window.appliedHeight) ||
      (SDL_GetWindowFlags(window.sdl) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN)))
    return;
  if (width < kSmallestWindowWidth || height < kSmallestWindowHeight) return;
  window.appliedWidth = width;
  window.appliedHeight = height;
  gSettings.width = width;
  gSettings.height = height;
  SaveSettingsIfChanged();
}

void NoteCursorInWindow(Window& window, POINT client) {
  gCursorX = window.rect.left + client.x;
  gCursorY = window.rect.top + client.y;
}

POINT WindowToClient(Window& window, int x, int y) {
  int width = 0, height = 0;
  if (!ShowsScaled(window, &width, &height)) return POINT{x, y};
  SDL_Rect box = PictureRect(window, width, height);
  if (box.w <= 0 || box.h <= 0) return POINT{0, 0};
  LONG cx = static_cast<LONG>(std::floor((x - box.x) * static_cast<double>(window.clientWidth) / box.w));
  LONG cy = static_cast<LONG>(std::floor((y - box.y) * static_cast<double>(window.clientHeight) / box.h));
  // The bands around the picture are not part of the game's display.
  cx = std::clamp<LONG>(cx, 0, window.clientWidth - 1);
  cy = std::clamp<LONG>(cy, 0, window.clientHeight - 1);
  return POINT{cx, cy};
}

POINT ClientToWindow(Window& window, int x, int y) {
  int width = 0, height = 0;
  if (!ShowsScaled(window, &width, &height)) return POINT{x, y};
  SDL_Rect box = PictureRect(window, width, height);
  double sx = static_cast<double>(box.w) / window.clientWidth;
  double sy = static_cast<double>(box.h) / window.clientHeight;
  return POINT{static_cast<LONG>(box.x + (x + 0.5) * sx), static_cast<LONG>(box.y + (y + 0.5) * sy)};
}

// ---- user32_window.h ----------------------------------------------------------

SDL_Window* SdlWindowOf(HWND hWnd) {
  Window* window = FindWindowObject(hWnd);
  return window ? window->sdl : nullptr;
}

bool HeadlessDisplay() { return gHeadlessDriver.load(); }

bool GameViewOf(HWND hWnd, GameView* view) {
  Window* window = FindWindowObject(hWnd);
  if (!window || !view) return false;
  view->gameWidth = window->clientWidth;
  view->gameHeight = window->clientHeight;
  int width = 0, height = 0;
  if (window->supportsGL) SDL_GL_GetDrawableSize(window->sdl, &width, &height);
  else SDL_GetWindowSize(window->sdl, &width, &height);
  view->drawableWidth = width;
  view->drawableHeight = height;
  view->scaled = window->scaled || width != window->clientWidth || height != window->clientHeight;
  view->target = view->scaled ? PictureRect(*window, width, height, &view->scaling)
                              : SDL_Rect{0, 0, width, height};
  return true;
}

SDL_Rect FitPicture(int gameWidth, int gameHeight, int areaWidth, int areaHeight, Scaling scaling) {
  if (gameWidth <= 0 || gameHeight <= 0) return SDL_Rect{0, 0, areaWidth, areaHeight};
  if (scaling == Scaling::Integer) {
    int times = std::min(areaWidth / gameWidth, areaHeight / gameHeight);
    if (times >= 1) {
      int width = gameWidth * times, height = gameHeight * times;
      return SDL_Rect{(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
    }
    // Not even once: as large as fits, nearest pixel.
  }
  double scale = std::min(static_cast<double>(areaWidth) / gameWidth,
                          static_cast<double>(areaHeight) / gameHeight);
  int width = static_cast<int>(std::lround(gameWidth * scale));
  int height = static_cast<int>(std::lround(gameHeight * scale));
  return SDL_Rect{(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

void SetExclusiveDisplayWindow(HWND hWnd) {
  HWND previous = gExclusive.exchange(hWnd);
  if (previous == hWnd || !IsWindowThread()) return;
  for (HWND changed : {previous, hWnd})
    if (Window* window = changed ? FindWindowObject(changed) : nullptr) ApplyDisplayMode(*window);
}

LONG SetEmulatedDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  if (gFailModeChanges) return DISP_CHANGE_FAILED;
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return DISP_CHANGE_BADMODE;
  switch (bitsPerPixel) {
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return DISP_CHANGE_BADMODE;
  }
  gMode = DisplayMode{true, width, height, bitsPerPixel};
  ApplyDisplayModeToAll();
  return DISP_CHANGE_SUCCESSFUL;
}

void RestoreDesktopDisplayMode() {
  gMode = DisplayMode{};
  ApplyDisplayModeToAll();
}

void AddActivationListener(void (*listener)(HWND, bool)) { ActivationListeners().push_back(listener); }
void AddPumpHook(void (*hook)()) { PumpHooks().push_back(hook); }
void AddDestroyListener(void (*listener)(HWND)) { DestroyListeners().push_back(listener); }

HWND WindowOfDC(HDC dc) {
  if (!dc) return nullptr;
  std::lock_guard<std::mutex> lock(RegistryLock());
  for (auto& entry : Windows())
    if (&entry.second->dcTag == dc) return entry.first;
  return nullptr;
}

bool WindowSupportsGL(HWND hWnd) {
  Window* window = FindWindowObject(hWnd);
  return window && window->supportsGL;
}

std::shared_ptr<ThreadState> WindowOwner(HWND hWnd) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  auto found = Windows().find(hWnd);
  if (found == Windows().end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return found->second->owner;
}

WNDPROC WindowProcOf(HWND hWnd) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  auto found = Windows().find(hWnd);
  return found == Windows().end() ? nullptr : found->second->proc;
}

bool IsWindowThread() { return gVideoReady && gWindowThreadId.load() == GetCurrentThreadId(); }

// Ctrl+C or SIGTERM (platform/interrupt.h): the game's threads are held
// where they are, so that nothing of theirs runs while the window thread
// releases what they use, and the window loop gets its quit message, with
// the code of an orderly end.
static void TakeInterrupt() {
  static bool taken = false;  // window thread only
  if (taken || !InterruptRequested()) return;
  taken = true;
  HoldOtherThreads(std::chrono::milliseconds(300));
  PostQuitMessage(0);
}

void PumpEvents() {
  TakeInterrupt();
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
    HandleSdlEvent(event);
  for (auto hook : PumpHooks()) hook();
}

void WaitForEvents(Clock::time_point deadline) {
  // Bounded, so that nothing can keep the window thread asleep for long.
  constexpr auto kLongest = std::chrono::milliseconds(250);
  auto now = Clock::now();
  auto wait = deadline == Clock::time_point::max() ? kLongest
                                                   : std::min<Clock::duration>(deadline - now, kLongest);
  if (wait <= Clock::duration::zero()) return;
  if (wait < std::chrono::milliseconds(1)) {
    std::this_thread::sleep_for(wait);
    return;
  }
  if (gHeadlessDriver) {
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    std::unique_lock<std::mutex> lock(gHeadlessLock);
    gHeadlessWake.wait_for(lock, wait, [] { return gHeadlessSignal; });
    gHeadlessSignal = false;
    return;
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
  SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
}

void SignalEventPushed() {
  if (!gHeadlessDriver) return;  // SDL wakes its own wait for a pushed event
  {
    std::lock_guard<std::mutex> lock(gHeadlessLock);
    gHeadlessSignal = true;
  }
  gHeadlessWake.notify_all();
}

void WakeWindowThreadIfOwner(DWORD threadId) {
  if (threadId == 0 || threadId != gWindowThreadId.load() || gWakeEventType == 0) return;
  if (gHeadlessDriver) {
    SignalEventPushed();
    return;
  }
  if (gWakePending.exchange(true)) return;  // one wake-up event at a time is enough
  SDL_Event event{};
  event.type = gWakeEventType.load();
  if (SDL_PushEvent(&event) <= 0) gWakePending = false;
}

POINT CursorScreenPosition() { return POINT{gCursorX.load(), gCursorY.load()}; }

// Test hook (declared in platform/testing.h).
namespace testing {
void FailDisplayModeChanges(bool fail) { gFailModeChanges = fail; }
bool IsFullScreenScaled(void* hWnd) {
  Window* window = FindWindowObject(static_cast<HWND>(hWnd));
  return window && window->scaled && !window->playerWindowed;
}
void ReloadDisplaySettings() {
  gSettings = gSavedSettings = LoadDisplaySettings();
  gSettingsLoaded = true;
  if (gVideoReady) ApplyDisplayModeToAll(true);
}
}  // namespace testing

}  // namespace vsk::platform

using namespace vsk::platform;

// ---- classes -------------------------------------------------------------------

ATOM RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (IS_INTRESOURCE(lpWndClass->lpszClassName)) VSK_UNSUPPORTED("RegisterClassA with an atom name");
  std::lock_guard<std::mutex> lock(RegistryLock());
  if (FindClass(lpWndClass->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto windowClass = std::make_unique<WindowClass>();
  windowClass->info = *lpWndClass;
  windowClass->name = lpWndClass->lpszClassName;
  windowClass->info.lpszClassName = nullptr;  // the caller's string may go away
  windowClass->info.lpszMenuName = nullptr;
  windowClass->atom = gNextAtom++;
  ATOM atom = windowClass->atom;
  Classes().push_back(std::move(windowClass));
  return atom;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  WindowClass* windowClass = FindClass(lpClassName);
  if (!windowClass) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (windowClass->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  std::erase_if(Classes(), [&](const auto& entry) { return entry.get() == windowClass; });
  return TRUE;
}

// ---- windows -------------------------------------------------------------------

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
  SuspensionPoint();
  if ((dwStyle & WS_CHILD) || hWndParent) VSK_UNSUPPORTED("CreateWindowExA for a child or owned window");
  if (hMenu) VSK_UNSUPPORTED("CreateWindowExA with a menu");
  if (!EnsureVideo("CreateWindowExA")) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  WindowClass* windowClass;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    windowClass = FindClass(lpClassName);
    if (windowClass) windowClass->windows++;
  }
  if (!windowClass) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) {
    nWidth = 640;
    nHeight = 480;
  }
  nWidth = std::max(nWidth, 1);
  nHeight = std::max(nHeight, 1);

  auto window = std::make_unique<Window>();
  window->windowClass = windowClass;
  window->proc = windowClass->info.lpfnWndProc;
  window->owner = CurrentThreadShared();
  window->style = dwStyle & ~WS_VISIBLE;
  window->exStyle = dwExStyle;
  // The window rectangle and the client area are the same here: the
  // desktop's window manager draws any frame outside it (AdjustWindowRectEx
  // adds nothing).
  window->rect = RECT{X, Y, X + nWidth, Y + nHeight};
  window->clientWidth = nWidth;
  window->clientHeight = nHeight;
  // A window with a caption can be resized and maximised by the player; its
  // picture is then scaled into it (the game keeps its client size).
  window->resizable = (dwStyle & WS_CAPTION) == WS_CAPTION;
  window->appliedWidth = nWidth;
  window->appliedHeight = nHeight;
  LoadSettingsOnce();

  Uint32 flags = SDL_WINDOW_HIDDEN;
  if ((dwStyle & WS_POPUP) && !(dwStyle & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
  if (window->resizable) flags |= SDL_WINDOW_RESIZABLE;
  std::string title = Utf8FromCp1252(lpWindowName ? lpWindowName : "");
  window->sdl = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, nWidth,
                                 nHeight, flags | SDL_WINDOW_OPENGL);
  window->supportsGL = window->sdl != nullptr;
  if (!window->sdl)
    window->sdl = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   nWidth, nHeight, flags);
  if (!window->sdl) {
    std::fprintf(stderr, "CreateWindowExA: %s\n", SDL_GetError());
    std::lock_guard<std::mutex> lock(RegistryLock());
    windowClass->windows--;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  window->sdlId = SDL_GetWindowID(window->sdl);
  Window* created = window.get();
  HWND handle = created->handle();
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    Windows()[handle] = std::move(window);
  }
  ApplyDisplayMode(*created);

  CREATESTRUCTA create{};
  create.lpCreateParams = lpParam;
  create.hInstance = hInstance;
  create.cx = nWidth;
  create.cy = nHeight;
  create.x = X;
  create.y = Y;
  create.style = static_cast<LONG>(dwStyle);
  create.lpszName = lpWindowName;
  create.lpszClass = lpClassName;
  create.dwExStyle = dwExStyle;
  LPARAM createParam = reinterpret_cast<LPARAM>(&create);
  if (!Send(*created, WM_NCCREATE, 0, createParam) || Send(*created, WM_CREATE, 0, createParam) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (IsLiveWindow(created) && (dwStyle & WS_VISIBLE)) ShowWindow(handle, SW_SHOW);
  return IsLiveWindow(created) ? handle : nullptr;
}

BOOL DestroyWindow(HWND hWnd) {
  SuspensionPoint();
  Window* window = WindowForCall(hWnd, "DestroyWindow");
  if (!window) return FALSE;
  if (window->owner.get() != &CurrentThread()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (window->destroying) return TRUE;
  window->destroying = true;
  // Hiding the active window deactivates it first.
  if (window->visible) SDL_HideWindow(window->sdl);
  window->visible = false;
  if (gActive == window) SetActiveWindow(nullptr);
  if (gFocus == window) gFocus = nullptr;
  Send(*window, WM_DESTROY, 0, 0);
  Send(*window, WM_NCDESTROY, 0, 0);
  for (auto listener : DestroyListeners()) listener(hWnd);
  ForgetWindowMessages(CurrentQueue(), hWnd);
  std::unique_ptr<Window> owned;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    auto found = Windows().find(hWnd);
    owned = std::move(found->second);
    Windows().erase(found);
    owned->windowClass->windows--;
  }
  if (gActive == owned.get()) gActive = nullptr;
  if (gExclusive.load() == hWnd) gExclusive = nullptr;
  SDL_DestroyWindow(owned->sdl);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return FindWindowObject(hWnd) ? TRUE : FALSE; }

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  SuspensionPoint();
  Window* window = WindowForCall(hWnd, "ShowWindow");
  if (!window) return FALSE;
  BOOL wasVisible = window->visible ? TRUE : FALSE;
  // A window being destroyed (its procedure answering the deactivation) is
  // already hidden and stays so.
  if (window->destroying) return wasVisible;
  switch (nCmdShow) {
    case SW_HIDE:
      if (window->visible) SDL_HideWindow(window->sdl);
      window->visible = false;
      if (gActive == window) SetActiveWindow(nullptr);
      break;
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_SHOWMAXIMIZED:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA: {
      if (!window->visible) SDL_ShowWindow(window->sdl);
      if (window->minimized && nCmdShow != SW_SHOW && nCmdShow != SW_SHOWNA) {
        SDL_RestoreWindow(window->sdl);
        window->minimized = false;
      }
      window->visible = true;
      ApplyPendingWarp(*window);
      if (nCmdShow != SW_SHOWNOACTIVATE && nCmdShow != SW_SHOWNA) {
        SDL_RaiseWindow(window->sdl);
        SetActiveWindow(window);
      }
      break;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!window->visible) SDL_ShowWindow(window->sdl);
      window->visible = true;
      window->minimized = true;
      SDL_MinimizeWindow(window->sdl);
      // Minimising hands activation on; showing minimised activates.
      if (nCmdShow == SW_MINIMIZE && gActive == window) SetActiveWindow(nullptr);
      if (nCmdShow == SW_SHOWMINIMIZED) SetActiveWindow(window);
      break;
    default: VSK_UNSUPPORTED("ShowWindow command");
  }
  return wasVisible;
}

BOOL SetForegroundWindow(HWND hWnd) {
  SuspensionPoint();
  Window* window = WindowForCall(hWnd, "SetForegroundWindow");
  if (!window) return FALSE;
  SDL_RaiseWindow(window->sdl);
  SetActiveWindow(window);
  return TRUE;
}

HWND GetForegroundWindow(void) {
  Window* active = gActive;
  return active ? active->handle() : nullptr;
}

HWND SetFocus(HWND hWnd) {
  SuspensionPoint();
  HWND previous = gFocus ? gFocus->handle() : nullptr;
  if (!hWnd) {
    gFocus = nullptr;
    return previous;
  }
  Window* window = WindowForCall(hWnd, "SetFocus");
  if (!window) return nullptr;
  // Focusing a window activates it.
  SetActiveWindow(window);
  gFocus = window;
  return previous;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  Window* window = FindWindowObject(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!lpRect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpRect = RECT{0, 0, window->clientWidth, window->clientHeight};
  return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD, BOOL, DWORD) {
  // Window and client rectangle are the same here: the frame that the
  // desktop draws lies outside the client area and is not counted.
  if (!lpRect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

HDC GetDC(HWND hWnd) {
  if (!hWnd) VSK_UNSUPPORTED("GetDC of the whole screen");
  Window* window = WindowForCall(hWnd, "GetDC");
  return window ? &window->dcTag : nullptr;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  Window* window = FindWindowObject(hWnd);
  return window && &window->dcTag == hDC ? 1 : 0;
}

// ---- cursor and icons -------------------------------------------------------------

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  // The program has no icon resources; the system's icons have no picture
  // here but are valid handles.
  if (!hInstance && IS_INTRESOURCE(lpIconName)) {
    auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpIconName));
    if (id >= 32512 && id <= 32517) return &gIcons[id - 32512];
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  if (!hInstance && IS_INTRESOURCE(lpCursorName)) {
    auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpCursorName));
    for (auto& cursor : gCursors)
      if (cursor.id == id) return &cursor.tag;
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HCURSOR SetCursor(HCURSOR hCursor) {
  HCURSOR previous = gCursor;
  gCursor = hCursor;
  UpdateCursor();
  return previous;
}

int ShowCursor(BOOL bShow) {
  gCursorCount += bShow ? 1 : -1;
  UpdateCursor();
  return gCursorCount;
}

BOOL SetCursorPos(int X, int Y) {
  gCursorX = X;
  gCursorY = Y;
  if (!EnsureVideo("SetCursorPos")) return TRUE;
  // The window under the point, the active one first.
  std::vector<Window*> candidates;
  if (Window* active = gActive) candidates.push_back(active);
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    for (auto& entry : Windows()) candidates.push_back(entry.second.get());
  }
  for (Window* window : candidates) {
    if (X < window->rect.left || Y < window->rect.top || X >= window->rect.right ||
        Y >= window->rect.bottom)
      continue;
    window->warpClient = POINT{X - window->rect.left, Y - window->rect.top};
    window->warpPending = true;
    ApplyPendingWarp(*window);
    break;
  }
  return TRUE;
}

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpPoint = CursorScreenPosition();
  return TRUE;
}

// ---- display modes -----------------------------------------------------------------

LONG ChangeDisplaySettingsA(DEVMODEA* lpDevMode, DWORD dwFlags) {
  if (!lpDevMode) {
    if (dwFlags != 0) return DISP_CHANGE_BADPARAM;
    if (gVideoReady && !IsWindowThread())
      VSK_UNSUPPORTED("ChangeDisplaySettingsA on a thread other than the window thread");
    // Back to the desktop's own mode.
    RestoreDesktopDisplayMode();
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (dwFlags & ~static_cast<DWORD>(CDS_FULLSCREEN | CDS_TEST))
    VSK_UNSUPPORTED("ChangeDisplaySettingsA flags other than CDS_FULLSCREEN and CDS_TEST");
  DWORD fields = lpDevMode->dmFields;
  DWORD width = (fields & DM_PELSWIDTH) ? lpDevMode->dmPelsWidth : 0;
  DWORD height = (fields & DM_PELSHEIGHT) ? lpDevMode->dmPelsHeight : 0;
  DWORD bits = (fields & DM_BITSPERPEL) ? lpDevMode->dmBitsPerPel : 32;
  if (!(fields & DM_PELSWIDTH) || !(fields & DM_PELSHEIGHT))
    VSK_UNSUPPORTED("ChangeDisplaySettingsA without a width and a height");
  if (dwFlags & CDS_TEST) {
    if (gFailModeChanges) return DISP_CHANGE_FAILED;
    return width && height ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
  }
  // The monitor keeps its mode: windows that cover the new display are
  // shown full screen with the display scaled into them.
  if (gVideoReady && !IsWindowThread())
    VSK_UNSUPPORTED("ChangeDisplaySettingsA on a thread other than the window thread");
  return SetEmulatedDisplayMode(width, height, bits);
}
