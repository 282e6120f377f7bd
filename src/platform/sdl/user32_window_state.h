// State shared by the window files (user32_window*.cpp); not for the rest of
// the layer, which uses user32_window.h.
#pragma once

#include <SDL.h>
#include <windows.h>

#include <memory>
#include <string>

#include "kernel32_thread.h"
#include "user32_message.h"

namespace vsk::platform {

struct WindowClass {
  WNDCLASSA info{};
  std::string name;  // as registered
  ATOM atom = 0;
  int windows = 0;   // live windows of the class
};

struct Window {
  HWND__ handleTag{};  // HWND is the address of this member
  HDC__ dcTag{};       // the window's own device context (GetDC)
  WindowClass* windowClass = nullptr;
  WNDPROC proc = nullptr;
  std::shared_ptr<ThreadState> owner;
  SDL_Window* sdl = nullptr;
  Uint32 sdlId = 0;
  bool supportsGL = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};             // in screen coordinates of the emulated display
  int clientWidth = 0;     // the game's display in this window
  int clientHeight = 0;
  bool visible = false;
  bool minimized = false;
  bool scaled = false;     // the emulated display covers it: shown full screen or windowed
  bool playerWindowed = false;  // the exclusive display in the player's window
  bool resizable = false;  // a window with a caption: the player may resize it
  int appliedWidth = 0;    // the size the layer gave the SDL window last
  int appliedHeight = 0;
  bool destroying = false;
  bool warpPending = false;  // a SetCursorPos made while hidden
  POINT warpClient{};

  HWND handle() { return &handleTag; }
};

// Window thread only (the registry lookups lock for other threads).
Window* FindWindowObject(HWND window);
Window* FindWindowBySdlId(Uint32 id);
Window* ActiveWindow();
Window* NewestWindow();  // the window made last (test hooks)
// Makes `window` (or none) the active window, sending WM_ACTIVATE to the
// window that loses and the one that gains activation.
void SetActiveWindow(Window* window);
void UpdateCursor();
void NoteCursorInWindow(Window& window, POINT client);
// Whether a window position lies on the game's picture; the system cursor
// shows elsewhere (over the bars), the game's choice over the picture.
bool OnPicture(Window& window, int x, int y);
void NotePointerOverBars(bool overBars);

// Alt+Enter or F11 on a window: switches the exclusive display between full
// screen and a window. False when the window has no such display (the key
// is then the game's).
bool ToggleDisplayWindowed(Window& window);
// The player resized a window (SDL_WINDOWEVENT_SIZE_CHANGED).
void NoteWindowResized(Window& window);

// Makes SDL video ready on the calling thread, which becomes the window
// thread; a window function on any other thread afterwards is unsupported.
// Returns false when SDL video cannot start (no display).
bool EnsureVideo(const char* caller);

// True after EnsureVideo found no display driver to open.
bool VideoFailed();
Uint32 WakeEventType();
// Tells a waiting window thread that an event was pushed from elsewhere.
void SignalEventPushed();
void TakeWakeEvent();

// Window coordinates of SDL (points) to the client coordinates of the game's
// display and back.
POINT WindowToClient(Window& window, int x, int y);
POINT ClientToWindow(Window& window, int x, int y);

// Windows-1252 <-> UTF-8 for titles, message boxes and typed text.
std::string Utf8FromCp1252(const char* text);
// Returns -1 for a code point Windows-1252 does not have.
int Cp1252FromCodePoint(uint32_t codePoint);

void HandleSdlEvent(const SDL_Event& event);
void ResetInputState();

}  // namespace vsk::platform
