// The OpenGL presenter: the 800 x 600 window (or full screen) on the window
// thread, its message loop drawing frame after frame, and the window
// procedure that forwards input to the game thread.
#pragma once

#include <windows.h>

namespace vsk {

// The window loop; returns the quit code, or 0 when the window could not
// be made.
int RunGLWindow();

int GLCreateWindow(const char* title, int width, int height, int bits, int fullScreen);
void GLDestroyWindow();
LRESULT CALLBACK GLWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vsk
