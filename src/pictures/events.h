// Input events of the screens: WaitEvent turns the next message of the
// calling thread's queue into a small event code. The presenter's window
// procedure posts keyboard, mouse, timer and close messages there. Beside
// it the pointer queries for hit tests, a one-second wait on timer ticks
// and a small random-number helper.
#pragma once

#include <cstdint>

namespace vsk {

constexpr int32_t kEventKey = 0;            // WM_KEYDOWN, WM_CHAR
constexpr int32_t kEventQuit = 8;           // WM_RBUTTONUP, WM_CLOSE
constexpr int32_t kEventRebuild = 17;       // never produced; ends WaitTicks
constexpr int32_t kEventTick = 2000;        // WM_TIMER of timer 3, when asked for
constexpr int32_t kEventLeftDown = 2001;    // left pressed, or moved with only it held
constexpr int32_t kEventLeftUp = 2002;      // left released
constexpr int32_t kEventMove = 2003;        // moved, no button or another combination
constexpr int32_t kEventRightDown = 2005;   // right pressed, or moved with only it held

// Flag of WaitEvent: deliver the ticks of the window timer (identifier 3).
constexpr uint16_t kWaitTicks = 2;
constexpr uintptr_t kWindowTimerId = 3;

// Repairs lost surfaces, then takes messages (blocking while there are
// none) until one of them is an event; every other message is dropped.
// Pressing a mouse button plays the click.
int32_t WaitEvent(uint16_t flags);

// PointerY as it is (no OpenGL centring offset).
int32_t GetMouseY();
// PointerY on the 640 x 480 screen: in OpenGL mode moved by the screen's
// centring offset in the window, as PointerInRect does. The boxes' lists and
// scroll bars take it, so they follow the pointer in both presenters.
int32_t GetScreenMouseY();

// 1 when the pointer lies strictly inside the rectangle (screen pixels);
// in OpenGL mode the pointer is first moved by the screen's centring offset
// in the window.
int32_t PointerInRect(uint16_t left, uint16_t right, uint16_t top, uint16_t bottom);

// Waits for ten timer ticks (0) unless an event 17 comes first (17).
int32_t WaitTicks();

// Random () % (n + 1): 0 to n.
uint32_t RangeRandom(uint32_t n);

}  // namespace vsk
