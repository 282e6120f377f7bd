// What the window procedures of both presenters do alike: the close request
// and the input go to the game thread's queue, the key state is kept, the
// screen saver and monitor power-down are refused, and the game thread's
// quit request ends the window loop.
#pragma once

#include <windows.h>

namespace vsk {

// True when the message is one of these, with the procedure's result;
// false leaves it to the presenter's own procedure.
bool HandleGameWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

}  // namespace vsk
