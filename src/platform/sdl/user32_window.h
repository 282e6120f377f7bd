// Windows of the layer: one SDL window per CreateWindowExA, all on the window
// thread (the first thread that uses a window function), which is the only
// thread that initialises SDL video and reads its events.
//
// What other parts of the layer (DirectDraw, WGL) use:
// - SdlWindowOf gives a window's SDL window.
// - GameViewOf tells where the game's display lies in the window: a window
//   of the client size shows it as it is; in an emulated full-screen display
//   mode it is scaled into a desktop-sized window (or, as the player chose
//   with Alt+Enter or F11, into a window of its own), and a window the
//   player resized shows it scaled; aspect kept, letterboxed.
// - SetEmulatedDisplayMode / RestoreDesktopDisplayMode are what
//   ChangeDisplaySettingsA does; DirectDraw's SetDisplayMode can use them.
// - AddActivationListener reports activation changes after the window
//   procedure has seen them (DirectDraw loses its surfaces on deactivation).
// - AddPumpHook runs a function each time the window thread looks at its
//   queue (DirectDraw shows its primary surface from there).
#pragma once

#include <SDL.h>
#include <windows.h>

#include <memory>

#include "display_settings.h"
#include "kernel32_thread.h"

namespace vsk::platform {

struct GameView {
  int gameWidth = 0;    // the game's display (client size, or the display mode)
  int gameHeight = 0;
  bool scaled = false;  // scaled into a window of another size
  Scaling scaling = Scaling::Smooth;
  SDL_Rect target{};    // where it lies, in drawable pixels of the window
  int drawableWidth = 0;
  int drawableHeight = 0;
};

SDL_Window* SdlWindowOf(HWND window);
bool GameViewOf(HWND window, GameView* view);
// True on a display driver without a screen (offscreen, dummy): nobody sees
// its windows.
bool HeadlessDisplay();

// Where a picture of the game's size lies in an area, aspect kept, centred.
SDL_Rect FitPicture(int gameWidth, int gameHeight, int areaWidth, int areaHeight, Scaling scaling);

// The window that holds the emulated display exclusively (DirectDraw's
// exclusive mode), null for none. Its full screen is the one the player
// switches to a window and back (Alt+Enter, F11); its picture is scaled as
// the player's settings say.
void SetExclusiveDisplayWindow(HWND window);

LONG SetEmulatedDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel);
void RestoreDesktopDisplayMode();

void AddActivationListener(void (*listener)(HWND window, bool active));
void AddPumpHook(void (*hook)());
void AddDestroyListener(void (*listener)(HWND window));

// The window a device context belongs to (GetDC), or null.
HWND WindowOfDC(HDC dc);
// Whether the window's SDL window can take an OpenGL context.
bool WindowSupportsGL(HWND window);

// The thread that owns a window, or null (ERROR_INVALID_WINDOW_HANDLE set)
// when the handle is no window.
std::shared_ptr<ThreadState> WindowOwner(HWND window);
WNDPROC WindowProcOf(HWND window);

// Window thread only: turn pending SDL events into messages (calling window
// procedures for sent ones), and wait until an SDL event arrives or the
// deadline passes.
bool IsWindowThread();
void PumpEvents();
void WaitForEvents(Clock::time_point deadline);
// Any thread: wake the window thread out of WaitForEvents when `threadId`
// is the window thread.
void WakeWindowThreadIfOwner(DWORD threadId);

// The cursor position in screen coordinates (the emulated display's).
POINT CursorScreenPosition();

}  // namespace vsk::platform
