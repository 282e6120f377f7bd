// The DirectDraw presenter: the 640 x 480 pop-up window on the window
// thread, the exclusive 640 x 480 x 8 display with its primary, off-screen
// and pointer surfaces and palette, the message loop that restores lost
// surfaces while idle, and the window procedure that forwards input to the
// game thread.
#pragma once

#include <windows.h>

namespace vsk {

// The window loop; returns when the game thread asked to end.
int RunDXWindow();

// 1 when the window, the set-up and the display are ready, else 0 (after
// a message box, except when the set-up failed).
int DXCreateWindow();
void DXDestroyWindow();
int DXInit();
void DXRelease();

LRESULT CALLBACK DXWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vsk
