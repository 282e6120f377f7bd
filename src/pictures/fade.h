// Palette fades on a thread of their own: FadeIn brings the display from
// black up to ScreenColors, FadeOut takes ScreenColors itself down to black.
// Each runs 256 levels and shows every 8th one (32 visible steps). At most
// one fade thread exists; a new fade waits for the previous one to end.
//
// OpenGL mode: after each visible step the fade thread suspends itself and
// the presenter resumes it once per frame it draws, so a fade advances at
// most one visible step per frame. DirectDraw mode: each visible step waits
// for the vertical blank and sets the whole hardware palette.
#pragma once

#include <windows.h>

#include <atomic>

namespace vsk {

// The running (or last) fade thread, null before the first fade. The
// presenter resumes it after each frame; CloseKadunPic waits on it. The
// handle stays open until the next fade start closes it.
extern std::atomic<HANDLE> FadeThreadHandle;
extern std::atomic<DWORD> FadeThreadId;

void FadeIn();
void FadeOut();

}  // namespace vsk
