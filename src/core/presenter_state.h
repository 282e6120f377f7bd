// What the presenters share with the rest of the game: the presenter chosen
// at start, the game thread, the window, and the input and pointer state the
// window thread keeps. Values handed between threads are atomics.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace vsk {

constexpr int32_t kPresenterOpenGL = 0;
constexpr int32_t kPresenterDirectDraw = 1;

// 1 = DirectDraw (the default), 0 = OpenGL ("-gl"); fixed at start.
extern int32_t PresenterChoice;

extern HANDLE MainThreadHandle;
extern DWORD MainThreadId;
extern HWND WindowHandle;  // the presenter's window

extern std::atomic<int32_t> WindowActive;  // 1 while the window is active
extern std::atomic<int32_t> FullScreen;
extern int32_t WindowWidth;   // OpenGL window: 800
extern int32_t WindowHeight;  // 600
extern int32_t WindowBits;    // 32

// Pointer position: screen pixels in DirectDraw mode, window client
// coordinates in OpenGL mode.
extern std::atomic<int32_t> PointerX;
extern std::atomic<int32_t> PointerY;
// OpenGL mode: the 32 x 27 pointer image (colour indices, 0 transparent).
extern uint8_t* PointerImage;

extern std::atomic<uint8_t> KeyDown[256];  // 1 while the virtual key is held
// Set by every press of F1 and cleared by the OpenGL loop when it toggles
// full screen, so that a tap released before the loop looks still counts.
extern std::atomic<bool> F1Pressed;
extern std::atomic<int32_t> AnyKeyPressed;

// The OpenGL presenter reads the screen record and its picture's pixels on
// the window thread while the game thread may release them. The presenter
// raises this flag before it takes TheScreen and lowers it when it is done;
// whoever releases the screen record or its picture first takes it away from
// TheScreen, then waits until the flag is down.
extern std::atomic<bool> ScreenBeingRead;
void WaitWhileScreenIsRead();

}  // namespace vsk
